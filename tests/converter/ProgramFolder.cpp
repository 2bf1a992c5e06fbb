#include "tests/converter/ProgramFolder.h"

#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

extern char** environ;

namespace converter_test {
namespace {

constexpr const char* kChildVariable = "BRASSEL_CONVERTER_TEST_CHILD";

std::string SelfPath() {
  std::error_code error;
  return std::filesystem::read_symlink("/proc/self/exe", error).string();
}

int Spawn(const std::string& program, const std::vector<std::string>& arguments,
          const std::vector<std::string>& extraEnvironment) {
  std::vector<std::string> environment(extraEnvironment);
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  std::vector<char*> argv, envp;
  argv.push_back(const_cast<char*>(program.c_str()));
  for (const auto& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  for (const auto& e : environment) envp.push_back(const_cast<char*>(e.c_str()));
  envp.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
    return -1;
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return -1;
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

std::string CurrentTestName() {
  const auto* info = testing::UnitTest::GetInstance()->current_test_info();
  return std::string(info->test_suite_name()) + "." + info->name();
}

}  // namespace

bool InOwnProgramFolder() { return std::getenv(kChildVariable) != nullptr; }

bool RunInOwnProgramFolder() {
  if (InOwnProgramFolder()) return false;
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "brassel-converter-XXXXXX").string();
  const char* made = mkdtemp(pattern.data());
  EXPECT_NE(made, nullptr);
  if (made == nullptr) return true;
  const fs::path folder(made);
  fs::create_directories(folder / "program");
  fs::create_directories(folder / "root");
  // The child's own temporary folders go inside this one, so that they go with it even when
  // the child dies before it can remove them.
  fs::create_directories(folder / "tmp");
  const fs::path copy = folder / "program" / fs::path(SelfPath()).filename();
  std::error_code error;
  fs::create_hard_link(SelfPath(), copy, error);
  if (error) fs::copy_file(SelfPath(), copy, error);
  EXPECT_FALSE(error) << error.message();
  const int status =
      Spawn(copy.string(), {"--gtest_filter=" + CurrentTestName()},
            {std::string(kChildVariable) + "=1", "BRASSEL_ROOT=" + (folder / "root").string(),
             "TMPDIR=" + (folder / "tmp").string()});
  EXPECT_EQ(status, 0) << "the test failed in its own program folder";
  fs::remove_all(folder, error);
  return true;
}

int RunProgramCopy(const std::string& filter, const std::vector<std::string>& environment) {
  namespace fs = std::filesystem;
  std::string pattern = (fs::temp_directory_path() / "brassel-copy-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) return -1;
  const std::string report = pattern + "/report.json";
  const int status =
      Spawn(SelfPath(), {"--gtest_filter=" + filter, "--gtest_output=json:" + report}, environment);
  // A filter that selects nothing passes too: the report's first count is of the tests run.
  std::ifstream file(report);
  const std::string text((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  const size_t count = text.find("\"tests\": ");
  const bool ranATest = count != std::string::npos && std::atoi(text.c_str() + count + 9) > 0;
  std::error_code error;
  fs::remove_all(pattern, error);
  return ranATest ? status : -1;
}

}  // namespace converter_test
