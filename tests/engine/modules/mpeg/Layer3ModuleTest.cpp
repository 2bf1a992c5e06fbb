// Layer III streams converted to WAV files by teskdec.dll, loaded as a host loads it: every
// sample of the conformance streams in place, and the tagged fixture decoded whole.
#include <cstdlib>

#include "tests/engine/modules/mpeg/ModuleHost.h"
#include "tests/support/WavFile.h"

namespace {

// The samples of a WAV file's data chunk.
std::vector<int16_t> WavSamples(const std::filesystem::path& path, int32_t* rate) {
  const WavFile wav = ReadWavFile(path);
  if (!wav.valid) return {};
  *rate = static_cast<int32_t>(wav.sampleRate);
  return Samples(reinterpret_cast<const uint8_t*>(wav.data.data()), wav.data.size());
}

std::vector<int16_t> ConvertToWav(const std::filesystem::path& input,
                                  const std::filesystem::path& output, int32_t* rate) {
  ModuleLibrary module;
  EXPECT_TRUE(module.Loaded());
  if (!module.Loaded()) return {};
  const ModuleExports& qv = *module;
  const QVHandle h = qv.QVInitModule();
  EXPECT_TRUE(qv.QVSetInputMode(h, imFile));
  EXPECT_TRUE(qv.QVSetInputName(h, input.c_str()));
  EXPECT_TRUE(qv.QVSetOutputMode(h, omFile));
  EXPECT_TRUE(qv.QVSetOutputName(h, output.c_str()));
  EXPECT_TRUE(qv.QVOpen(h));
  EXPECT_TRUE(qv.QVInitStream(h));
  EXPECT_TRUE(qv.QVPlay(h));
  EXPECT_EQ(WaitWhileRunning(qv, h), pmFinished);
  EXPECT_EQ(qv.QVLastError(h), 0);
  EXPECT_TRUE(qv.QVClose(h));
  EXPECT_TRUE(qv.QVDeInitModule(h));
  return WavSamples(output, rate);
}

struct Stream {
  const char* Name;
  int Channels;
  int Rate;
  bool Mpeg1;
};

class Layer3ToWav : public testing::TestWithParam<Stream> {};

TEST_P(Layer3ToWav, EverySampleInPlace) {
  const Stream& s = GetParam();
  TempFolder folder;
  int32_t rate = 0;
  const std::vector<int16_t> out =
      ConvertToWav(VectorPath(std::string(s.Name) + ".bit"), folder.path() / "out.wav", &rate);
  EXPECT_EQ(rate, s.Rate);
  const std::vector<uint8_t> bytes = ReadBytes(VectorPath(std::string(s.Name) + ".pcm"));
  const std::vector<int16_t> reference = Samples(bytes.data(), bytes.size());
  const size_t frames = reference.size() / static_cast<size_t>(s.Channels);
  // The MPEG-1 references leave out the stream's last frame, which the module writes too.
  ASSERT_EQ(out.size() / 2, frames + (s.Mpeg1 ? 1152 : 0));
  size_t mismatches = 0;
  for (size_t f = 0; f < frames; ++f)
    for (int ch = 0; ch < 2; ++ch)
      if (std::abs(out[2 * f + static_cast<size_t>(ch)] -
                   reference[f * static_cast<size_t>(s.Channels) +
                             static_cast<size_t>(ch % s.Channels)]) > 1)
        ++mismatches;
  EXPECT_EQ(mismatches, 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Streams, Layer3ToWav,
    testing::Values(Stream{"l3-compl", 1, 48000, true}, Stream{"l3-he_44khz", 1, 44100, true},
                    Stream{"l3-si", 1, 44100, true}, Stream{"l3-si_huff", 1, 44100, true},
                    Stream{"M2L3_compl24", 1, 24000, false}, Stream{"M2L3_noise", 2, 22050, false}),
    [](const auto& info) {
      std::string name = info.param.Name;
      for (char& c : name)
        if (c == '-') c = '_';
      return name;
    });

// ID3v2 in front, ID3v1 at the end: all 41 frames of the fixture, nothing of the tags.
TEST(Layer3ToWavTags, TaggedStreamDecodesWhole) {
  TempFolder folder;
  int32_t rate = 0;
  const std::vector<int16_t> out =
      ConvertToWav(FixturePath("layer3/m1_44k_tags.mp3"), folder.path() / "t.wav", &rate);
  EXPECT_EQ(rate, 44100);
  EXPECT_EQ(out.size(), 41u * 1152 * 2);
}

}  // namespace
