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

  std::vector<uint8_t> bytes = ReadBytes(VectorPath(std::string(c.Name) + ".pcm"));
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

// Frames before the start of a run are read, not decoded, and keep the reservoir whole: from
// the second decoded granule's own slots on (once the overlap and the synthesis history have
// filled) the samples are the reference's.
TEST(Layer3SkippedFrames, ReservoirStaysWholeAcrossSkippedFrames) {
  for (const char* name : {"M2L3_noise", "l3-he_44khz"}) {
    const std::vector<uint8_t> bytes = ReadBytes(VectorPath(std::string(name) + ".bit"));
    std::vector<uint8_t> pcm = ReadBytes(VectorPath(std::string(name) + ".pcm"));
    MpegDecoder decoder;
    QVByteBool canSetPosition = 1;
    decoder.OpenInput(FileSource(VectorPath(std::string(name) + ".bit")), &canSetPosition);
    ASSERT_EQ(decoder.ReadFrame(), FrameRead);
    decoder.Rewind();
    decoder.DecoderSetup({});
    PcmCollector collector;
    decoder.SetBlockSink(&PcmCollector::Sink, &collector);
    const int skipped = 25;
    int frames = 0;
    for (;;) {
      FrameStatus status;
      try {
        status = decoder.ReadFrame();
      } catch (const ModuleFailure&) {
        break;
      }
      if (status == EndOfInput) break;
      if (status != FrameRead) continue;
      if (frames++ < skipped) {
        decoder.SkipFrame();
      } else {
        decoder.DecodeFrame();
      }
    }
    decoder.FlushPcm();
    const int channels = decoder.Header().Channels;
    const size_t perFrame = decoder.Header().Lsf ? 576 : 1152;
    const size_t referenceFrames = pcm.size() / 2 / static_cast<size_t>(channels);
    size_t mismatches = 0;
    for (size_t f = 1152; f + skipped * perFrame < referenceFrames; ++f) {
      for (int ch = 0; ch < 2; ++ch) {
        const size_t at = ((f + skipped * perFrame) * static_cast<size_t>(channels) + static_cast<size_t>(ch % channels)) * 2;
        const int reference = static_cast<int16_t>(pcm[at] | (pcm[at + 1] << 8));
        if (std::abs(reference - collector.Samples[2 * f + static_cast<size_t>(ch)]) > 1) ++mismatches;
      }
    }
    EXPECT_EQ(mismatches, 0u) << name;
    EXPECT_GT(collector.Samples.size(), 2 * perFrame * 10) << name;
  }
}

}  // namespace
