#include "platform/win32/Shell.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <string>

#include "tests/support/PlatformRoot.h"

namespace {

// A stand-in opener on the PATH that writes its argument into a FIFO the test reads.
class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::string bin = FRoot.Scratch();
    FFifo = bin + "/opened";
    ASSERT_EQ(mkfifo(FFifo.c_str(), 0600), 0);
    std::ofstream(bin + "/xdg-open")
        << "#!/bin/sh\nprintf '%s|%s\\n' \"$#\" \"$1\" > \"$OPENED_FIFO\"\n";
    chmod((bin + "/xdg-open").c_str(), 0755);
    FRoot.Set("PATH", bin + ":/usr/bin:/bin");
    FRoot.Set("OPENED_FIFO", FFifo);
  }

  // What the opener received, or "" when it wrote nothing within the deadline.
  std::string Opened() {
    int fd = open(FFifo.c_str(), O_RDONLY | O_NONBLOCK);
    std::string text;
    pollfd wait{fd, POLLIN, 0};
    while (text.find('\n') == std::string::npos && poll(&wait, 1, 20000) > 0) {
      char buffer[256];
      ssize_t count = read(fd, buffer, sizeof buffer);
      if (count <= 0) break;
      text.append(buffer, static_cast<size_t>(count));
    }
    close(fd);
    return text;
  }

  static bool NoChildLeft() { return waitpid(-1, nullptr, WNOHANG) < 0 && errno == ECHILD; }

  PlatformRoot FRoot;
  std::string FFifo;
};

TEST_F(ShellTest, OpenHandsTheAddressToTheOpenerUnchanged) {
  const char* address = "https://example.org/a b?x=1&y='2'$(touch nothing)";
  HINSTANCE result = ShellExecuteA(nullptr, "open", address, nullptr, nullptr, SW_SHOWNORMAL);
  EXPECT_GT(reinterpret_cast<UINT_PTR>(result), 32u);
  EXPECT_EQ(Opened(), std::string("1|") + address + "\n");
  EXPECT_TRUE(NoChildLeft());
}

TEST_F(ShellTest, RefusalsStartNothing) {
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(ShellExecuteA(nullptr, "edit", "x", nullptr, nullptr, 1)),
            SE_ERR_NOASSOC);
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(ShellExecuteA(nullptr, "open", "", nullptr, nullptr, 1)),
            SE_ERR_FNF);
  FRoot.Set("PATH", FRoot.Home());
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(
                ShellExecuteA(nullptr, nullptr, "mailto:someone@example.org", nullptr, nullptr, 1)),
            SE_ERR_FNF);
  EXPECT_TRUE(NoChildLeft());
}

}  // namespace
