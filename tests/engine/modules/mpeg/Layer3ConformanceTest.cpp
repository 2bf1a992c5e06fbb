// Layer III conformance streams decoded from a later start (the whole streams:
// ConformanceTest.cpp).
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

// Frames before the start of a run are read, not decoded, and keep the reservoir whole: from
// the second decoded granule's own slots on (once the overlap and the synthesis history have
// filled) the samples are the reference's.
TEST(Layer3SkippedFrames, ReservoirStaysWholeAcrossSkippedFrames) {
  for (const char* name : {"M2L3_noise", "l3-he_44khz"}) {
    const std::vector<uint8_t> bytes = ReadBytes(VectorPath(std::string(name) + ".bit"));
    std::vector<uint8_t> pcm = ReadBytes(VectorPath(std::string(name) + ".pcm"));
    const int skipped = 25;
    MpegStream stream;
    MpegDecoder decoder;
    // Frames 0 to 24 are read and skipped.
    RunResult run = DecodeAll(stream, decoder, FileSource(VectorPath(std::string(name) + ".bit")),
                              {}, {skipped, 0xFFFFFFFF});
    EXPECT_EQ(run.Failure, -1) << name;
    const int channels = stream.Header().Channels;
    const size_t perFrame = stream.Header().Lsf ? 576 : 1152;
    const size_t referenceFrames = pcm.size() / 2 / static_cast<size_t>(channels);
    size_t mismatches = 0;
    for (size_t f = 1152; f + skipped * perFrame < referenceFrames; ++f) {
      for (int ch = 0; ch < 2; ++ch) {
        const size_t at = ((f + skipped * perFrame) * static_cast<size_t>(channels) +
                           static_cast<size_t>(ch % channels)) *
                          2;
        const int reference = static_cast<int16_t>(pcm[at] | (pcm[at + 1] << 8));
        if (std::abs(reference - run.Samples[2 * f + static_cast<size_t>(ch)]) > 1) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0u) << name;
    EXPECT_GT(run.Samples.size(), 2 * perFrame * 10) << name;
  }
}

}  // namespace
