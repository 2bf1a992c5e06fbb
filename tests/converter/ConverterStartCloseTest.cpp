// Start-up and close: the module files in the Windows directory, the close during a
// conversion, and a second instance beside a running one.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <thread>

#include "converter/ConfigFile.h"
#include "converter/Main.h"
#include "converter/Options.h"
#include "engine/PluginInterface.h"
#include "platform/classlib/ResourceStream.h"
#include "platform/win32/Machine.h"
#include "tests/converter/ConverterFixture.h"
#include "tests/converter/ProgramFolder.h"
#include "tests/support/Wait.h"

namespace converter_test {
namespace {

class ConverterStartCloseTest : public ConverterTest {};

std::string ResourceBytes(const char* Name) {
  TResourceStream stream(nullptr, Name, "Module");
  return std::string(static_cast<const char*>(stream.Memory()), static_cast<size_t>(stream.Size()));
}

// The options as the close writes them, after the test's choices below.
std::string ExpectedConfig(const std::string& OutputDir, const std::string& InitialDir) {
  return "[Options]\r\nPriority=5\r\nAbort=false\r\nAllFiles=false\r\nOnlyOne=true\r\n"
         "OutputDir=" +
         OutputDir + "\r\nInitialDir=" + InitialDir + "\r\n";
}

TEST_F(ConverterStartCloseTest, StartWritesBothModulesAndCloseDeletesThem) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  StartConverter();
  const std::string dir = WindowsDir();
  ASSERT_NE(Form1->Player0(), nullptr);
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  EXPECT_EQ(ReadFileText(dir + "teskdec.dll"), ResourceBytes("Decoder"));
  EXPECT_EQ(ReadFileText(dir + "teskwma.dll"), ResourceBytes("WMA"));
  EXPECT_EQ(Form1->Player0()->PathToDLL(), dir + "teskdec.dll");
  EXPECT_TRUE(Form1->Player0()->Initialized());
  EXPECT_EQ(Form1->Player0()->GetPlayerMode(), pmClosed);
  EXPECT_EQ(Form1->Player0()->BuffersCount(), 12);
  EXPECT_EQ(Form1->Player0()->OutputMode(), omFile);
  CloseConverter();
  EXPECT_FALSE(Form1->Player0()->Initialized());
  EXPECT_FALSE(FileExists(dir + "teskdec.dll"));
  EXPECT_FALSE(FileExists(dir + "teskwma.dll"));
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
}

TEST_F(ConverterStartCloseTest, ModuleFilesOfAnEarlierRunAreReplaced) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  char windows[MAX_PATH];
  const UINT length = GetWindowsDirectoryA(windows, sizeof windows);
  ASSERT_GT(length, 0u);
  const std::string dir = std::string(windows, length) + "/";
  WriteFileText(dir + "teskdec.dll", "left over");
  WriteFileText(dir + "teskwma.dll", "left over");
  StartConverter();
  EXPECT_EQ(WindowsDir(), dir);
  EXPECT_EQ(ReadFileText(dir + "teskdec.dll"), ResourceBytes("Decoder"));
  EXPECT_EQ(ReadFileText(dir + "teskwma.dll"), ResourceBytes("WMA"));
  EXPECT_TRUE(Form1->Player0()->Initialized());
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
}

TEST_F(ConverterStartCloseTest, CloseDuringAConversionLeavesAValidShorterFile) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string input = CopyVector("l3-he_44khz.bit", "long.mp3", 8);
  StartConverter();
  ChooseOutputDir(Work());
  ChooseFiles({input}, 3);
  ClickDecode();
  ASSERT_EQ(Form1->Player0()->GetPlayerMode(), pmPlaying);
  // Some blocks written first.
  ASSERT_TRUE(WaitFor([&] { return ReadFileText(Work() + "long.wav").size() >= 4 * 16384; },
                      std::chrono::seconds(30), std::chrono::milliseconds(5)));
  ASSERT_EQ(Form1->Player0()->GetPlayerMode(), pmPlaying);
  CloseConverter();
  EXPECT_FALSE(Form1->Timer1->Enabled());
  const WavFile wav = ReadWavFile(Work() + "long.wav");
  EXPECT_TRUE(wav.valid);
  EXPECT_GT(wav.dataSize, 0u);
  // Eight times the stream's 44100 Hz samples would be far more.
  EXPECT_LT(wav.dataSize, 8u * 44100u * 4u * 2u);
  EXPECT_FALSE(FileExists(WindowsDir() + "teskdec.dll"));
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
}

TEST_F(ConverterStartCloseTest, FileSizeLimitBelowAModuleLeavesNoTornModule) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  LimitFileSize(ResourceBytes("Decoder").size() / 2);
  StartConverter();
  const std::string dir = WindowsDir();
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Stream write error.");
  EXPECT_EQ(Dialogs->Messages[0].Caption, "Brassel 1.2");
  EXPECT_FALSE(FileExists(dir + "teskdec.dll"));
  EXPECT_FALSE(FileExists(dir + "teskwma.dll"));
  EXPECT_EQ(Form1->Player0(), nullptr);
  Form3->Slider1->SetValue(5);
  Form3->CheckBox1->SetChecked(false);
  CloseConverter();
  EXPECT_EQ(Dialogs->Messages.size(), 1u) << testing::PrintToString(MessageTexts());
  EXPECT_EQ(ReadFileText(ConfigFileName()), ExpectedConfig("", ""));
}

TEST_F(ConverterStartCloseTest, FileSizeLimitFailsTheOutputAndTheCloseStillCleansUp) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string input = CopyVector("l3-he_44khz.bit", "long.mp3", 2);
  const std::string out = Work() + "out";
  ASSERT_EQ(mkdir(out.c_str(), 0755), 0);
  StartConverter();
  const std::string dir = WindowsDir();
  ChooseOutputDir(out);
  ChooseFiles({input}, 3);
  Form3->Slider1->SetValue(5);
  Form3->CheckBox1->SetChecked(false);
  // Far below the WAV file; the modules are written already.
  constexpr rlim_t kLimit = 256 * 1024;
  LimitFileSize(kLimit);
  ClickDecode();
  TickUntil([&] { return !Dialogs->Messages.empty(); });
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Output device failure.");
  EXPECT_THAT(RowTexts(0), testing::ElementsAre(input, "Output device failure"));
  for (int i = 0; i < 3; ++i) Tick();
  EXPECT_EQ(Form1->CurrentIndexValue(), 0);
  EXPECT_EQ(Form1->ListBox1->Items()->Count(), 1);
  // What was written before the limit is a valid WAV file of whole blocks.
  const WavFile wav = ReadWavFile(out + "/long.wav");
  EXPECT_TRUE(wav.valid);
  EXPECT_GT(wav.dataSize, 0u);
  EXPECT_LE(wav.dataSize + 46, kLimit);
  // Without the limit, Decode converts the failed entry again, this time whole.
  LimitFileSize(RLIM_INFINITY);
  ClickDecode();
  EXPECT_THAT(RowTexts(0), testing::ElementsAre(input, "Decoding..."));
  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_GT(ReadWavFile(out + "/long.wav").dataSize, kLimit);
  CloseConverter();
  EXPECT_EQ(Dialogs->Messages.size(), 1u) << testing::PrintToString(MessageTexts());
  EXPECT_FALSE(FileExists(dir + "teskdec.dll"));
  EXPECT_FALSE(FileExists(dir + "teskwma.dll"));
  EXPECT_EQ(ReadFileText(ConfigFileName()), ExpectedConfig(out, Work()));
}

// The second instance, run by SecondInstanceCannotReplaceTheLoadedModule in a process of its
// own beside the first, in the same program folder and platform root. Only that process has it
// (the variable selects it), so it is not a test of its own.
constexpr const char* kSecondInstanceVariable = "BRASSEL_CONVERTER_SECOND_INSTANCE";
constexpr const char* kSecondInstanceName = "SecondInstance";

class SecondInstance : public ConverterStartCloseTest {
  void TestBody() override;
};

[[maybe_unused]] const bool kSecondInstanceRegistered =
    std::getenv(kSecondInstanceVariable) != nullptr &&
    testing::RegisterTest("ConverterStartCloseTest", kSecondInstanceName, nullptr, nullptr,
                          __FILE__, __LINE__,
                          []() -> ConverterStartCloseTest* { return new SecondInstance; });

void SecondInstance::TestBody() {
  StartConverter();
  const std::string dir = WindowsDir();
  ASSERT_EQ(Dialogs->Messages.size(), 1u) << testing::PrintToString(MessageTexts());
  EXPECT_EQ(Dialogs->Messages[0].Text, "Cannot create file " + dir + "teskdec.dll.");
  EXPECT_EQ(Dialogs->Messages[0].Caption, "Brassel 1.2");
  EXPECT_EQ(Form1->Player0(), nullptr);
  // Every command and the close still work without player 0.
  ChooseOutputDir(Work());
  ClickDecode();
  ClickAbort();
  CallHandled(Form1, [] { Form1->Timer1Timer(Form1->Timer1); });
  EXPECT_EQ(Dialogs->Messages.size(), 2u) << testing::PrintToString(MessageTexts());
  CloseConverter();
  EXPECT_EQ(Dialogs->Messages.size(), 2u) << testing::PrintToString(MessageTexts());
  // It wrote neither module file, so it deletes neither.
  EXPECT_TRUE(FileExists(dir + "teskdec.dll"));
  EXPECT_TRUE(FileExists(dir + "teskwma.dll"));
}

TEST_F(ConverterStartCloseTest, SecondInstanceCannotReplaceTheLoadedModule) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string input = CopyVector("l1-fl1.bit", "one.mp3");
  StartConverter();
  const std::string dir = WindowsDir();
  ASSERT_TRUE(Form1->Player0()->Initialized());
  const int status = RunProgramCopy(
      std::string("ConverterStartCloseTest.") + kSecondInstanceName,
      {"BRASSEL_CONVERTER_TEST_CHILD=1", std::string(kSecondInstanceVariable) + "=1"});
  EXPECT_EQ(status, 0);
  // The first instance is not disturbed: it converts, also with the WMA module.
  EXPECT_EQ(ReadFileText(dir + "teskdec.dll"), ResourceBytes("Decoder"));
  EXPECT_EQ(ReadFileText(dir + "teskwma.dll"), ResourceBytes("WMA"));
  ChooseOutputDir(Work());
  ChooseFiles({input}, 1);
  ClickDecode();
  ASSERT_TRUE(TickUntilBatchEnds());
  EXPECT_TRUE(ReadWavFile(Work() + "one.wav").valid);
  ChooseFiles({std::string(BRASSEL_FIXTURES_DIR) + "/wma/v2-8k-mono.wma"}, 5);
  EXPECT_TRUE(Form1->Player0()->Initialized());
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
}

}  // namespace
}  // namespace converter_test
