#include "platform/win32/Shell.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

HINSTANCE Result(UINT_PTR value) { return reinterpret_cast<HINSTANCE>(value); }

// Runs in the grandchild: only async-signal-safe calls until exec. An exec failure is
// reported through the pipe, which otherwise closes on exec.
[[noreturn]] void RunOpener(char* const argv[], int nullDevice, int report) {
  setsid();
  if (nullDevice >= 0) {
    dup2(nullDevice, STDIN_FILENO);
    dup2(nullDevice, STDOUT_FILENO);
  }
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  execvp(argv[0], argv);
  int error = errno;
  ssize_t ignored = write(report, &error, sizeof error);
  (void)ignored;
  _exit(127);
}

}  // namespace

HINSTANCE WINAPI ShellExecuteA(HWND, LPCSTR operation, LPCSTR file, LPCSTR, LPCSTR, int) {
  if (operation != nullptr && std::strcmp(operation, "open") != 0) return Result(SE_ERR_NOASSOC);
  if (file == nullptr || *file == '\0') return Result(SE_ERR_FNF);

  // Everything the children need is made before fork: after it, only exec-safe calls.
  char opener[] = "xdg-open";
  char* argv[] = {opener, const_cast<char*>(file), nullptr};
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return Result(SE_ERR_OOM);
  int nullDevice = open("/dev/null", O_RDWR | O_CLOEXEC);

  // The child starts the opener as a grandchild and ends at once, so init adopts the opener
  // and the caller reaps only the short-lived child here.
  pid_t child = fork();
  if (child == 0) {
    close(report[0]);
    pid_t grandchild = fork();
    if (grandchild == 0) RunOpener(argv, nullDevice, report[1]);
    if (grandchild < 0) {
      int error = errno;
      ssize_t ignored = write(report[1], &error, sizeof error);
      (void)ignored;
    }
    _exit(0);
  }
  close(report[1]);
  if (nullDevice >= 0) close(nullDevice);
  if (child < 0) {
    close(report[0]);
    return Result(SE_ERR_OOM);
  }
  while (waitpid(child, nullptr, 0) < 0 && errno == EINTR) {
  }
  int error = 0;
  ssize_t count;
  do {
    count = read(report[0], &error, sizeof error);
  } while (count < 0 && errno == EINTR);
  close(report[0]);
  if (count > 0) return Result(error == ENOMEM ? SE_ERR_OOM : SE_ERR_FNF);
  return Result(42);
}
