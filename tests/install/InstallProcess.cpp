#include "tests/install/InstallProcess.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

extern char** environ;

namespace install_test {
namespace {

constexpr const char* kChildVariable = "BRASSEL_INSTALL_TEST_CHILD";

std::string SelfPath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

int Spawn(const std::string& program, const std::string& filter) {
  std::vector<std::string> environment{std::string(kChildVariable) + "=1"};
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  const std::string filterArgument = "--gtest_filter=" + filter;
  std::vector<char*> argv{const_cast<char*>(program.c_str()),
                          const_cast<char*>(filterArgument.c_str()), nullptr};
  std::vector<char*> envp;
  for (auto& entry : environment) envp.push_back(entry.data());
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0)
    return -1;
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

bool InChild() { return std::getenv(kChildVariable) != nullptr; }

bool RunInChild(const std::string& ProgramPath) {
  if (InChild()) return false;
  std::string program = SelfPath();
  if (!ProgramPath.empty()) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(fs::path(ProgramPath).parent_path(), error);
    fs::create_hard_link(program, ProgramPath, error);
    if (error) fs::copy_file(program, ProgramPath, fs::copy_options::overwrite_existing, error);
    EXPECT_FALSE(error) << error.message();
    program = ProgramPath;
  }
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  const int status = Spawn(program, std::string(info->test_suite_name()) + "." + info->name());
  EXPECT_EQ(status, 0) << "the test failed in its own process";
  return true;
}

std::string MakeScratchFolder() {
  std::string pattern = std::string(BRASSEL_BINARY_DIR) + "/install-test-XXXXXX";
  return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

std::string ReadFileBytes(const std::string& FileName) {
  std::ifstream in(FileName, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

void WriteFileBytes(const std::string& FileName, const std::string& Bytes) {
  std::ofstream(FileName, std::ios::binary) << Bytes;
}

}  // namespace install_test
