// Both modules' code linked into one program: an MPEG stream and a Windows Media Audio file
// converted to WAV files at the same time, each through its module's frame, as the exports
// drive it. Neither module's record, output or error code reaches the other's.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/mpeg/MpegModule.h"
#include "engine/modules/wma/WmaModule.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/support/WavFile.h"

namespace {

// One conversion through a module's frame: set up and started by Start, ended by Finish.
class Conversion {
 public:
  Conversion(DecoderModule& module, const std::filesystem::path& input, std::string output)
      : module_(module), input_(input.string()), output_(std::move(output)) {}

  void Start() {
    player_ = module_.InitModule();
    ASSERT_NE(player_, nullptr);
    ASSERT_TRUE(module_.SetInputName(*player_, input_.c_str()));
    ASSERT_TRUE(module_.Open(*player_));
    ASSERT_TRUE(module_.InitStream(*player_));
    ASSERT_TRUE(module_.SetOutputMode(*player_, omFile));
    ASSERT_TRUE(module_.SetOutputName(*player_, output_.c_str()));
    ASSERT_TRUE(module_.SetLimits(*player_, 0, 0));
    ASSERT_TRUE(module_.Play(*player_));
  }

  // Waits for the run's end; the mode it ended in.
  int32_t Finish() {
    int32_t mode = -1;
    EXPECT_TRUE(WaitFor([&] {
      mode = module_.GetPlayerMode(*player_);
      return mode != pmPlaying && mode != pmPaused;
    }));
    return mode;
  }

  int32_t Code() { return module_.LastError(*player_); }

  ~Conversion() {
    if (player_ == nullptr) return;
    EXPECT_TRUE(module_.Close(*player_));
    EXPECT_TRUE(module_.DeInitModule(*player_));
  }

 private:
  DecoderModule& module_;
  const std::string input_;
  const std::string output_;
  ModulePlayer* player_ = nullptr;
};

std::vector<int16_t> WavSamples(const std::string& path, uint32_t* rate) {
  const WavFile wav = ReadWavFile(path);
  EXPECT_TRUE(wav.valid) << path;
  *rate = wav.sampleRate;
  return Samples(reinterpret_cast<const uint8_t*>(wav.data.data()), wav.data.size());
}

TEST(ModulesInOneProgram, ConvertAnMpegStreamAndAWmaFileAtTheSameTime) {
  TempFolder folder;
  const std::string mpegWav = folder.File("mpeg.wav");
  const std::string wmaWav = folder.File("wma.wav");
  {
    Conversion mpeg(mpeg::MpegModule::Instance(), VectorPath("l3-si.bit"), mpegWav);
    Conversion wma(wma::WmaModule::Instance(), FixturePath("wma/v2-8k-mono.wma"), wmaWav);
    ASSERT_NO_FATAL_FAILURE(mpeg.Start());
    ASSERT_NO_FATAL_FAILURE(wma.Start());
    EXPECT_EQ(mpeg.Finish(), pmFinished);
    EXPECT_EQ(wma.Finish(), pmFinished);
    EXPECT_EQ(mpeg.Code(), 0);
    EXPECT_EQ(wma.Code(), 0);
  }

  // The MPEG stream: two channels of the mono reference, within one step, and the stream's last
  // frame, which the reference leaves out.
  uint32_t rate = 0;
  const std::vector<int16_t> mpegOut = WavSamples(mpegWav, &rate);
  EXPECT_EQ(rate, 44100u);
  const std::vector<uint8_t> mpegBytes = ReadBytes(VectorPath("l3-si.pcm"));
  const std::vector<int16_t> mpegReference = Samples(mpegBytes.data(), mpegBytes.size());
  ASSERT_EQ(mpegOut.size(), 2 * (mpegReference.size() + 1152));
  size_t mismatches = 0;
  for (size_t i = 0; i < mpegReference.size(); ++i)
    for (size_t channel = 0; channel < 2; ++channel)
      if (std::abs(mpegOut[2 * i + channel] - mpegReference[i]) > 1) ++mismatches;
  EXPECT_EQ(mismatches, 0u);

  // The WMA file: the SDK's samples exactly, at the file's own rate.
  const std::vector<int16_t> wmaOut = WavSamples(wmaWav, &rate);
  EXPECT_EQ(rate, 8000u);
  const std::vector<uint8_t> wmaBytes = ReadBytes(FixturePath("wma/v2-8k-mono.pcm"));
  EXPECT_TRUE(wmaOut == Samples(wmaBytes.data(), wmaBytes.size()))
      << wmaOut.size() << " samples against " << wmaBytes.size() / 2;
}

}  // namespace
