#include "platform/win32/Machine.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

// What the probe program tells, started in `folder`, and its exit status.
std::string RunProbe(const std::string& folder, const char* mode, const std::string& moveTo,
                     int& status) {
  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) return "";
  pid_t child = fork();
  if (child == 0) {
    dup2(output[1], STDOUT_FILENO);
    if (chdir(folder.c_str()) != 0) _exit(126);
    execl(MACHINE_ROOT_PROBE, MACHINE_ROOT_PROBE, mode, moveTo.c_str(),
          static_cast<char*>(nullptr));
    _exit(127);
  }
  close(output[1]);
  std::string told;
  char buffer[4096];
  for (ssize_t count; (count = read(output[0], buffer, sizeof buffer)) > 0;)
    told.append(buffer, static_cast<size_t>(count));
  close(output[0]);
  status = -1;
  if (child > 0) waitpid(child, &status, 0);
  return told;
}

// A relative root is taken from the working folder that the program started in, whether the
// program first asks for it before or after it changes its working folder (as a file dialog
// does): nothing it loads, writes or deletes follows the change.
TEST(MachineTest, RelativeRootIsTakenFromTheStartFolder) {
  PlatformRoot root;
  const std::string start = root.Scratch() + "/start";
  std::filesystem::create_directories(start + "/songs");
  const std::string absolute = std::filesystem::canonical(start).string() + "/relroot";
  // So is a relative home, and the desktop in it.
  root.Set("HOME", "relhome");
  const std::string desktop = std::filesystem::canonical(start).string() + "/relhome/Desktop";
  for (const char* setting : {"relroot", "relroot/", "./relroot"}) {
    root.Set("BRASSEL_ROOT", setting);
    const std::string places = absolute + "/Windows\n" + absolute + "/user.hive\n" + absolute +
                               "/machine.hive\n" + desktop + "\n";
    for (const char* mode : {"ask-first", "move-first"}) {
      SCOPED_TRACE(std::string(setting) + " " + mode);
      int status = 0;
      const std::string told = RunProbe(start, mode, "songs", status);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
      EXPECT_EQ(told, std::string(mode) == "ask-first" ? places + places : places);
      EXPECT_TRUE(std::filesystem::is_directory(absolute + "/Windows"));
      EXPECT_FALSE(std::filesystem::exists(start + "/songs/relroot"));
    }
  }
}

}  // namespace
