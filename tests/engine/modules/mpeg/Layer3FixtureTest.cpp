// Layer III streams made with lame (tests/fixtures/layer3/make-fixtures.sh) against ffmpeg's
// decoding of them, kept as a compact reference: a window of samples and the RMS envelope of
// the whole stream. ffmpeg drops the encoder delay and lame's tag frame, so the comparison
// first finds the offset at which the window matches. ffmpeg's decoder rounds differently
// and is not a conformance reference, so the match allows small differences: an RMS
// difference of 2 and a peak of 16 steps over the window, 4 steps in the RMS of each block.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

struct Reference {
  uint32_t MpegFrames = 0;
  uint32_t SamplesPerFrame = 0;
  uint32_t WindowStart = 0;
  std::vector<int16_t> Window;  // interleaved, two channels
  uint32_t BlockLength = 0;
  std::vector<uint16_t> Envelope;  // RMS per block and channel
};

uint32_t U32(const std::vector<uint8_t>& b, size_t& at) {
  uint32_t v =
      b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<uint32_t>(b[at + 3]) << 24);
  at += 4;
  return v;
}

uint16_t U16(const std::vector<uint8_t>& b, size_t& at) {
  uint16_t v = static_cast<uint16_t>(b[at] | (b[at + 1] << 8));
  at += 2;
  return v;
}

Reference LoadReference(const std::string& path) {
  std::vector<uint8_t> b = ReadBytes(path);
  Reference r;
  if (b.size() < 20 || std::memcmp(b.data(), "L3RF", 4) != 0) return r;
  size_t at = 4;
  r.MpegFrames = U32(b, at);
  r.SamplesPerFrame = U32(b, at);
  r.WindowStart = U32(b, at);
  uint32_t window = U32(b, at);
  for (uint32_t i = 0; i < 2 * window; ++i) r.Window.push_back(static_cast<int16_t>(U16(b, at)));
  r.BlockLength = U32(b, at);
  uint32_t blocks = U32(b, at);
  for (uint32_t i = 0; i < 2 * blocks; ++i) r.Envelope.push_back(U16(b, at));
  return r;
}

struct Fixture {
  const char* Name;
  int Rate;
  int Channels;
  int EnvelopeTolerance = 4;
};

class Layer3Fixtures : public testing::TestWithParam<Fixture> {};

TEST_P(Layer3Fixtures, DecodesWholeAndCloseToReference) {
  const Fixture& f = GetParam();
  const std::string base = FixturePath(std::string("layer3/") + f.Name).string();
  Reference ref = LoadReference(base + ".ref");
  ASSERT_GT(ref.MpegFrames, 0u) << "reference missing";

  MpegStream stream;
  MpegDecoder decoder;
  RunResult run = DecodeAll(stream, decoder, FileSource(base + ".mp3"));
  ASSERT_EQ(run.First, FrameRead);
  EXPECT_EQ(stream.Header().Layer, 3);
  EXPECT_EQ(stream.Header().SampleRate(), f.Rate);
  EXPECT_EQ(stream.Header().Channels, f.Channels);

  // Whole: every frame of the stream decoded, each to its full length.
  EXPECT_EQ(static_cast<uint32_t>(run.Frames), ref.MpegFrames);
  ASSERT_EQ(run.Samples.size(), static_cast<size_t>(ref.MpegFrames) * ref.SamplesPerFrame * 2);
  const size_t ours = run.Samples.size() / 2;

  // The offset at which the window matches best (ffmpeg removes 1105 to 3000 leading samples).
  const size_t window = ref.Window.size() / 2;
  double bestError = 1e300;
  size_t best = 0;
  for (size_t offset = 0; offset <= 4000 && ref.WindowStart + offset + window <= ours; ++offset) {
    double error = 0.0;
    for (size_t i = 0; i < 2 * window; i += 7) {
      double d = run.Samples[2 * (ref.WindowStart + offset) + i] - ref.Window[i];
      error += d * d;
    }
    if (error < bestError) {
      bestError = error;
      best = offset;
    }
  }
  double sum = 0.0;
  int peak = 0;
  for (size_t i = 0; i < 2 * window; ++i) {
    int d = std::abs(run.Samples[2 * (ref.WindowStart + best) + i] - ref.Window[i]);
    sum += static_cast<double>(d) * d;
    peak = d > peak ? d : peak;
  }
  const double rms = std::sqrt(sum / static_cast<double>(2 * window));
  EXPECT_LE(rms, 2.0) << "offset " << best;
  EXPECT_LE(peak, 16) << "offset " << best;

  // The envelope of the whole stream, so that no stretch is lost, silenced or misplaced.
  const size_t blocks = ref.Envelope.size() / 2;
  int worst = 0;
  for (size_t b = 0; b < blocks; ++b) {
    for (size_t ch = 0; ch < 2; ++ch) {
      size_t from = best + b * ref.BlockLength;
      if (from + ref.BlockLength > ours) continue;
      double energy = 0.0;
      for (size_t i = 0; i < ref.BlockLength; ++i) {
        double v = run.Samples[2 * (from + i) + ch];
        energy += v * v;
      }
      int level = static_cast<int>(std::lround(std::sqrt(energy / ref.BlockLength)));
      int d = std::abs(level - ref.Envelope[2 * b + ch]);
      worst = d > worst ? d : worst;
    }
  }
  EXPECT_LE(worst, f.EnvelopeTolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Lame, Layer3Fixtures,
    testing::Values(Fixture{"m1_32k_mono", 32000, 1}, Fixture{"m1_44k_stereo", 44100, 2},
                    Fixture{"m1_48k_joint", 48000, 2}, Fixture{"m1_44k_attacks", 44100, 1},
                    Fixture{"m1_44k_vbr", 44100, 2}, Fixture{"m1_44k_tags", 44100, 2},
                    Fixture{"m2_16k_mono", 16000, 1}, Fixture{"m2_22k_joint", 22050, 2},
                    // ffmpeg (and lame) end long band 17 at 24 kHz on line
                    // 330, ISO/IEC 13818-3 and its conformance stream on 332:
                    // the lines between get another band's gain.
                    Fixture{"m2_24k_stereo", 24000, 2, 128}, Fixture{"m25_8k_mono", 8000, 1},
                    Fixture{"m25_11k_joint", 11025, 2}, Fixture{"m25_12k_stereo", 12000, 2}),
    [](const testing::TestParamInfo<Fixture>& info) { return std::string(info.param.Name); });

}  // namespace
