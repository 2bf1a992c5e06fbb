// "config.ini": the first start without it, the six keys written at close and read back at
// start, the readings of switches and of the priority, and a settings file that cannot be
// written.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cctype>
#include <ostream>
#include <string>

#include "converter/ConfigFile.h"
#include "converter/Main.h"
#include "converter/Options.h"
#include "platform/win32/Profile.h"
#include "tests/converter/ConverterFixture.h"
#include "tests/converter/ProgramFolder.h"

namespace converter_test {
namespace {

class ConverterOptionsTest : public ConverterTest {
 protected:
  static std::string Key(const char* Name) {
    char value[2048];
    const DWORD length = GetPrivateProfileStringA("Options", Name, "<missing>", value, sizeof value,
                                                  ConfigFileName().c_str());
    return std::string(value, length);
  }
};

TEST_F(ConverterOptionsTest, FirstStartWithoutConfigShowsTheDefaults) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  ASSERT_FALSE(FileExists(ConfigFileName()));
  StartConverter();
  EXPECT_EQ(Form1->InitialDirValue(), "");
  EXPECT_EQ(Form3->Slider1->Value(), 3);
  EXPECT_TRUE(Form3->CheckBox1->Checked());
  EXPECT_FALSE(Form3->RadioButton1->Checked());
  EXPECT_TRUE(Form3->RadioButton2->Checked());
  EXPECT_TRUE(Form3->RadioButton1->Enabled());
  EXPECT_EQ(Form3->Edit1->Text(), "");
  EXPECT_FALSE(FileExists(ConfigFileName()));
  CloseConverter();
  EXPECT_EQ(Key("Priority"), "3");
  EXPECT_EQ(Key("Abort"), "true");
  EXPECT_EQ(Key("AllFiles"), "false");
  EXPECT_EQ(Key("OnlyOne"), "true");
  EXPECT_EQ(Key("OutputDir"), "");
  EXPECT_EQ(Key("InitialDir"), "");
}

TEST_F(ConverterOptionsTest, CloseWritesAllSixKeysInOrder) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string input = CopyVector("l1-fl1.bit", "in.mp3");
  StartConverter();
  Form3->Slider1->SetValue(5);
  Form3->CheckBox1->SetChecked(false);
  Form3->RadioButton1->SetChecked(true);
  ChooseOutputDir(Work() + "out dir");
  ChooseFiles({input}, 3);
  CloseConverter();
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  EXPECT_EQ(ReadFileText(ConfigFileName()),
            "[Options]\r\nPriority=5\r\nAbort=false\r\nAllFiles=true\r\nOnlyOne=false\r\n"
            "OutputDir=" +
                Work() + "out dir\r\nInitialDir=" + Work() + "\r\n");
}

TEST_F(ConverterOptionsTest, StartReadsTheKeysBack) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  WriteFileText(ConfigFileName(),
                "[Options]\r\nPriority=5\r\nAbort=false\r\nAllFiles=true\r\nOnlyOne=false\r\n"
                "OutputDir=/music/out\r\nInitialDir=/music/in/\r\n");
  StartConverter();
  EXPECT_EQ(Form3->Slider1->Value(), 5);
  EXPECT_FALSE(Form3->CheckBox1->Checked());
  EXPECT_FALSE(Form3->RadioButton1->Enabled());
  EXPECT_FALSE(Form3->RadioButton2->Enabled());
  EXPECT_TRUE(Form3->RadioButton1->Checked());
  EXPECT_FALSE(Form3->RadioButton2->Checked());
  EXPECT_EQ(Form3->Edit1->Text(), "/music/out");
  EXPECT_EQ(Form1->InitialDirValue(), "/music/in/");
  // The input dialog starts there.
  ChooseFiles({}, 1);
  ASSERT_EQ(Dialogs->OpenRequests.size(), 1u);
  EXPECT_EQ(Dialogs->OpenRequests[0].InitialDir, "/music/in/");
  // Ticking the box again enables both buttons; their selection stays.
  Form3->CheckBox1->SetChecked(true);
  EXPECT_TRUE(Form3->RadioButton1->Enabled());
  EXPECT_TRUE(Form3->RadioButton2->Enabled());
  EXPECT_TRUE(Form3->RadioButton1->Checked());
}

struct Reading {
  const char* key;
  const char* value;
  int priority;
  bool abort;
  bool allFiles;
};

void PrintTo(const Reading& r, std::ostream* os) { *os << r.key << "=" << r.value; }

class ConverterOptionReadingTest : public ConverterTest,
                                   public testing::WithParamInterface<Reading> {};

TEST_P(ConverterOptionReadingTest, ReadsAsTheDialogShowsIt) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const Reading& r = GetParam();
  WriteFileText(ConfigFileName(), std::string("[Options]\n") + r.key + "=" + r.value + "\n");
  StartConverter();
  EXPECT_EQ(Form3->Slider1->Value(), r.priority);
  EXPECT_EQ(Form3->CheckBox1->Checked(), r.abort);
  EXPECT_EQ(Form3->RadioButton1->Enabled(), r.abort);
  EXPECT_EQ(Form3->RadioButton2->Enabled(), r.abort);
  EXPECT_EQ(Form3->RadioButton1->Checked(), r.allFiles);
  EXPECT_EQ(Form3->RadioButton2->Checked(), !r.allFiles);
}

INSTANTIATE_TEST_SUITE_P(
    Values, ConverterOptionReadingTest,
    testing::Values(
        Reading{"Abort", "TRUE", 3, false, false}, Reading{"Abort", "1", 3, false, false},
        Reading{"Abort", "true", 3, true, false}, Reading{"AllFiles", "yes", 3, true, false},
        Reading{"AllFiles", "True", 3, true, false}, Reading{"AllFiles", "true", 3, true, true},
        Reading{"Priority", "0x5", 5, true, false}, Reading{"Priority", "$5", 5, true, false},
        Reading{"Priority", "x", 3, true, false}, Reading{"Priority", "99", 6, true, false},
        Reading{"Priority", "-4", 0, true, false}, Reading{"Priority", "", 3, true, false}),
    [](const testing::TestParamInfo<Reading>& info) {
      std::string name = std::string(info.param.key) + "_";
      for (const char* c = info.param.value; *c; ++c) {
        name += std::isalnum(static_cast<unsigned char>(*c)) ? *c : 'x';
      }
      return name + "_" + std::to_string(info.index);
    });

TEST_F(ConverterOptionsTest, ReadOnlySettingsFileIsReportedAndTheWindowStillCloses) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  const std::string before = "[Options]\r\nPriority=2\r\nOutputDir=/kept\r\n";
  WriteFileText(ConfigFileName(), before);
  ASSERT_EQ(chmod(ConfigFileName().c_str(), 0444), 0);
  StartConverter();
  EXPECT_EQ(Form3->Slider1->Value(), 2);
  CloseConverter();
  ASSERT_EQ(Dialogs->Messages.size(), 1u) << testing::PrintToString(MessageTexts());
  EXPECT_EQ(Dialogs->Messages[0].Text, "Unable to write to " + ConfigFileName() + ".");
  EXPECT_EQ(Dialogs->Messages[0].Caption, "Brassel 1.2");
  EXPECT_EQ(ReadFileText(ConfigFileName()), before);
  // The rest of the close was done.
  EXPECT_FALSE(FileExists(WindowsDir() + "teskdec.dll"));
  EXPECT_FALSE(Form1->Player0()->Initialized());
}

}  // namespace
}  // namespace converter_test
