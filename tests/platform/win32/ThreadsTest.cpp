#include "platform/win32/Threads.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <thread>

namespace {

int NiceOfThread(DWORD id) {
  errno = 0;
  return getpriority(PRIO_PROCESS, static_cast<id_t>(id));
}

TEST(ThreadPriority, LevelsMapToNiceValuesOfThatThreadOnly) {
  // In a child process, so the levels taken here do not stay with the test process.
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failures = 0;
    const int processNice = NiceOfThread(static_cast<DWORD>(getpid()));
    std::thread worker([&] {
      const DWORD self = GetCurrentThreadId();
      if (!SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST)) ++failures;
      if (NiceOfThread(self) <= processNice) ++failures;
      if (GetThreadPriority(GetCurrentThread()) != THREAD_PRIORITY_LOWEST) ++failures;
      if (!SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_IDLE)) ++failures;
      if (GetThreadPriority(GetCurrentThread()) != THREAD_PRIORITY_IDLE) ++failures;
    });
    worker.join();
    // The main thread kept its own nice value.
    if (NiceOfThread(static_cast<DWORD>(getpid())) != processNice) ++failures;
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ThreadPriority, AnotherThreadIsReachedThroughItsHandle) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    int failures = 0;
    DWORD workerId = 0;
    std::atomic<bool> ready{false}, done{false};
    std::thread worker([&] {
      workerId = GetCurrentThreadId();
      ready = true;
      while (!done) std::this_thread::yield();
    });
    while (!ready) std::this_thread::yield();
    HANDLE handle = OpenThread(THREAD_SET_INFORMATION, FALSE, workerId);
    if (handle == nullptr) ++failures;
    if (!SetThreadPriority(handle, THREAD_PRIORITY_BELOW_NORMAL)) ++failures;
    if (GetThreadPriority(handle) != THREAD_PRIORITY_BELOW_NORMAL) ++failures;
    done = true;
    worker.join();
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(ThreadPriority, UnknownLevelsAndThreadsAreRefused) {
  for (int level : {3, -3, 7, 16, -16, 100})
    EXPECT_FALSE(SetThreadPriority(GetCurrentThread(), level)) << level;
  EXPECT_FALSE(SetThreadPriority(nullptr, THREAD_PRIORITY_NORMAL));
  EXPECT_EQ(OpenThread(THREAD_SET_INFORMATION, FALSE, 0), nullptr);
  EXPECT_EQ(GetThreadPriority(nullptr), THREAD_PRIORITY_ERROR_RETURN);
}

TEST(ThreadPriority, RaisingIsRefusedWithoutTheRight) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // Without the right to raise priorities (an ordinary user, no nice allowance).
    const rlimit noRaise{0, 0};
    setrlimit(RLIMIT_NICE, &noRaise);
    if (getuid() == 0 && setuid(65534) != 0) _exit(100);
    int failures = 0;
    if (SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_HIGHEST)) ++failures;
    if (GetThreadPriority(GetCurrentThread()) != THREAD_PRIORITY_NORMAL) ++failures;
    if (!SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_LOWEST)) ++failures;
    // Back up from a lower level is a raise as well.
    if (SetThreadPriority(GetCurrentThread(), THREAD_PRIORITY_NORMAL)) ++failures;
    _exit(failures);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  if (WEXITSTATUS(status) == 100) GTEST_SKIP() << "cannot drop privileges here";
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace
