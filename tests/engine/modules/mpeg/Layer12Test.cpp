// Layer I and II decoding against the conformance streams, and the allocation and
// requantisation rules that the streams do not reach.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpegtest;

namespace {

struct Conformance {
  const char* Name;
  int Layer;
  int Rate;
};

class Layer12Conformance : public testing::TestWithParam<Conformance> {};

TEST_P(Layer12Conformance, EverySampleWithinOneStep) {
  const Conformance& c = GetParam();
  MpegDecoder decoder;
  RunResult run = DecodeAll(decoder, FileSource(VectorPath(std::string(c.Name) + ".bit")));
  ASSERT_EQ(run.First, FrameRead);
  EXPECT_EQ(decoder.Header().Layer, c.Layer);
  EXPECT_EQ(decoder.Header().SampleRate(), c.Rate);

  std::vector<uint8_t> bytes = ReadWholeFile(VectorPath(std::string(c.Name) + ".pcm"));
  const size_t perFrame = c.Layer == 1 ? 384 : 1152;
  ASSERT_EQ(run.Samples.size(), run.Frames * perFrame * 2);
  ASSERT_LE(run.Samples.size() * 2, bytes.size());
  size_t worst = 0;
  size_t mismatches = 0;
  for (size_t i = 0; i < run.Samples.size(); ++i) {
    const int reference = static_cast<int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    const size_t difference = static_cast<size_t>(std::abs(reference - run.Samples[i]));
    if (difference > worst) worst = difference;
    if (difference > 1 && ++mismatches <= 5)
      ADD_FAILURE() << "sample " << i << ": " << run.Samples[i] << " vs " << reference;
  }
  EXPECT_LE(worst, 1u);
}

INSTANTIATE_TEST_SUITE_P(Streams, Layer12Conformance,
                         testing::Values(Conformance{"l1-fl1", 1, 32000},
                                         Conformance{"l1-fl2", 1, 44100},
                                         Conformance{"l1-fl3", 1, 48000},
                                         Conformance{"l2-fl10", 2, 32000},
                                         Conformance{"l2-fl11", 2, 44100},
                                         Conformance{"l2-fl12", 2, 48000}),
                         [](const testing::TestParamInfo<Conformance>& info) {
                           std::string name = info.param.Name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

}  // namespace
