// Every program on the class library ignores the file-size signal from its start, so that a
// write past a file-size limit fails where it happens and the program tells it, instead of
// being ended by the signal. Each program runs as a process of its own, started with the signal
// at its default, as a shell starts it; its disposition is read from its status in /proc.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "tests/support/PlatformRoot.h"
#include "tests/support/Wait.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Whether the process's status lists the signal among those it ignores.
bool Ignores(pid_t Process, int Signal) {
  std::ifstream status("/proc/" + std::to_string(Process) + "/status");
  for (std::string line; std::getline(status, line);) {
    if (line.rfind("SigIgn:", 0) == 0) {
      return (std::stoull(line.substr(7), nullptr, 16) >> (Signal - 1) & 1) != 0;
    }
  }
  return false;
}

// Starts Program with the file-size signal at its default; 0 when it could not be started.
pid_t StartWithDefaultSignal(const std::string& Program) {
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGXFSZ);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  char* argv[] = {const_cast<char*>(Program.c_str()), nullptr};
  pid_t process = 0;
  const int result = posix_spawn(&process, Program.c_str(), nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  return result == 0 ? process : 0;
}

TEST(ProgramStartTest, EveryProgramIgnoresTheFileSizeSignal) {
  PlatformRoot root;
  const struct {
    const char* name;
    const char* program;
  } programs[] = {
      {"converter", BRASSEL_CONVERTER_PROGRAM},
      {"setup", BRASSEL_SETUP_PROGRAM},
      {"uninstaller", BRASSEL_UNINSTALL_PROGRAM},
  };
  for (const auto& p : programs) {
    SCOPED_TRACE(p.name);
    // A copy in a folder of its own: the converter keeps its settings beside itself, and the
    // uninstaller looks there for what it removes.
    const fs::path folder = fs::path(root.Scratch()) / p.name;
    fs::create_directories(folder);
    const fs::path copy = folder / fs::path(p.program).filename();
    fs::copy_file(p.program, copy);
    const pid_t process = StartWithDefaultSignal(copy.string());
    ASSERT_NE(process, 0);
    int status = 0;
    bool ended = false;
    const bool ignores = WaitFor(
        [&] {
          if (Ignores(process, SIGXFSZ)) return true;
          ended = waitpid(process, &status, WNOHANG) == process;
          return ended;
        },
        std::chrono::seconds(30));
    EXPECT_TRUE(ignores && !ended) << "ended with status " << status;
    if (!ended) {
      kill(process, SIGKILL);
      waitpid(process, &status, 0);
    }
  }
}

}  // namespace
