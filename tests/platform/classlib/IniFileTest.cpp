#include "platform/classlib/IniFile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
#include <string>

#include "tests/support/PlatformRoot.h"
#include "tests/support/Files.h"

namespace {

class IniFileTest : public ::testing::Test {
 protected:
  void Store(const std::string& key, const std::string& value) {
    std::ofstream(FPath, std::ios::app) << "[Options]\r\n" << key << "=" << value << "\r\n";
  }

  PlatformRoot FRoot;
  std::string FPath = FRoot.Scratch() + "/config.ini";
  TIniFile FIni{FPath};
};

TEST_F(IniFileTest, MissingFileGivesDefaults) {
  EXPECT_EQ(FIni.ReadString("Options", "InitialDir", ""), "");
  EXPECT_EQ(FIni.ReadString("Options", "Abort", "true"), "true");
  EXPECT_EQ(FIni.ReadInteger("Options", "Priority", 3), 3);
  EXPECT_TRUE(FIni.ReadBool("Options", "Abort", true));
}

TEST_F(IniFileTest, IntegerReadings) {
  struct Case {
    const char* Text;
    int32_t Expected;
  };
  const Case cases[] = {
      {"5", 5},          {"0x5", 5},
      {"0X1f", 31},      {"$5", 5},
      {"x", 3},          {"x5", 5},
      {"99", 99},        {"-7", -7},
      {"+7", 7},         {"", 3},
      {"0x", 3},         {"$", 3},
      {"5a", 3},         {"1.5", 3},
      {"TRUE", 3},       {"2147483647", 2147483647},
      {"2147483648", 3}, {"-2147483648", INT32_MIN},
      {"$FFFFFFFF", -1}, {"$100000000", 3},
      {" \"12\" ", 12},
  };
  for (const Case& c : cases) {
    std::remove(FPath.c_str());
    Store("Priority", c.Text);
    EXPECT_EQ(FIni.ReadInteger("Options", "Priority", 3), c.Expected) << "\"" << c.Text << "\"";
  }
}

TEST_F(IniFileTest, SwitchReadings) {
  struct Case {
    const char* Text;
    bool Expected;
  };
  // The default is false throughout, so a true result comes from the text.
  const Case cases[] = {{"1", true},     {"0", false},    {"2", true},    {"-1", true},
                        {"TRUE", false}, {"true", false}, {"yes", false}, {"$0", false}};
  for (const Case& c : cases) {
    std::remove(FPath.c_str());
    Store("Abort", c.Text);
    EXPECT_EQ(FIni.ReadBool("Options", "Abort", false), c.Expected) << c.Text;
    EXPECT_EQ(FIni.ReadString("Options", "Abort", "true"), c.Text);
  }
  std::remove(FPath.c_str());
  Store("Abort", "yes");
  EXPECT_TRUE(FIni.ReadBool("Options", "Abort", true));
}

TEST_F(IniFileTest, WritesGoToTheFileAtOnce) {
  FIni.WriteInteger("Options", "Priority", 6);
  FIni.WriteString("Options", "Abort", "true");
  FIni.WriteBool("Options", "Flag", false);
  EXPECT_EQ(ReadText(FPath), "[Options]\r\nPriority=6\r\nAbort=true\r\nFlag=0\r\n");
  EXPECT_EQ(TIniFile(FPath).ReadInteger("Options", "Priority", 3), 6);

  const std::string longValue(3000, 'v');
  FIni.WriteString("Options", "OutputDir", longValue);
  EXPECT_EQ(FIni.ReadString("Options", "OutputDir", ""), longValue.substr(0, 2047));
}

TEST_F(IniFileTest, FailedWriteNamesTheFile) {
  FIni.WriteString("Options", "Priority", "3");
  ASSERT_EQ(chmod(FPath.c_str(), 0444), 0);
  try {
    FIni.WriteString("Options", "Abort", "false");
    FAIL();
  } catch (const EIniFileException& error) {
    EXPECT_EQ(error.Message(), "Unable to write to " + FPath);
  }
  EXPECT_EQ(ReadText(FPath), "[Options]\r\nPriority=3\r\n");
}

}  // namespace
