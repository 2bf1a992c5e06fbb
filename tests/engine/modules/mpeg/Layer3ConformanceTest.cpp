// Layer III decoding of the conformance streams, every sample of the whole stream.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpegtest;

namespace {

struct Conformance {
  const char* Name;
  int Rate;
  int Channels;
};

class Layer3Conformance : public testing::TestWithParam<Conformance> {};

TEST_P(Layer3Conformance, EverySampleWithinOneStep) {
  const Conformance& c = GetParam();
  MpegDecoder decoder;
  RunResult run = DecodeAll(decoder, FileSource(VectorPath(std::string(c.Name) + ".bit")));
  ASSERT_EQ(run.First, FrameRead);
  EXPECT_EQ(decoder.Header().Layer, 3);
  EXPECT_EQ(decoder.Header().SampleRate(), c.Rate);

  std::vector<uint8_t> bytes = ReadWholeFile(VectorPath(std::string(c.Name) + ".pcm"));
  const size_t referenceFrames = bytes.size() / 2 / static_cast<size_t>(c.Channels);
  const size_t perFrame = decoder.Header().Lsf ? 576 : 1152;
  ASSERT_EQ(run.Samples.size(), run.Frames * perFrame * 2);
  // The references of the MPEG-1 streams end one frame early: their decoder leaves out the last
  // frame, which the module decodes like every other.
  const size_t extra = run.Samples.size() / 2 - referenceFrames;
  ASSERT_GE(run.Samples.size() / 2, referenceFrames);
  EXPECT_TRUE(extra == 0 || (extra == perFrame && !decoder.Header().Lsf)) << extra;
  size_t worst = 0;
  size_t mismatches = 0;
  for (size_t frame = 0; frame < referenceFrames; ++frame) {
    for (int ch = 0; ch < 2; ++ch) {
      const size_t at = (frame * static_cast<size_t>(c.Channels) + static_cast<size_t>(ch % c.Channels)) * 2;
      const int reference = static_cast<int16_t>(bytes[at] | (bytes[at + 1] << 8));
      const int ours = run.Samples[2 * frame + static_cast<size_t>(ch)];
      const size_t difference = static_cast<size_t>(std::abs(reference - ours));
      if (difference > worst) worst = difference;
      if (difference > 1 && ++mismatches <= 5)
        ADD_FAILURE() << "sample frame " << frame << " channel " << ch << ": " << ours << " vs " << reference;
    }
  }
  EXPECT_LE(worst, 1u);
  EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(Streams, Layer3Conformance,
                         testing::Values(Conformance{"l3-compl", 48000, 1},
                                         Conformance{"l3-he_44khz", 44100, 1},
                                         Conformance{"l3-si", 44100, 1},
                                         Conformance{"l3-si_huff", 44100, 1},
                                         Conformance{"M2L3_compl24", 24000, 1},
                                         Conformance{"M2L3_noise", 22050, 2}),
                         [](const testing::TestParamInfo<Conformance>& info) {
                           std::string name = info.param.Name;
                           for (char& ch : name)
                             if (ch == '-') ch = '_';
                           return name;
                         });

}  // namespace
