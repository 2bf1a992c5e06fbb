// The module converts each Layer I and II conformance stream through the plug-in interface,
// into a WAV file and through the output callbacks; every sample the stream yields arrives in
// place, within one step of the reference decoder's output.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <tuple>
#include <vector>

#include "tests/engine/modules/mpeg/ModuleHost.h"

namespace {

namespace fs = std::filesystem;

// Compares two-channel output with the reference, channel by channel, over `frames` frames of
// samples; returns the number of samples that differ by more than one step.
size_t CountMismatches(const std::vector<int16_t>& out, const std::vector<int16_t>& reference,
                       size_t sampleFrames) {
  size_t bad = 0;
  for (size_t i = 0; i < sampleFrames * 2; ++i) {
    const int diff = static_cast<int>(out[i]) - static_cast<int>(reference[i]);
    if (diff > 1 || diff < -1) ++bad;
  }
  return bad;
}

class OutputConversion : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(qv_.Loaded()) << dlerror();
    ASSERT_TRUE(qv_.AllBound());
    stream_ = ReadBytes(VectorPath(std::string(GetParam()) + ".bit"));
    const auto pcm = ReadBytes(VectorPath(std::string(GetParam()) + ".pcm"));
    reference_ = Samples(pcm.data(), pcm.size());
    layout_ = WalkFrames(stream_);
    ASSERT_GT(layout_.frames, 0);
    expectedSampleFrames_ = static_cast<size_t>(layout_.frames) * layout_.samplesPerFrame();
    ASSERT_GE(reference_.size(), expectedSampleFrames_ * 2);
  }

  // The host's calling order up to a prepared stream.
  QVHandle Prepare(int32_t outputMode, const std::string& outputName) {
    const QVHandle h = qv_->QVInitModule();
    EXPECT_NE(h, 0u);
    EXPECT_TRUE(qv_->QVSetInputMode(h, imFile));
    const std::string input = VectorPath(std::string(GetParam()) + ".bit").string();
    EXPECT_TRUE(qv_->QVSetInputName(h, input.c_str()));
    EXPECT_TRUE(qv_->QVSetOutputMode(h, outputMode));
    EXPECT_TRUE(qv_->QVSetOutputName(h, outputName.c_str()));
    EXPECT_TRUE(qv_->QVOpen(h));
    EXPECT_TRUE(qv_->QVInitStream(h));
    EXPECT_TRUE(qv_->QVSetLimits(h, 0, 0));
    return h;
  }

  ModuleLibrary qv_;
  std::vector<uint8_t> stream_;
  std::vector<int16_t> reference_;
  StreamLayout layout_;
  size_t expectedSampleFrames_ = 0;
};

TEST_P(OutputConversion, WavFileHoldsEveryFrameOfTheStream) {
  TempFolder folder;
  const fs::path wav = folder.path() / "out.wav";
  const QVHandle h = Prepare(omFile, wav.string());
  ASSERT_TRUE(qv_->QVPlay(h));
  EXPECT_EQ(WaitWhileRunning(*qv_, h), pmFinished);
  EXPECT_EQ(qv_->QVGetPlayerMode(h), pmOpen);
  EXPECT_EQ(qv_->QVLastError(h), 0);
  EXPECT_TRUE(qv_->QVClose(h));
  EXPECT_TRUE(qv_->QVDeInitModule(h));

  const auto file = ReadBytes(wav);
  const size_t dataBytes = expectedSampleFrames_ * 4;
  ASSERT_EQ(file.size(), 46 + dataBytes);
  const auto rate = static_cast<uint32_t>(layout_.rate);
  const uint8_t expectedHeader[46] = {'R',
                                      'I',
                                      'F',
                                      'F',
                                      static_cast<uint8_t>(38 + dataBytes),
                                      static_cast<uint8_t>((38 + dataBytes) >> 8),
                                      static_cast<uint8_t>((38 + dataBytes) >> 16),
                                      static_cast<uint8_t>((38 + dataBytes) >> 24),
                                      'W',
                                      'A',
                                      'V',
                                      'E',
                                      'f',
                                      'm',
                                      't',
                                      ' ',
                                      18,
                                      0,
                                      0,
                                      0,
                                      1,
                                      0,
                                      2,
                                      0,
                                      static_cast<uint8_t>(rate),
                                      static_cast<uint8_t>(rate >> 8),
                                      static_cast<uint8_t>(rate >> 16),
                                      0,
                                      static_cast<uint8_t>(rate * 4),
                                      static_cast<uint8_t>((rate * 4) >> 8),
                                      static_cast<uint8_t>((rate * 4) >> 16),
                                      0,
                                      4,
                                      0,
                                      16,
                                      0,
                                      0,
                                      0,
                                      'd',
                                      'a',
                                      't',
                                      'a',
                                      static_cast<uint8_t>(dataBytes),
                                      static_cast<uint8_t>(dataBytes >> 8),
                                      static_cast<uint8_t>(dataBytes >> 16),
                                      static_cast<uint8_t>(dataBytes >> 24)};
  EXPECT_EQ(std::vector<uint8_t>(file.begin(), file.begin() + 46),
            std::vector<uint8_t>(expectedHeader, expectedHeader + 46));
  const auto out = Samples(file.data() + 46, dataBytes);
  EXPECT_EQ(CountMismatches(out, reference_, expectedSampleFrames_), 0u);
}

struct CallbackRecord {
  std::mutex lock;
  std::vector<int> actions;
  std::vector<uint8_t> pcm;
  std::vector<int32_t> sizes;
  std::vector<void*> addresses;
  int32_t bits = 0, channels = 0, rate = 0;
};

QVBool WINAPI RecordAction(QVByteBool init, QVUserValue user) {
  auto* record = reinterpret_cast<CallbackRecord*>(user);
  std::lock_guard<std::mutex> guard(record->lock);
  record->actions.push_back(init);
  return TRUE;
}

QVBool WINAPI RecordData(void* samples, int32_t bits, int32_t channels, int32_t rate, int32_t size,
                         QVUserValue user) {
  auto* record = reinterpret_cast<CallbackRecord*>(user);
  std::lock_guard<std::mutex> guard(record->lock);
  auto* bytes = static_cast<uint8_t*>(samples);
  record->pcm.insert(record->pcm.end(), bytes, bytes + size);
  record->sizes.push_back(size);
  record->addresses.push_back(samples);
  record->bits = bits;
  record->channels = channels;
  record->rate = rate;
  return TRUE;
}

TEST_P(OutputConversion, CallbacksReceiveStartBlocksAndEnd) {
  CallbackRecord record;
  const QVHandle h = Prepare(omCallback, "");
  ASSERT_TRUE(qv_->QVSetOutCB(h, RecordData, RecordAction, reinterpret_cast<QVUserValue>(&record)));
  ASSERT_TRUE(qv_->QVPlay(h));
  EXPECT_EQ(WaitWhileRunning(*qv_, h), pmFinished);
  EXPECT_TRUE(qv_->QVClose(h));
  EXPECT_TRUE(qv_->QVDeInitModule(h));

  std::lock_guard<std::mutex> guard(record.lock);
  EXPECT_EQ(record.actions, (std::vector<int>{1, 0}));
  EXPECT_EQ(record.bits, 16);
  EXPECT_EQ(record.channels, 2);
  EXPECT_EQ(record.rate, layout_.rate);
  ASSERT_EQ(record.pcm.size(), expectedSampleFrames_ * 4);
  // Full blocks, then the rest of the stream.
  for (size_t i = 0; i + 1 < record.sizes.size(); ++i) EXPECT_EQ(record.sizes[i], 16384);
  for (void* address : record.addresses) EXPECT_EQ(address, record.addresses.front());
  const auto out = Samples(record.pcm.data(), record.pcm.size());
  EXPECT_EQ(CountMismatches(out, reference_, expectedSampleFrames_), 0u);
}

INSTANTIATE_TEST_SUITE_P(Vectors, OutputConversion,
                         ::testing::Values("l1-fl1", "l1-fl2", "l1-fl3", "l2-fl10", "l2-fl11",
                                           "l2-fl12"),
                         [](const auto& info) {
                           std::string name = info.param;
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

// Layer III streams take the same road; a one-channel stream comes out on both channels.
class Layer3Conversion : public ::testing::TestWithParam<std::tuple<const char*, int, int>> {};

TEST_P(Layer3Conversion, EveryReferenceSampleArrivesInPlace) {
  const auto [name, channels, samplesPerFrame] = GetParam();
  ModuleLibrary qv;
  ASSERT_TRUE(qv.Loaded()) << dlerror();
  const QVHandle h = qv->QVInitModule();
  BlockRecorder recorder;
  recorder.Install(*qv, h);
  const std::string input = VectorPath(std::string(name) + ".bit").string();
  ASSERT_TRUE(qv->QVSetInputName(h, input.c_str()));
  ASSERT_TRUE(qv->QVOpen(h));
  ASSERT_TRUE(qv->QVInitStream(h));
  ASSERT_TRUE(qv->QVPlay(h));
  EXPECT_EQ(WaitWhileRunning(*qv, h), pmFinished);
  EXPECT_EQ(qv->QVLastError(h), 0);
  EXPECT_TRUE(qv->QVDeInitModule(h));

  const auto pcm = recorder.Pcm();
  const auto out = Samples(pcm.data(), pcm.size());
  const auto referenceBytes = ReadBytes(VectorPath(std::string(name) + ".pcm"));
  const auto reference = Samples(referenceBytes.data(), referenceBytes.size());
  const size_t sampleFrames = reference.size() / static_cast<size_t>(channels);
  ASSERT_GE(out.size() / 2, sampleFrames);
  EXPECT_EQ(out.size() / 2 % static_cast<size_t>(samplesPerFrame), 0u);
  size_t bad = 0;
  for (size_t i = 0; i < sampleFrames; ++i)
    for (int c = 0; c < 2; ++c) {
      const int expected = reference[i * static_cast<size_t>(channels) + (channels == 2 ? c : 0)];
      const int diff = out[2 * i + static_cast<size_t>(c)] - expected;
      if (diff > 1 || diff < -1) ++bad;
    }
  EXPECT_EQ(bad, 0u);
}

INSTANTIATE_TEST_SUITE_P(Vectors, Layer3Conversion,
                         ::testing::Values(std::make_tuple("l3-si", 1, 1152),
                                           std::make_tuple("M2L3_compl24", 1, 576),
                                           std::make_tuple("M2L3_noise", 2, 576)),
                         [](const auto& info) {
                           std::string name = std::get<0>(info.param);
                           for (char& c : name)
                             if (c == '-') c = '_';
                           return name;
                         });

}  // namespace
