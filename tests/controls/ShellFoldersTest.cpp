#include "controls/ShellFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/classlib/Registry.h"
#include "platform/win32/Machine.h"
#include "platform/win32/Registry.h"
#include "tests/support/PlatformRoot.h"
#include "tests/support/Files.h"

using namespace std::string_literals;

namespace {

constexpr const char* kShellFolders =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

class ShellFoldersTest : public ::testing::Test {
 protected:
  void SetValue(const char* name, DWORD type, const std::string& data,
                HKEY root = HKEY_CURRENT_USER, const char* path = kShellFolders) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              static_cast<LONG>(ERROR_SUCCESS));
    ASSERT_EQ(RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                             static_cast<DWORD>(data.size())),
              static_cast<LONG>(ERROR_SUCCESS));
    RegCloseKey(key);
  }
  bool KeyExists() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ, &key) != ERROR_SUCCESS)
      return false;
    RegCloseKey(key);
    return true;
  }

  PlatformRoot FRoot;
  TShellFolders FShellFolders{nullptr};
};

TEST_F(ShellFoldersTest, FreshMachineAnswersItsFolders) {
  EXPECT_EQ(FShellFolders.GetWindowsDir(), FRoot.Root() + "/Windows/");
  EXPECT_EQ(FShellFolders.GetDesktop(), FRoot.Home() + "/Desktop/");
  EXPECT_EQ(FShellFolders.GetPrograms(), FRoot.Root() + "/Programs/");
}

TEST_F(ShellFoldersTest, WindowsDirectoryLongerThanTheBuffer) {
  const std::string deep =
      FRoot.Scratch() + "/" + std::string(150, 'a') + "/" + std::string(150, 'b');
  FRoot.Set("BRASSEL_ROOT", deep);
  EXPECT_EQ(FShellFolders.GetWindowsDir(), deep + "/Windows/");
}

TEST_F(ShellFoldersTest, ValuesAsStoredWithOneSlashAdded) {
  // Folders that are handed out are made, so they lie in the test's own scratch folder.
  const std::string profiles = FRoot.Scratch() + "/profiles";
  struct Case {
    DWORD Type;
    std::string Data;
    std::string Expected;
  };
  const Case cases[] = {
      {REG_SZ, profiles + "/Desktop\0"s, profiles + "/Desktop/"},
      {REG_SZ, profiles + "/Desktop/\0"s, profiles + "/Desktop//"},
      {REG_SZ, profiles + "/no terminator", profiles + "/no terminator/"},
      {REG_EXPAND_SZ, profiles + "/%USERNAME%/Desktop\0"s, profiles + "/%USERNAME%/Desktop/"},
      {REG_SZ, profiles + "/../profiles/./Desktop\0"s, profiles + "/../profiles/./Desktop/"},
      {REG_SZ, profiles + "/before\0/after\0"s, profiles + "/before/"},
  };
  for (const Case& c : cases) {
    SetValue("Desktop", c.Type, c.Data);
    SetValue("Programs", c.Type, c.Data);
    EXPECT_EQ(FShellFolders.GetDesktop(), c.Expected) << testing::PrintToString(c.Data);
    EXPECT_EQ(FShellFolders.GetPrograms(), c.Expected) << testing::PrintToString(c.Data);
  }
}

// A hive that lacks a folder (no key, no value, a value naming no folder) gives the defaults,
// never the root of the file system nor a place that depends on the working folder.
TEST_F(ShellFoldersTest, MissingFoldersGiveTheDefaults) {
  const std::string desktop = FRoot.Home() + "/Desktop/";
  const std::string programs = FRoot.Root() + "/Programs/";
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kShellFolders), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(FShellFolders.GetDesktop(), desktop);
  EXPECT_TRUE(KeyExists());
  EXPECT_EQ(FShellFolders.GetPrograms(), programs);

  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_ALL_ACCESS, &key),
            static_cast<LONG>(ERROR_SUCCESS));
  ASSERT_EQ(RegDeleteValueA(key, "Programs"), static_cast<LONG>(ERROR_SUCCESS));
  RegCloseKey(key);
  EXPECT_EQ(FShellFolders.GetPrograms(), programs);
  EXPECT_EQ(FShellFolders.GetDesktop(), desktop);

  const struct {
    DWORD Type;
    std::string Data;
  } namingNoFolder[] = {
      {REG_SZ, "\0"s},
      {REG_SZ, ""},
      {REG_EXPAND_SZ, "\0\0"s},
      {REG_DWORD, ""},
      // Another type than a string, whatever it holds.
      {REG_DWORD, "\x05\0\0\0"s},
      {REG_BINARY, FRoot.Scratch() + "/binary\0"s},
      {REG_NONE, FRoot.Scratch() + "/none\0"s},
      // The root of the file system, however spelled.
      {REG_SZ, "/\0"s},
      {REG_SZ, "//\0"s},
      {REG_SZ, "/./\0"s},
      {REG_EXPAND_SZ, "/tmp/..\0"s},
      {REG_SZ, "/..\0/elsewhere\0"s},
      // Relative paths, which would follow the working folder.
      {REG_SZ, ".\0"s},
      {REG_SZ, "..\0"s},
      {REG_SZ, "Desktop\0"s},
      {REG_EXPAND_SZ, "%USERPROFILE%/Desktop\0"s},
      {REG_SZ, "\0/after a NUL\0"s},
  };
  for (const auto& c : namingNoFolder) {
    SetValue("Desktop", c.Type, c.Data);
    SetValue("Programs", c.Type, c.Data);
    EXPECT_EQ(FShellFolders.GetDesktop(), desktop) << testing::PrintToString(c.Data);
    EXPECT_EQ(FShellFolders.GetPrograms(), programs) << testing::PrintToString(c.Data);
  }
}

// A Desktop or Programs folder that the user deleted is made again when it is handed out.
TEST_F(ShellFoldersTest, DeletedFoldersAreMadeAgain) {
  // Only folders of the test's own are ever removed, never what a lookup answered.
  const std::string desktop = FRoot.Home() + "/Desktop/";
  const std::string programs = FRoot.Root() + "/Programs/";
  ASSERT_EQ(FShellFolders.GetDesktop(), desktop);
  ASSERT_EQ(FShellFolders.GetPrograms(), programs);
  std::filesystem::remove_all(desktop);
  std::filesystem::remove_all(programs);
  EXPECT_EQ(FShellFolders.GetDesktop(), desktop);
  EXPECT_TRUE(std::filesystem::is_directory(desktop));
  EXPECT_EQ(FShellFolders.GetPrograms(), programs);
  EXPECT_TRUE(std::filesystem::is_directory(programs));

  // So is one the user chose, with the folders above it.
  const std::string chosen = FRoot.Scratch() + "/my/own desktop";
  SetValue("Desktop", REG_SZ, chosen + "\0"s);
  EXPECT_EQ(FShellFolders.GetDesktop(), chosen + "/");
  EXPECT_TRUE(std::filesystem::is_directory(chosen));
}

// A value of another type is no error: it is missing, and the default takes its place in the
// hive, for every program that reads it after.
TEST_F(ShellFoldersTest, ValuesNamingNoFolderAreReplacedByTheDefaults) {
  SetValue("Programs", REG_DWORD, "\x05\0\0\0"s);
  SetValue("Desktop", REG_SZ, "/\0"s);
  EXPECT_EQ(FShellFolders.GetPrograms(), FRoot.Root() + "/Programs/");
  HKEY key = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kShellFolders, 0, KEY_READ, &key),
            static_cast<LONG>(ERROR_SUCCESS));
  char data[MAX_PATH];
  for (const auto& [name, folder] : {std::pair{"Programs", FRoot.Root() + "/Programs"},
                                     {"Desktop", FRoot.Home() + "/Desktop"}}) {
    DWORD type = REG_NONE, size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size),
              static_cast<LONG>(ERROR_SUCCESS));
    EXPECT_EQ(type, REG_SZ) << name;
    EXPECT_EQ(std::string(data, size), folder + '\0') << name;
    EXPECT_NE(ReadText(win32::UserHivePath()).find("\"" + std::string(name) + "\"=1:\"" + folder),
              std::string::npos)
        << name;
  }
  RegCloseKey(key);
}

TEST_F(ShellFoldersTest, EveryCallReadsTheRegistryAgain) {
  const std::string first = FRoot.Scratch() + "/first", second = FRoot.Scratch() + "/second";
  SetValue("Desktop", REG_SZ, first + "\0"s);
  EXPECT_EQ(FShellFolders.GetDesktop(), first + "/");
  SetValue("Desktop", REG_SZ, second + "\0"s);
  EXPECT_EQ(FShellFolders.GetDesktop(), second + "/");
}

// A hive that lacks the key and may not be changed still answers the defaults, and is left as
// it was.
TEST_F(ShellFoldersTest, HiveThatMayNotBeChangedStillGivesTheDefaults) {
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kShellFolders), static_cast<LONG>(ERROR_SUCCESS));
  SetValue("Desktop", REG_SZ, "/at the root\0"s, HKEY_CURRENT_USER, nullptr);
  const std::string hive = ReadText(win32::UserHivePath());
  ASSERT_EQ(chmod(win32::UserHivePath().c_str(), 0444), 0);
  EXPECT_EQ(FShellFolders.GetDesktop(), FRoot.Home() + "/Desktop/");
  EXPECT_EQ(FShellFolders.GetPrograms(), FRoot.Root() + "/Programs/");
  EXPECT_EQ(ReadText(win32::UserHivePath()), hive);

  // So does one whose values name no folder.
  ASSERT_EQ(chmod(win32::UserHivePath().c_str(), 0644), 0);
  std::ofstream(win32::UserHivePath(), std::ios::trunc)
      << "[" << kShellFolders << "]\n\"Desktop\"=4:\"%05%00%00%00\"\n\"Programs\"=1:\"..%00\"\n";
  const std::string wrong = ReadText(win32::UserHivePath());
  ASSERT_EQ(chmod(win32::UserHivePath().c_str(), 0444), 0);
  EXPECT_EQ(FShellFolders.GetDesktop(), FRoot.Home() + "/Desktop/");
  EXPECT_EQ(FShellFolders.GetPrograms(), FRoot.Root() + "/Programs/");
  EXPECT_EQ(ReadText(win32::UserHivePath()), wrong);
}

}  // namespace
