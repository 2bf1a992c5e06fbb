#include "platform/win32/Machine.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/PlatformRoot.h"

namespace {

TEST(MachineTest, WindowsDirectoryLiesInTheRoot) {
  PlatformRoot root;
  char buffer[MAX_PATH];
  UINT length = GetWindowsDirectoryA(buffer, sizeof buffer);
  const std::string expected = root.Root() + "/Windows";
  EXPECT_EQ(std::string(buffer, length), expected);
  EXPECT_EQ(buffer[length], '\0');
  EXPECT_TRUE(std::filesystem::is_directory(expected));

  // Too small a buffer: the size needed, NUL included, and nothing copied.
  char small[4] = "abc";
  EXPECT_EQ(GetWindowsDirectoryA(small, sizeof small), expected.size() + 1);
  EXPECT_STREQ(small, "abc");
  EXPECT_EQ(GetWindowsDirectoryA(buffer, static_cast<UINT>(expected.size())), expected.size() + 1);
}

TEST(MachineTest, RootDefaultsToTheXdgDataDirectory) {
  PlatformRoot root;
  unsetenv("BRASSEL_ROOT");
  EXPECT_EQ(win32::MachineRoot(), root.Home() + "/.local/share/brassel");
  unsetenv("XDG_DATA_HOME");
  EXPECT_EQ(win32::MachineRoot(), root.Home() + "/.local/share/brassel");
  root.Set("XDG_DATA_HOME", root.Home() + "/data/");
  EXPECT_EQ(win32::MachineRoot(), root.Home() + "/data/brassel");
  EXPECT_TRUE(std::filesystem::is_directory(root.Home() + "/data/brassel"));
  root.Set("BRASSEL_ROOT", root.Home() + "/elsewhere/");
  EXPECT_EQ(win32::MachineRoot(), root.Home() + "/elsewhere");
}

// The root stands for the system drive: programs are installed into its "Program Files".
TEST(MachineTest, RootHasAProgramsFolder) {
  PlatformRoot root;
  EXPECT_FALSE(std::filesystem::exists(root.Root()));
  EXPECT_EQ(win32::MachineRoot(), root.Root());
  EXPECT_TRUE(std::filesystem::is_directory(root.Root() + "/Program Files"));
}

}  // namespace
