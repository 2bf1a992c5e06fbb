// Every conformance stream decoded whole through the decoder core: every frame in place and
// every sample within one step of the reference.
#include <gtest/gtest.h>

#include <cstdlib>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

struct Conformance {
  const char* Name;
  int Layer;
  int Rate;
};

class ConformanceStreams : public testing::TestWithParam<Conformance> {};

// The references hold each frame in that frame's own channel count (l3-he_mode changes it every
// ten frames); the module writes two channels, a one-channel frame on both.
TEST_P(ConformanceStreams, EveryFrameInPlaceWithinOneStep) {
  const Conformance& c = GetParam();
  MpegStream stream;
  MpegDecoder decoder;
  PcmBlock pcm;
  DecoderSession session(stream, decoder, pcm);
  PcmCollector collector;
  ASSERT_EQ(session.Open(FileSource(VectorPath(std::string(c.Name) + ".bit")), {},
                         &PcmCollector::Sink, &collector),
            FrameRead);
  std::vector<int> channels;  // of each decoded frame
  StepOutcome other = StepOutcome::Decoded;
  const DecodeEnd end = session.DecodeToEnd({}, [&](const StepResult& step, FrameRange&) {
    other = step.Outcome;
    if (other != StepOutcome::Decoded) return false;
    channels.push_back(step.Header.Channels);
    return true;
  });
  ASSERT_EQ(other, StepOutcome::Decoded) << "frame " << channels.size();
  ASSERT_EQ(end.Last.Outcome, StepOutcome::EndOfInput);
  pcm.Flush();
  EXPECT_EQ(stream.Header().Layer, c.Layer);
  EXPECT_EQ(stream.Header().SampleRate(), c.Rate);

  const size_t perFrame = static_cast<size_t>(stream.Header().SamplesPerFrame());
  ASSERT_EQ(collector.Samples.size(), channels.size() * perFrame * 2);
  const std::vector<uint8_t> bytes = ReadBytes(VectorPath(std::string(c.Name) + ".pcm"));
  const std::vector<int16_t> reference = Samples(bytes.data(), bytes.size());
  size_t at = 0;  // in the reference
  size_t compared = 0;
  size_t mismatches = 0;
  int worst = 0;
  for (size_t frame = 0; frame < channels.size(); ++frame) {
    const size_t width = static_cast<size_t>(channels[frame]);
    // The references of the MPEG-1 Layer III streams end one frame early: their decoder leaves
    // out the last frame.
    if (at + perFrame * width > reference.size()) {
      EXPECT_TRUE(c.Layer == 3 && !stream.Header().Lsf && frame + 1 == channels.size())
          << "reference ends at frame " << frame << " of " << channels.size();
      break;
    }
    for (size_t i = 0; i < perFrame; ++i) {
      for (size_t ch = 0; ch < 2; ++ch) {
        const int expected = reference[at + i * width + ch % width];
        const int ours = collector.Samples[2 * (frame * perFrame + i) + ch];
        const int difference = std::abs(expected - ours);
        if (difference > worst) worst = difference;
        if (difference > 1 && ++mismatches <= 5)
          ADD_FAILURE() << "frame " << frame << " sample " << i << " channel " << ch << ": " << ours
                        << " vs " << expected;
      }
    }
    at += perFrame * width;
    ++compared;
  }
  EXPECT_GE(compared + 1, channels.size());
  EXPECT_LE(worst, 1);
  EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, ConformanceStreams,
    testing::Values(Conformance{"l1-fl1", 1, 32000}, Conformance{"l1-fl2", 1, 44100},
                    Conformance{"l1-fl3", 1, 48000}, Conformance{"l2-fl10", 2, 32000},
                    Conformance{"l2-fl11", 2, 44100}, Conformance{"l2-fl12", 2, 48000},
                    Conformance{"l3-compl", 3, 48000}, Conformance{"l3-he_44khz", 3, 44100},
                    Conformance{"l3-he_mode", 3, 44100}, Conformance{"l3-si", 3, 44100},
                    Conformance{"l3-si_huff", 3, 44100}, Conformance{"l3-test45", 3, 22050},
                    Conformance{"M2L3_compl24", 3, 24000}, Conformance{"M2L3_noise", 3, 22050}),
    [](const testing::TestParamInfo<Conformance>& info) {
      std::string name = info.param.Name;
      for (char& ch : name)
        if (ch == '-') ch = '_';
      return name;
    });

}  // namespace
