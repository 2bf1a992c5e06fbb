#include "controls/ShellFolders.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
#include <string>

#include "platform/classlib/Registry.h"
#include "platform/win32/Machine.h"
#include "platform/win32/Registry.h"
#include "tests/platform/win32/PlatformRoot.h"

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
  struct Case {
    DWORD Type;
    std::string Data;
    std::string Expected;
  };
  const Case cases[] = {
      {REG_SZ, "/profiles/user/Desktop\0"s, "/profiles/user/Desktop/"},
      {REG_SZ, "/profiles/user/Desktop/\0"s, "/profiles/user/Desktop//"},
      {REG_SZ, "/"s, "//"},
      {REG_SZ, "no terminator", "no terminator/"},
      {REG_EXPAND_SZ, "%USERPROFILE%/Desktop\0"s, "%USERPROFILE%/Desktop/"},
      {REG_SZ, "/before\0/after\0"s, "/before/"},
      {REG_SZ, "\0"s, "/"},
      {REG_SZ, "", "/"},
      {REG_DWORD, "", "/"},
  };
  for (const Case& c : cases) {
    SetValue("Desktop", c.Type, c.Data);
    SetValue("Programs", c.Type, c.Data);
    EXPECT_EQ(FShellFolders.GetDesktop(), c.Expected) << testing::PrintToString(c.Data);
    EXPECT_EQ(FShellFolders.GetPrograms(), c.Expected) << testing::PrintToString(c.Data);
  }
}

TEST_F(ShellFoldersTest, OtherTypesRaiseTheRegistryError) {
  SetValue("Programs", REG_DWORD, "\x05\0\0\0"s);
  SetValue("Desktop", REG_BINARY, "/binary\0"s);
  try {
    FShellFolders.GetPrograms();
    FAIL() << "no error";
  } catch (const ERegistryException& error) {
    EXPECT_EQ(error.Message(), "Invalid data type for 'Programs'");
  }
  EXPECT_THROW(FShellFolders.GetDesktop(), ERegistryException);
}

TEST_F(ShellFoldersTest, MissingKeyIsCreatedEmpty) {
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kShellFolders), static_cast<LONG>(ERROR_SUCCESS));
  EXPECT_EQ(FShellFolders.GetDesktop(), "/");
  EXPECT_TRUE(KeyExists());
  EXPECT_EQ(FShellFolders.GetPrograms(), "/");
  EXPECT_EQ(FShellFolders.GetDesktop(), "/");
}

TEST_F(ShellFoldersTest, EveryCallReadsTheRegistryAgain) {
  SetValue("Desktop", REG_SZ, "/first\0"s);
  EXPECT_EQ(FShellFolders.GetDesktop(), "/first/");
  SetValue("Desktop", REG_SZ, "/second\0"s);
  EXPECT_EQ(FShellFolders.GetDesktop(), "/second/");
}

TEST_F(ShellFoldersTest, KeyThatCannotBeCreatedFallsBackToTheRoot) {
  ASSERT_EQ(RegDeleteKeyA(HKEY_CURRENT_USER, kShellFolders), static_cast<LONG>(ERROR_SUCCESS));
  SetValue("Desktop", REG_SZ, "/at the root\0"s, HKEY_CURRENT_USER, nullptr);
  ASSERT_EQ(chmod(win32::UserHivePath().c_str(), 0444), 0);
  EXPECT_EQ(FShellFolders.GetDesktop(), "/at the root/");
  EXPECT_EQ(FShellFolders.GetPrograms(), "/");
  EXPECT_FALSE(KeyExists());
}

}  // namespace
