// The SSE2 kernels, which processors without AVX2 and FMA run, checked on any machine through a
// decoder set up with their table: the conformance streams through them stay within one step
// of their references at full rate, at half rate they stay within one step of the chosen
// kernels, and a slot's two channels in one call still equal the two channel calls.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "engine/modules/mpeg/PolyphaseSynthesis.h"
#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

DecoderSettings Baseline(DecoderSettings settings = {}) {
  settings.BaselineKernels = true;
  return settings;
}

struct Stream {
  const char* Name;
  int Channels;  // in the reference
};

class BaselineKernelStreams : public testing::TestWithParam<Stream> {};

TEST_P(BaselineKernelStreams, EverySampleWithinOneStepOfTheReference) {
  const Stream& s = GetParam();
  MpegDecoder decoder;
  const RunResult run =
      DecodeAll(decoder, FileSource(VectorPath(std::string(s.Name) + ".bit")), Baseline());
  ASSERT_EQ(run.First, FrameRead);
  const std::vector<uint8_t> bytes = ReadBytes(VectorPath(std::string(s.Name) + ".pcm"));
  // The references hold the stream's own channels; some end a frame before the stream does,
  // some run on past it.
  const size_t referenceFrames = bytes.size() / 2 / static_cast<size_t>(s.Channels);
  const size_t frames = std::min(referenceFrames, run.Samples.size() / 2);
  ASSERT_GT(frames, 1000u);
  size_t mismatches = 0;
  for (size_t frame = 0; frame < frames; ++frame)
    for (int ch = 0; ch < 2; ++ch) {
      const size_t at =
          (frame * static_cast<size_t>(s.Channels) + static_cast<size_t>(ch % s.Channels)) * 2;
      const int reference = static_cast<int16_t>(bytes[at] | (bytes[at + 1] << 8));
      const int ours = run.Samples[2 * frame + static_cast<size_t>(ch)];
      if (std::abs(reference - ours) > 1 && ++mismatches <= 5)
        ADD_FAILURE() << "frame " << frame << " channel " << ch << ": " << ours << " vs "
                      << reference;
    }
  EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(Conformance, BaselineKernelStreams,
                         testing::Values(Stream{"l1-fl2", 2}, Stream{"l2-fl11", 2},
                                         Stream{"l2-fl12", 2}, Stream{"l3-compl", 1},
                                         Stream{"l3-he_44khz", 1}, Stream{"l3-si", 1},
                                         Stream{"M2L3_compl24", 1}, Stream{"M2L3_noise", 2}),
                         [](const testing::TestParamInfo<Stream>& info) {
                           std::string name = info.param.Name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

TEST(BaselineKernels, HalfRateWithinOneStepOfTheChosenKernels) {
  for (const char* name : {"l2-fl11", "M2L3_noise", "l3-he_44khz"}) {
    DecoderSettings half;
    half.DownsampleLevel = 1;
    MpegDecoder chosenDecoder;
    const RunResult chosen =
        DecodeAll(chosenDecoder, FileSource(VectorPath(std::string(name) + ".bit")), half);
    MpegDecoder baselineDecoder;
    const RunResult baseline = DecodeAll(
        baselineDecoder, FileSource(VectorPath(std::string(name) + ".bit")), Baseline(half));
    ASSERT_EQ(baseline.Samples.size(), chosen.Samples.size()) << name;
    ASSERT_FALSE(chosen.Samples.empty()) << name;
    for (size_t i = 0; i < chosen.Samples.size(); ++i)
      ASSERT_LE(std::abs(chosen.Samples[i] - baseline.Samples[i]), 1) << name << " sample " << i;
  }
}

// Each entry of a table, by name, to compare two tables.
std::vector<std::pair<const char*, const void*>> Entries(const DecoderKernels& k) {
  return {{"Dct32Pair", reinterpret_cast<const void*>(k.Dct32Pair)},
          {"WindowSums", reinterpret_cast<const void*>(k.WindowSums)},
          {"WindowSumsPair", reinterpret_cast<const void*>(k.WindowSumsPair)},
          {"StoreFrames", reinterpret_cast<const void*>(k.StoreFrames)},
          {"Antialias", reinterpret_cast<const void*>(k.Antialias)},
          {"HybridSynthesis", reinterpret_cast<const void*>(k.HybridSynthesis)}};
}

TEST(BaselineKernels, EachSetUpRunsTheTableItAskedFor) {
  MpegDecoder decoder;
  PcmBlock pcm;
  // Baseline, best, baseline again: a set-up replaces the table of the one before.
  for (const bool baseline : {true, false, true}) {
    DecoderSettings settings;
    settings.BaselineKernels = baseline;
    decoder.DecoderSetup(settings, pcm);
    const auto expected = Entries(ChooseKernels(baseline));
    const auto held = Entries(decoder.Kernels());
    for (size_t i = 0; i < expected.size(); ++i) {
      EXPECT_NE(held[i].second, nullptr) << held[i].first;
      EXPECT_EQ(held[i].second, expected[i].second) << held[i].first << " baseline " << baseline;
    }
  }
}

TEST(BaselineKernels, TheBaselineTableHoldsOtherFormsWhereTheProcessorHasAvx2AndFma) {
  __builtin_cpu_init();
  if (!__builtin_cpu_supports("avx2") || !__builtin_cpu_supports("fma"))
    GTEST_SKIP() << "this processor runs the SSE2 forms only";
  const auto best = Entries(ChooseKernels(false));
  const auto baseline = Entries(ChooseKernels(true));
  for (size_t i = 0; i < best.size(); ++i)
    EXPECT_NE(best[i].second, baseline[i].second) << best[i].first;
}

TEST(BaselineKernels, BothChannelsInOneCallEqualTheTwoChannelCalls) {
  const DecoderKernels baseline = ChooseKernels(true);
  EqualizerGains gains[2];
  PolyphaseSynthesis pair(gains[0], baseline);
  PolyphaseSynthesis single(gains[1], baseline);
  for (PolyphaseSynthesis* s : {&pair, &single}) {
    s->BuildSynthesisTables(32768);
    s->ClearHistory();
  }
  std::mt19937 random(9);
  std::uniform_real_distribution<double> value(-1.5, 1.5);
  std::vector<uint8_t> a(128), b(128);
  for (int n = 0; n < 60; ++n) {
    double l1[32], r1[32], l2[32], r2[32];
    for (int k = 0; k < 32; ++k) {
      l1[k] = l2[k] = value(random);
      r1[k] = r2[k] = value(random);
    }
    uint32_t pairFill = 0, copy = 0, fill = 0;
    pair.SynthesizeSlot(l1, r1, a.data(), &pairFill);
    single.SynthesizeChannel(l2, 0, b.data(), &copy);
    single.SynthesizeChannel(r2, 1, b.data(), &fill);
    ASSERT_EQ(a, b) << "slot " << n;
  }
}

}  // namespace
