// Whole files through teskwma.dll into WAV files, as the converter drives the module.
#include <gtest/gtest.h>

#include <string>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

struct ConversionCase {
  const char* file;
  uint16_t channels;
  uint32_t rate;
};

class WmaConversion : public testing::TestWithParam<ConversionCase> {};

TEST_P(WmaConversion, WritesTheWholeFileInTheSdksFormat) {
  const ConversionCase& c = GetParam();
  TempFolder folder;
  const std::string output = folder.File("out.wav");
  WmaLibrary qv;
  ASSERT_TRUE(qv.Loaded()) << dlerror();
  const QVHandle h = qv->QVInitModule();
  ASSERT_NE(h, 0u);
  ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture(c.file).c_str()));
  ASSERT_TRUE(qv->QVOpen(h));
  ASSERT_TRUE(qv->QVInitStream(h));
  ASSERT_TRUE(qv->QVSetOutputMode(h, omFile));
  ASSERT_TRUE(qv->QVSetOutputName(h, output.c_str()));
  ASSERT_TRUE(qv->QVSetLimits(h, 0, 0));
  ASSERT_TRUE(qv->QVPlay(h));
  EXPECT_EQ(WaitWhileRunning(*qv, h), pmFinished);
  EXPECT_EQ(qv->QVGetPlayerMode(h), pmOpen);
  EXPECT_EQ(qv->QVLastError(h), 0);

  const WavFile wav = ReadWavFile(output);
  ASSERT_TRUE(wav.valid);
  EXPECT_EQ(wav.channels, c.channels);
  EXPECT_EQ(wav.sampleRate, c.rate);
  EXPECT_EQ(wav.bitsPerSample, 16);
  EXPECT_EQ(wav.blockAlign, c.channels * 2);
  EXPECT_EQ(wav.bytesPerSecond, c.rate * c.channels * 2);
  const std::string pcm = std::string(c.file).substr(0, std::string(c.file).size() - 4) + ".pcm";
  EXPECT_EQ(wav.dataSize, wav.data.size());
  EXPECT_TRUE(wav.data == ReadText(WmaFixture(pcm)))
      << wav.data.size() << " bytes against " << ReadBytes(WmaFixture(pcm)).size();

  EXPECT_TRUE(qv->QVClose(h));
  EXPECT_TRUE(qv->QVDeInitModule(h));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, WmaConversion,
                         testing::Values(ConversionCase{"v2-44k-stereo.wma", 2, 44100},
                                         ConversionCase{"v1-22k-mono.wma", 1, 22050},
                                         ConversionCase{"v1-48k-stereo.wma", 2, 48000},
                                         ConversionCase{"v2-32k-mono.wma", 1, 32000},
                                         ConversionCase{"v2-8k-mono.wma", 1, 8000},
                                         ConversionCase{"v2-long-title.wma", 1, 22050}),
                         [](const auto& info) {
                           std::string name = info.param.file;
                           for (char& ch : name)
                             if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

// A module file written elsewhere, as the converter writes it into the Windows directory,
// still finds its SDK and converts; one handle converts file after file.
TEST(WmaConversion, ACopyOfTheModuleConvertsOneFileAfterAnother) {
  TempFolder folder;
  const std::string module = folder.File("teskwma.dll");
  WriteBytes(module, ReadBytes(TESKWMA_PATH));
  WmaLibrary qv(module.c_str());
  ASSERT_TRUE(qv.Loaded()) << dlerror();
  ASSERT_TRUE(qv.AllBound());
  const QVHandle h = qv->QVInitModule();
  for (const char* file : {"v2-8k-mono.wma", "v1-22k-mono.wma"}) {
    SCOPED_TRACE(file);
    const std::string output = folder.File(std::string(file) + ".wav");
    ASSERT_TRUE(qv->QVSetInputName(h, WmaFixture(file).c_str()));
    ASSERT_TRUE(qv->QVOpen(h));
    ASSERT_TRUE(qv->QVInitStream(h));
    ASSERT_TRUE(qv->QVSetOutputMode(h, omFile));
    ASSERT_TRUE(qv->QVSetOutputName(h, output.c_str()));
    ASSERT_TRUE(qv->QVPlay(h));
    EXPECT_EQ(WaitWhileRunning(*qv, h), pmFinished);
    const std::string pcm = std::string(file).substr(0, std::string(file).size() - 4) + ".pcm";
    EXPECT_TRUE(ReadWavFile(output).data == ReadText(WmaFixture(pcm)));
    EXPECT_TRUE(qv->QVClose(h));
  }
  EXPECT_TRUE(qv->QVDeInitModule(h));
}

}  // namespace
