// teskwma.dll links against the SDK library: where the library cannot be found, the module
// cannot be loaded at all (the host then reports code 10).
#include <gtest/gtest.h>
#include <link.h>
#include <sys/wait.h>

#include <array>
#include <cstdio>
#include <string>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

// The dynamic loader this process was started with.
std::string DynamicLoader() {
  std::string path;
  dl_iterate_phdr(
      [](dl_phdr_info* info, size_t, void* out) {
        for (int i = 0; i < info->dlpi_phnum; ++i)
          if (info->dlpi_phdr[i].p_type == PT_INTERP) {
            *static_cast<std::string*>(out) =
                reinterpret_cast<const char*>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
            return 1;
          }
        return 0;
      },
      &path);
  return path;
}

struct ProbeResult {
  int status;
  std::string output;
};

ProbeResult RunCommand(const std::string& command) {
  ProbeResult result{-1, {}};
  FILE* pipe = popen((command + " 2>&1").c_str(), "r");
  if (pipe == nullptr) return result;
  std::array<char, 512> buffer;
  while (fgets(buffer.data(), buffer.size(), pipe) != nullptr) result.output += buffer.data();
  const int status = pclose(pipe);
  result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return result;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

TEST(WmaLoad, ACopyLoadsWithTheSdkAndFailsWhereTheSdkCannotBeFound) {
  TempFolder folder;
  const std::string module = folder.File("teskwma.dll");
  WriteBytes(module, ReadBytes(TESKWMA_PATH));
  const std::string loader = DynamicLoader();
  ASSERT_FALSE(loader.empty());

  const ProbeResult loads = RunCommand(Quoted(WMA_LOAD_PROBE) + " " + Quoted(module));
  EXPECT_EQ(loads.status, 0) << loads.output;

  // The copy's run paths ignored: nothing leads the loader to the SDK library.
  const ProbeResult fails = RunCommand(Quoted(loader) + " --inhibit-rpath " + Quoted(module) + " " +
                                Quoted(WMA_LOAD_PROBE) + " " + Quoted(module));
  EXPECT_EQ(fails.status, 1) << fails.output;
  EXPECT_NE(fails.output.find("libwmaudsdk.so"), std::string::npos) << fails.output;
}

}  // namespace
