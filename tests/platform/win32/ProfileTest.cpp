#include "platform/win32/Profile.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tests/support/PlatformRoot.h"
#include "tests/support/Files.h"

namespace {

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

class ProfileTest : public ::testing::Test {
 protected:
  std::string Read(const char* section, const char* key, const char* fallback, DWORD size = 2048) {
    std::string buffer(size, '\x7F');
    DWORD length =
        GetPrivateProfileStringA(section, key, fallback, buffer.data(), size, FFile.c_str());
    EXPECT_EQ(buffer[length], '\0');
    return buffer.substr(0, length);
  }
  bool Write(const char* section, const char* key, const char* value) {
    return WritePrivateProfileStringA(section, key, value, FFile.c_str()) == TRUE;
  }

  PlatformRoot FRoot;
  std::string FFile = FRoot.Scratch() + "/config.ini";
};

TEST_F(ProfileTest, MissingFileGivesTheDefaultLessTrailingBlanks) {
  EXPECT_EQ(Read("Options", "InitialDir", "  default  "), "  default");
  EXPECT_EQ(Read("Options", "InitialDir", nullptr), "");
  EXPECT_FALSE(std::filesystem::exists(FFile));
}

TEST_F(ProfileTest, WritesCreateFileSectionAndKey) {
  ASSERT_TRUE(Write("Options", "Priority", "3"));
  EXPECT_EQ(ReadText(FFile), "[Options]\r\nPriority=3\r\n");
  ASSERT_TRUE(Write("Options", "Abort", "true"));
  ASSERT_TRUE(Write("Other", "Key", "v"));
  ASSERT_TRUE(Write("options", "PRIORITY", "5"));
  EXPECT_EQ(ReadText(FFile), "[Options]\r\nPriority=5\r\nAbort=true\r\n\r\n[Other]\r\nKey=v\r\n");
  EXPECT_EQ(Read("OPTIONS", "priority", "3"), "5");
  EXPECT_EQ(Read("Options", "Key", "none"), "none");
}

TEST_F(ProfileTest, NewKeyJoinsItsSectionAndOtherLinesStay) {
  WriteFile(FFile,
            "; settings\n"
            "[Options]\n"
            "Priority = 4 \n"
            "\n"
            "[Later]\n"
            "x=1\n");
  ASSERT_TRUE(Write("Options", "OutputDir", "/music/out"));
  EXPECT_EQ(ReadText(FFile),
            "; settings\n"
            "[Options]\n"
            "Priority = 4 \n"
            "OutputDir=/music/out\n"
            "\n"
            "[Later]\n"
            "x=1\n");
  EXPECT_EQ(Read("Options", "Priority", ""), "4");
  EXPECT_EQ(Read("Later", "x", ""), "1");
}

TEST_F(ProfileTest, ValuesAreTrimmedUnquotedAndCut) {
  WriteFile(FFile,
            "[S]\r\n"
            "Quoted=\"  spaced  \"\r\n"
            "Single='x'\r\n"
            "Half=\"open\r\n"
            "Empty=\r\n"
            "Equals=a=b\r\n"
            "First=one\r\n"
            "first=two\r\n"
            "[S2]\r\n");
  EXPECT_EQ(Read("S", "Quoted", ""), "  spaced  ");
  EXPECT_EQ(Read("S", "Single", ""), "x");
  EXPECT_EQ(Read("S", "Half", ""), "\"open");
  EXPECT_EQ(Read("S", "Empty", "default"), "");
  EXPECT_EQ(Read("S", "Equals", ""), "a=b");
  EXPECT_EQ(Read("S", "First", ""), "one");
  EXPECT_EQ(Read("S", "Equals", "", 3), "a=");
  EXPECT_EQ(Read("S2", "Equals", "fallback", 4), "fal");
}

TEST_F(ProfileTest, NullValueDeletesTheKeyAndNullKeyTheSection) {
  ASSERT_TRUE(Write("A", "k1", "1"));
  ASSERT_TRUE(Write("A", "k2", "2"));
  ASSERT_TRUE(Write("B", "k", "3"));
  ASSERT_TRUE(Write("A", "K1", nullptr));
  EXPECT_EQ(Read("A", "k1", "gone"), "gone");
  EXPECT_EQ(Read("A", "k2", ""), "2");
  ASSERT_TRUE(Write("a", nullptr, nullptr));
  EXPECT_EQ(ReadText(FFile), "[B]\r\nk=3\r\n");
  EXPECT_TRUE(Write("Missing", "k", nullptr));
}

TEST_F(ProfileTest, EveryWriteReplacesTheFileWhole) {
  ASSERT_TRUE(Write("Options", "Priority", "3"));
  chmod(FFile.c_str(), 0604);
  struct stat before {};
  stat(FFile.c_str(), &before);
  ASSERT_TRUE(Write("Options", "Priority", "4"));
  struct stat after {};
  stat(FFile.c_str(), &after);
  EXPECT_NE(before.st_ino, after.st_ino) << "the file was written in place";
  EXPECT_EQ(after.st_mode & 0777, 0604u);
  auto entries = std::distance(std::filesystem::directory_iterator(FRoot.Scratch()),
                               std::filesystem::directory_iterator());
  EXPECT_EQ(entries, 1) << "a temporary file was left behind";
}

TEST_F(ProfileTest, ReadOnlyFileOrFolderRefusesWrites) {
  ASSERT_TRUE(Write("Options", "Priority", "3"));
  ASSERT_EQ(chmod(FFile.c_str(), 0444), 0);
  EXPECT_FALSE(Write("Options", "Priority", "4"));
  EXPECT_FALSE(Write("Options", "New", "x"));
  EXPECT_FALSE(Write("Options", "Priority", nullptr));
  EXPECT_EQ(ReadText(FFile), "[Options]\r\nPriority=3\r\n");
  EXPECT_EQ(Read("Options", "Priority", ""), "3");

  const std::string folder = FRoot.Scratch() + "/readonly";
  std::filesystem::create_directory(folder);
  ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
  EXPECT_FALSE(
      WritePrivateProfileStringA("Options", "Priority", "3", (folder + "/config.ini").c_str()));
  EXPECT_FALSE(std::filesystem::exists(folder + "/config.ini"));
  EXPECT_FALSE(WritePrivateProfileStringA("Options", "Priority", "3",
                                          (FRoot.Scratch() + "/no/such/config.ini").c_str()));
}

TEST_F(ProfileTest, TextsThatWouldBreakLinesAreRefused) {
  EXPECT_FALSE(Write("Options", "OutputDir", "/music\n[Injected]\nx=1"));
  EXPECT_FALSE(Write("Options", "Key=Other", "1"));
  EXPECT_FALSE(Write("Opt]ions", "Key", "1"));
  EXPECT_FALSE(std::filesystem::exists(FFile));
}

TEST_F(ProfileTest, BareNameLiesInTheWindowsDirectory) {
  ASSERT_EQ(WritePrivateProfileStringA("S", "k", "v", "plain.ini"), TRUE);
  EXPECT_EQ(ReadText(FRoot.Root() + "/Windows/plain.ini"), "[S]\r\nk=v\r\n");
  char buffer[8];
  EXPECT_EQ(GetPrivateProfileStringA("S", "k", "", buffer, sizeof buffer, "plain.ini"), 1u);
  EXPECT_STREQ(buffer, "v");
}

TEST_F(ProfileTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4;
  constexpr int kKeys = 20;
  std::vector<std::thread> writers;
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([this, w] {
      for (int k = 0; k < kKeys; ++k) {
        const std::string key = std::to_string(w) + "-" + std::to_string(k);
        WritePrivateProfileStringA("Options", key.c_str(), "1", FFile.c_str());
      }
    });
  }
  for (std::thread& writer : writers) writer.join();
  for (int w = 0; w < kWriters; ++w)
    for (int k = 0; k < kKeys; ++k) {
      const std::string key = std::to_string(w) + "-" + std::to_string(k);
      EXPECT_EQ(Read("Options", key.c_str(), "lost"), "1") << key;
    }
}

}  // namespace
