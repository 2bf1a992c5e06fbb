// Durations of variable bit-rate streams through teskdec.dll: QVGetSize when the stream is
// prepared and when the run has read every frame lies within 2% of what the run decodes, for
// lame's VBR qualities and an average bit rate, with the encoder's header frame and without
// it; a seek to the middle leaves the second half (tests/fixtures/vbr/make-fixtures.sh makes
// the streams).
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "tests/engine/modules/mpeg/ModuleHost.h"

namespace {

namespace fs = std::filesystem;

struct Encoding {
  const char* Name;
  bool HeaderFrame;  // lame's "Xing" frame in front; without it as lame -t writes the stream
};

std::vector<Encoding> Encodings() {
  std::vector<Encoding> all;
  for (const char* name : {"v0", "v1", "v2", "v3", "v4", "v5", "v6", "v7", "v8", "v9", "abr64"})
    for (bool header : {true, false}) all.push_back({name, header});
  return all;
}

// Bytes of the Layer III frame whose header `bytes` begins with (MPEG-1, -2 or 2.5).
size_t Layer3FrameLength(const uint8_t* bytes) {
  static constexpr int rates[] = {44100, 48000, 32000};
  static constexpr int kbps[2][15] = {
      {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
      {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}};
  const bool mpeg25 = (bytes[1] & 0x10) == 0;
  const int mpeg1 = (bytes[1] & 0x08) != 0 ? 1 : 0;
  const int rate = rates[(bytes[2] >> 2) & 3] >> (mpeg25 ? 2 : 1 - mpeg1);
  return static_cast<size_t>(kbps[mpeg1][bytes[2] >> 4] * (mpeg1 ? 144000 : 72000) / rate +
                             ((bytes[2] >> 1) & 1));
}

class VariableBitRate : public PlayerTest<ModuleLibrary>,
                        public testing::WithParamInterface<Encoding> {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    if (HasFatalFailure()) return;
    std::vector<uint8_t> bytes =
        ReadBytes(FixturePath(std::string("vbr/") + GetParam().Name + ".mp3"));
    ASSERT_GT(bytes.size(), 4u);
    // lame's header frame is the first frame.
    const size_t first = Layer3FrameLength(bytes.data());
    const char xing[] = "Xing";
    ASSERT_NE(std::search(bytes.begin(), bytes.begin() + static_cast<long>(first), xing, xing + 4),
              bytes.begin() + static_cast<long>(first));
    if (!GetParam().HeaderFrame)
      bytes.erase(bytes.begin(), bytes.begin() + static_cast<long>(first));
    input_ = folder_.path() / "input.mp3";
    WriteBytes(input_, bytes);
  }
  // Opens and prepares the input with callback output in blocks of `blockBytes`.
  void Prepare(int32_t blockBytes = 16384) {
    recorder_.blocks.clear();
    recorder_.blockCount = 0;
    recorder_.Install(*qv_, h_);
    ASSERT_TRUE(qv_->QVSetBuffers(h_, 0, blockBytes));
    ASSERT_TRUE(qv_->QVSetInputName(h_, input_.string().c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
  }

  fs::path input_;
  TempFolder folder_;
  BlockRecorder recorder_;
};

TEST_P(VariableBitRate, SizeAndSeekFollowTheDecodedLength) {
  // The whole run; its last frame read, the output's closing action holds it while QVGetSize
  // still answers.
  ASSERT_NO_FATAL_FAILURE(Prepare());
  const int32_t prepared = qv_->QVGetSize(h_);
  recorder_.holdAtClose = true;
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return recorder_.closing.load(); }));
  const int32_t read = qv_->QVGetSize(h_);
  recorder_.Release();
  ASSERT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  ASSERT_TRUE(qv_->QVClose(h_));
  const int32_t rate = recorder_.rate.load();
  ASSERT_GT(rate, 0);
  const size_t sampleFrames = recorder_.Pcm().size() / 4;
  const double decoded = sampleFrames * 1000.0 / rate;
  EXPECT_NEAR(prepared, decoded, 0.02 * decoded);
  EXPECT_NEAR(read, decoded, 0.02 * decoded);

  // A seek to the middle, while the run holds in its first frame: the rest is the second half.
  const int32_t perFrame = rate >= 32000 ? 1152 : 576;
  const size_t frames = sampleFrames / static_cast<size_t>(perFrame);
  recorder_.holdAtClose = false;
  recorder_.released = false;
  recorder_.holdAtBlock = 1;
  ASSERT_NO_FATAL_FAILURE(Prepare(perFrame * 4));
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return recorder_.blockCount.load() >= 1; }));
  ASSERT_TRUE(qv_->QVPause(h_));
  recorder_.Release();
  const double d = perFrame * 1000.0 / rate;
  const auto middle = static_cast<uint32_t>(frames / 2);
  ASSERT_TRUE(qv_->QVSetPos(h_, static_cast<uint32_t>(std::ceil(middle * d))));
  ASSERT_TRUE(qv_->QVResume(h_));
  ASSERT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  // The first frame, then the frames after the one the seek found.
  const size_t after = recorder_.Pcm().size() / 4 / static_cast<size_t>(perFrame) - 1;
  EXPECT_NEAR(static_cast<double>(after), static_cast<double>(frames - middle - 1),
              0.05 * static_cast<double>(frames));
}

INSTANTIATE_TEST_SUITE_P(Lame, VariableBitRate, testing::ValuesIn(Encodings()),
                         [](const testing::TestParamInfo<Encoding>& info) {
                           return std::string(info.param.Name) +
                                  (info.param.HeaderFrame ? "" : "_without_header_frame");
                         });

}  // namespace
