// The MPEG module driven through the player as the converter drives it.
#include "tests/engine/ConversionFixture.h"
#include "tests/support/WavFile.h"

namespace {

using ConversionTest = ConversionFixture;

TEST_F(ConversionTest, ModuleDescribesItselfAndTakesTheEqualizer) {
  EXPECT_EQ(Player->ModuleName(), "Audio MPEG");
  EXPECT_EQ(Player->Extensions(), "*.mp1;*.mp2;*.mp3");
  EXPECT_EQ(Player->About().size(), 57u);
  EXPECT_EQ(Player->Version(), 120);
  EXPECT_TRUE(Player->HasEqualizer());
  Player->SetUseEqualizer(true);
  EXPECT_TRUE(Player->UseEqualizer());
}

TEST_F(ConversionTest, ConvertsTwoFilesOnOnePlayer) {
  struct Case {
    const char* stream;
    const char* reference;
    uint32_t rate;
  };
  const Case cases[] = {{"l2-fl10.bit", "l2-fl10.pcm", 32000},
                        {"l2-fl11.bit", "l2-fl11.pcm", 44100}};
  bool first = true;
  for (const Case& c : cases) {
    std::string output = Dir.File(std::string(c.stream) + ".wav");
    try {
      if (!first) Player->Close();
      first = false;
      Player->SetInputName(Vector(c.stream));
      Player->Open();
      Player->InitStream();
      EXPECT_GT(Player->GetSize(), 0);
      Player->SetOutputMode(omFile);
      Player->SetOutputName(output);
      Player->SetPriority(3);
      Player->Play();
      ASSERT_TRUE(WaitUntilFinished()) << c.stream;
      EXPECT_EQ(Player->GetPlayerMode(), pmOpen);
    } catch (const TYzSException& error) {
      FAIL() << c.stream << ": " << int(error.ErrorCode) << " " << error.Message();
    }
    WavFile wav = ReadWavFile(output);
    ASSERT_TRUE(wav.valid) << output;
    EXPECT_EQ(wav.formatTag, 1);
    EXPECT_EQ(wav.channels, 2);
    EXPECT_EQ(wav.bitsPerSample, 16);
    EXPECT_EQ(wav.sampleRate, c.rate);
    ASSERT_GT(wav.data.size(), 0u);
    EXPECT_EQ(MatchingSamples(wav.data, ReadText(Vector(c.reference))), wav.data.size() / 2)
        << c.stream;
  }
  Player->Close();
  Player->DeInitModule();
}

TEST_F(ConversionTest, StoppedRunCanBePlayedAgainAfterInitStream) {
  std::string output = Dir.File("again.wav");
  Player->SetInputName(Vector("l2-fl10.bit"));
  Player->Open();
  Player->InitStream();
  Player->SetOutputName(output);
  Player->Play();
  Player->Stop();
  EXPECT_EQ(Player->GetPlayerMode(), pmOpen);
  Player->InitStream();
  Player->Play();
  ASSERT_TRUE(WaitUntilFinished());
  EXPECT_TRUE(ReadWavFile(output).valid);
}

}  // namespace
