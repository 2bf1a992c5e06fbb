// Durations of variable bit-rate streams through teskdec.dll: QVGetSize when the stream is
// prepared and when the run has read every frame lies within 2% of what the run decodes, for
// lame's VBR qualities and an average bit rate, with the encoder's header frame and without
// it; a seek to the middle leaves the second half. Seeks of streams whose bit rate swings
// widely land by the encoder's table of positions (lame's "Xing" frame, and a "VBRI" frame that
// the test builds in its place from the stream's own frames, as no encoder here writes one)
// within 1% of the time sought, by the mean frame length without a table, and resume with the
// very frames of the whole decode from there on (tests/fixtures/vbr/make-fixtures.sh makes the
// streams). Wherever a seek lands, the position after it and the samples that follow make the
// whole length.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

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

// A player whose input, in a folder of its own, is the case's vbr/ fixture as the test reshapes
// it.
template <class Case>
class VbrInputTest : public PlayerTest<ModuleLibrary>, public testing::WithParamInterface<Case> {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    if (HasFatalFailure()) return;
    std::vector<uint8_t> bytes =
        ReadBytes(FixturePath(std::string("vbr/") + this->GetParam().Name + ".mp3"));
    ASSERT_GT(bytes.size(), 4u);
    Reshape(bytes);
    if (HasFatalFailure()) return;
    input_ = folder_.path() / "input.mp3";
    WriteBytes(input_, bytes);
  }
  virtual void Reshape(std::vector<uint8_t>& bytes) = 0;

  fs::path input_;
  TempFolder folder_;
};

class VariableBitRate : public VbrInputTest<Encoding> {
 protected:
  void Reshape(std::vector<uint8_t>& bytes) override {
    // lame's header frame is the first frame.
    const size_t first = Layer3FrameLength(bytes.data());
    const char xing[] = "Xing";
    ASSERT_NE(std::search(bytes.begin(), bytes.begin() + static_cast<long>(first), xing, xing + 4),
              bytes.begin() + static_cast<long>(first));
    if (!GetParam().HeaderFrame)
      bytes.erase(bytes.begin(), bytes.begin() + static_cast<long>(first));
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

// The encoder's header frame of a seek stream, as each case gives it.
enum class HeaderKind {
  XingTable,    // lame's "Xing" frame with its table of positions
  XingNoTable,  // the same frame with the table taken out (flag and bytes)
  NoHeader,     // no header frame, as lame -t writes the stream
  VbriTable,    // a "VBRI" frame in its place, of the same length
};

struct SeekCase {
  const char* Name;
  HeaderKind Kind;
  int32_t Rate = 8000;
  int32_t FrameSamples = 576;
};

std::vector<SeekCase> SeekCases() {
  std::vector<SeekCase> all;
  for (HeaderKind kind : {HeaderKind::XingTable, HeaderKind::XingNoTable, HeaderKind::NoHeader,
                          HeaderKind::VbriTable}) {
    for (const char* name : {"seek-v0", "seek-v2", "seek-v9", "seek-abr32"})
      all.push_back({name, kind});
    all.push_back({"seek-v6-32k", kind, 32000, 1152});
  }
  return all;
}

void PutBigEndian(uint8_t* at, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8) at[i] = static_cast<uint8_t>(value);
}

uint32_t GetBigEndian(const uint8_t* at) {
  return (uint32_t{at[0]} << 24) | (uint32_t{at[1]} << 16) | (uint32_t{at[2]} << 8) | at[3];
}

// lame's stream with its header frame as the case asks.
std::vector<uint8_t> WithHeader(std::vector<uint8_t> bytes, HeaderKind kind) {
  const size_t first = Layer3FrameLength(bytes.data());
  const char tag[] = "Xing";
  const auto xing =
      std::search(bytes.begin(), bytes.begin() + static_cast<long>(first), tag, tag + 4) -
      bytes.begin();
  EXPECT_LT(static_cast<size_t>(xing), first);
  uint8_t* x = bytes.data() + xing;
  const uint32_t flags = GetBigEndian(x + 4);
  EXPECT_EQ(flags & 7u, 7u);
  switch (kind) {
    case HeaderKind::XingTable: break;
    case HeaderKind::XingNoTable: {
      PutBigEndian(x + 4, flags & ~4u, 4);
      const auto table = bytes.begin() + xing + 16;
      bytes.erase(table, table + 100);
      bytes.insert(bytes.begin() + static_cast<long>(first) - 100, 100, 0);
      break;
    }
    case HeaderKind::NoHeader:
      bytes.erase(bytes.begin(), bytes.begin() + static_cast<long>(first));
      break;
    case HeaderKind::VbriTable: {
      // The audio frames behind the header frame, in parts of `perEntry` frames whose byte
      // lengths the table lists: as few frames to a part as the frame has room for.
      std::vector<size_t> lengths;
      for (size_t at = first; at + 4 <= bytes.size(); at += lengths.back())
        lengths.push_back(Layer3FrameLength(bytes.data() + at));
      constexpr size_t vbri = 36, fixed = 26;
      size_t perEntry = 1;
      while (vbri + fixed + 2 * ((lengths.size() + perEntry - 1) / perEntry) > first) ++perEntry;
      const size_t entries = (lengths.size() + perEntry - 1) / perEntry;
      std::fill(bytes.begin() + 4, bytes.begin() + static_cast<long>(first), 0);
      uint8_t* v = bytes.data() + vbri;
      std::memcpy(v, "VBRI", 4);
      PutBigEndian(v + 4, 1, 2);  // version
      PutBigEndian(v + 10, static_cast<uint32_t>(bytes.size()), 4);
      PutBigEndian(v + 14, static_cast<uint32_t>(lengths.size()), 4);
      PutBigEndian(v + 18, static_cast<uint32_t>(entries), 2);
      PutBigEndian(v + 20, 1, 2);  // scale
      PutBigEndian(v + 22, 2, 2);  // bytes per entry
      PutBigEndian(v + 24, static_cast<uint32_t>(perEntry), 2);
      for (size_t e = 0; e < entries; ++e) {
        size_t part = 0;
        for (size_t f = e * perEntry; f < std::min(lengths.size(), (e + 1) * perEntry); ++f)
          part += lengths[f];
        PutBigEndian(v + fixed + 2 * e, static_cast<uint32_t>(part), 2);
      }
      break;
    }
  }
  return bytes;
}

std::string SeekCaseName(const SeekCase& c) {
  static constexpr const char* kinds[] = {"xing", "xing_without_table", "without_header_frame",
                                          "vbri"};
  std::string name = c.Name;
  std::replace(name.begin(), name.end(), '-', '_');
  return name + "_" + kinds[static_cast<int>(c.Kind)];
}

// A run of `input` to the end limit `endMs` (0: none) into `recorder`, which holds it in its
// first block; with a seek to `seekMs` (none when 0) while it holds, the position right after
// the seek goes to `position`.
template <class Exports>
void PlayWithSeek(Exports& qv, QVHandle h, const fs::path& input, uint32_t endMs, uint32_t seekMs,
                  BlockRecorder& recorder, int32_t* position) {
  EXPECT_TRUE(qv.QVSetInputName(h, input.string().c_str()));
  EXPECT_TRUE(qv.QVOpen(h));
  EXPECT_TRUE(qv.QVInitStream(h));
  if (endMs != 0) {
    EXPECT_TRUE(qv.QVSetLimits(h, 0, endMs));
  }
  EXPECT_TRUE(qv.QVPlay(h));
  if (seekMs != 0) {
    EXPECT_TRUE(WaitFor([&] { return recorder.blockCount.load() >= 1; }));
    EXPECT_TRUE(qv.QVPause(h));
    recorder.Release();
    EXPECT_TRUE(qv.QVSetPos(h, seekMs));
    *position = qv.QVGetPos(h);
    EXPECT_TRUE(qv.QVResume(h));
  }
  EXPECT_EQ(WaitWhileRunning(qv, h), pmFinished);
  EXPECT_TRUE(qv.QVClose(h));
}

class VariableBitRateSeek : public VbrInputTest<SeekCase> {
 protected:
  void Reshape(std::vector<uint8_t>& bytes) override {
    bytes = WithHeader(std::move(bytes), GetParam().Kind);
    FrameMs = GetParam().FrameSamples * 1000.0 / GetParam().Rate;
  }
  bool HasTable() const {
    return GetParam().Kind == HeaderKind::XingTable || GetParam().Kind == HeaderKind::VbriTable;
  }
  // A run with one frame to a block, every block kept: a seek to `seekMs` (none when 0) while
  // it holds in its first frame, then on to the end limit `endMs`. The position right after
  // the seek goes to `position`.
  std::vector<std::vector<uint8_t>> Run(uint32_t seekMs, uint32_t endMs, int32_t* position) {
    BlockRecorder recorder;
    recorder.Install(*qv_, h_);
    recorder.holdAtBlock = seekMs != 0 ? 1 : -1;
    EXPECT_TRUE(qv_->QVSetBuffers(h_, 0, GetParam().FrameSamples * 4));
    PlayWithSeek(*qv_, h_, input_, endMs, seekMs, recorder, position);
    EXPECT_EQ(recorder.rate.load(), GetParam().Rate);
    std::lock_guard<std::mutex> guard(recorder.lock);
    return recorder.blocks;
  }

  double FrameMs = 0;
};

TEST_P(VariableBitRateSeek, LandsWhereTheTableSaysAndGoesOnWithTheWholeDecode) {
  int32_t unused = 0;
  const std::vector<std::vector<uint8_t>> whole = Run(0, 0, &unused);
  const auto frames = static_cast<int64_t>(whole.size());
  const double duration = frames * FrameMs;
  ASSERT_GT(duration, 19000.0);
  // Frames decoded after a seek begin whole once the reservoir, the overlap and the synthesis
  // history hold only frames read since.
  constexpr int64_t warmUp = 8;
  int landedOff = 0;    // seeks that land more than 1% away from the time sought
  int positionOff = 0;  // seeks after which the position is more than 1% from the landing
  // In the silence, the soft tone, the noise and the tones.
  const std::vector<uint32_t> times{1000, 4100, 7000, 9500, 12000, 15300, 18500};
  const int seeks = static_cast<int>(times.size());
  for (uint32_t asked : times) {
    SCOPED_TRACE(testing::Message() << "seek to " << asked << " ms");
    int32_t position = -1;
    const std::vector<std::vector<uint8_t>> run = Run(asked, 0, &position);
    ASSERT_FALSE(HasFailure());
    // The first frame, then those behind the frame the seek reached, to the end of the stream.
    const int64_t after = static_cast<int64_t>(run.size()) - 1;
    ASSERT_GT(after, warmUp);
    const int64_t resumed = frames - after;  // the first frame decoded after the seek
    for (int64_t i = warmUp; i < after; ++i)
      ASSERT_EQ(run[static_cast<size_t>(1 + i)], whole[static_cast<size_t>(resumed + i)])
          << "frame " << resumed + i;
    const double landed = resumed * FrameMs;
    landedOff += std::abs(landed - asked) > 0.01 * duration;
    positionOff += std::abs(position - landed) > 0.01 * duration;
  }
  // With a table every seek lands within 1%. Without one the mean frame length decides, and
  // this stream's bit rate swings so widely that it misses. Either way the position is that of
  // the frame reached.
  EXPECT_EQ(landedOff == 0, HasTable()) << landedOff << " seeks off";
  EXPECT_EQ(positionOff, 0) << "of " << seeks << " seeks";

  // The end frame counts on from the frame reached, as the position does: the run decodes the
  // frames from the position after the seek to the end limit, none when it landed beyond.
  for (uint32_t asked : {4100u, 9500u}) {
    SCOPED_TRACE(testing::Message() << "seek to " << asked << " ms, end 1.5 s later");
    const uint32_t end = asked + 1500;
    int32_t position = -1;
    const std::vector<std::vector<uint8_t>> limited = Run(asked, end, &position);
    const auto next = static_cast<int64_t>(std::ceil(position / FrameMs - 1e-9));
    EXPECT_EQ(static_cast<int64_t>(limited.size()) - 1,
              std::max<int64_t>(0, static_cast<int64_t>(end / FrameMs) - next + 1));
  }
}

// A seek into a damaged stretch: the search passes the damage to the first whole frame, and the
// position is that frame's, not the time sought.
class VariableBitRateSeekIntoDamage : public VariableBitRateSeek {};

TEST_P(VariableBitRateSeekIntoDamage, PositionIsTheFrameFoundBehindTheDamage) {
  std::vector<uint8_t> bytes = ReadBytes(input_);
  // The frames from 8.9 s to 10.6 s (in the noise) zeroed; the time sought lies 0.6 s in.
  std::vector<size_t> starts;
  for (size_t at = 0; at + 4 <= bytes.size(); at += Layer3FrameLength(bytes.data() + at))
    starts.push_back(at);
  const auto from = static_cast<size_t>(8900 / FrameMs);
  const auto whole = static_cast<size_t>(10600 / FrameMs);  // the first whole frame behind
  ASSERT_GT(starts.size(), whole);
  std::fill(bytes.begin() + static_cast<long>(starts[from]),
            bytes.begin() + static_cast<long>(starts[whole]), 0);
  WriteBytes(input_, bytes);
  int32_t unused = 0;
  const std::vector<std::vector<uint8_t>> clean = Run(0, 0, &unused);
  const auto frames = static_cast<int64_t>(clean.size());
  int32_t position = -1;
  const std::vector<std::vector<uint8_t>> run = Run(9500, 0, &position);
  // The seek lands inside the damage; the frames behind the first whole frame follow, to the
  // end of the stream.
  const int64_t after = static_cast<int64_t>(run.size()) - 1;
  const auto resumed = static_cast<int64_t>(whole) + 1;
  EXPECT_EQ(static_cast<int64_t>(starts.size()) - after, resumed);
  EXPECT_NEAR(position, resumed * FrameMs, 0.01 * frames * FrameMs);
  for (int64_t i = 8; i < after; ++i)
    ASSERT_EQ(run[static_cast<size_t>(1 + i)], clean[static_cast<size_t>(frames - after + i)])
        << "frame " << resumed + i;
}

INSTANTIATE_TEST_SUITE_P(
    Lame, VariableBitRateSeekIntoDamage,
    testing::Values(SeekCase{"seek-v2", HeaderKind::XingTable},
                    SeekCase{"seek-v0", HeaderKind::VbriTable},
                    SeekCase{"seek-v6-32k", HeaderKind::XingTable, 32000, 1152}),
    [](const testing::TestParamInfo<SeekCase>& info) { return SeekCaseName(info.param); });

// After a seek the position is that of the samples that follow: the position and the length
// of what the run then writes make the whole stream's length, within a frame, wherever the seek
// lands. The streams change their bit rate from frame to frame and carry no table of positions
// (a conformance stream that climbs from 32 to 320 kbit/s, one that switches between two rates,
// lame's streams without their header frame), so the mean frame length lands a seek far from
// the time sought; a constant bit rate stream is the control.
struct PositionCase {
  const char* Name;
  const char* Fixture;
  bool DropHeaderFrame;  // lame's stream without its "Xing" frame
  int32_t FrameSamples;
};

class PositionAfterSeek : public PlayerTest<ModuleLibrary>,
                          public testing::WithParamInterface<PositionCase> {
 protected:
  void SetUp() override {
    PlayerTest::SetUp();
    if (HasFatalFailure()) return;
    std::vector<uint8_t> bytes = ReadBytes(FixturePath(GetParam().Fixture));
    ASSERT_GT(bytes.size(), 4u);
    if (GetParam().DropHeaderFrame) bytes = WithHeader(std::move(bytes), HeaderKind::NoHeader);
    input_ = folder_.path() / "input.mp3";
    WriteBytes(input_, bytes);
  }
  // A run with one frame to a block, and a seek to `seekMs` (none when 0) while it holds in its
  // first block: the milliseconds of sound it writes, and the position right after the seek.
  double Run(uint32_t seekMs, int32_t* position) {
    BlockRecorder recorder;
    recorder.Install(*qv_, h_);
    recorder.holdAtBlock = seekMs != 0 ? 1 : -1;
    // 16-bit stereo.
    const int32_t frameBytes = GetParam().FrameSamples * 4;
    EXPECT_TRUE(qv_->QVSetBuffers(h_, 0, frameBytes));
    PlayWithSeek(*qv_, h_, input_, 0, seekMs, recorder, position);
    const int32_t rate = recorder.rate.load();
    EXPECT_GT(rate, 0);
    FrameMs = GetParam().FrameSamples * 1000.0 / rate;
    return static_cast<double>(recorder.Pcm().size()) / frameBytes * FrameMs;
  }

  fs::path input_;
  TempFolder folder_;
  double FrameMs = 0;
};

TEST_P(PositionAfterSeek, PositionAndTheSamplesThatFollowMakeTheWholeLength) {
  int32_t unused = 0;
  const double whole = Run(0, &unused);
  ASSERT_GT(whole, 40 * FrameMs);
  for (double part : {0.2, 0.4, 0.5, 0.6, 0.8}) {
    const auto asked = static_cast<uint32_t>(part * whole);
    SCOPED_TRACE(testing::Message() << "seek to " << asked << " ms of " << whole);
    int32_t position = -1;
    // The first frame, then what follows the seek.
    const double follows = Run(asked, &position) - FrameMs;
    ASSERT_GT(follows, 0.0);
    EXPECT_NEAR(position + follows, whole, FrameMs)
        << "position " << position << " ms, then " << follows << " ms of samples";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Streams, PositionAfterSeek,
    testing::Values(PositionCase{"rising_rate", "conformance/l3-he_44khz.bit", false, 1152},
                    PositionCase{"two_rates", "conformance/l3-test45.bit", false, 576},
                    PositionCase{"lame_v0", "vbr/seek-v0.mp3", true, 576},
                    PositionCase{"lame_v6_32k", "vbr/seek-v6-32k.mp3", true, 1152},
                    PositionCase{"constant_rate", "conformance/l3-si.bit", false, 1152}),
    [](const testing::TestParamInfo<PositionCase>& info) { return info.param.Name; });

INSTANTIATE_TEST_SUITE_P(Lame, VariableBitRateSeek, testing::ValuesIn(SeekCases()),
                         [](const testing::TestParamInfo<SeekCase>& info) {
                           return SeekCaseName(info.param);
                         });

}  // namespace
