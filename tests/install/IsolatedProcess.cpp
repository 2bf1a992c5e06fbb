#include "tests/install/IsolatedProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>

namespace install_test {
namespace {

// Binary first: when it lies inside the source folder, the source's mount then covers both.
const char* const kHiddenFolders[] = {BRASSEL_BINARY_DIR, BRASSEL_SOURCE_DIR};

bool WriteText(const char* file, const char* text) {
  const int fd = open(file, O_WRONLY | O_CLOEXEC);
  if (fd < 0) return false;
  const ssize_t length = static_cast<ssize_t>(strlen(text));
  const bool written = write(fd, text, static_cast<size_t>(length)) == length;
  close(fd);
  return written;
}

void ChildFailed(const char* step) {
  const char* reason = strerror(errno);
  (void)!write(2, step, strlen(step));
  (void)!write(2, ": ", 2);
  (void)!write(2, reason, strlen(reason));
  (void)!write(2, "\n", 1);
  _exit(125);
}

struct Identity {
  char UidMap[64];
  char GidMap[64];
};

Identity CurrentIdentity() {
  Identity identity{};
  snprintf(identity.UidMap, sizeof identity.UidMap, "%u %u 1\n", getuid(), getuid());
  snprintf(identity.GidMap, sizeof identity.GidMap, "%u %u 1\n", getgid(), getgid());
  return identity;
}

// In the child, between fork and exec: only system calls from here on.
void HideBuildTree(const Identity& identity, bool superuser) {
  if (superuser) {
    if (unshare(CLONE_NEWNS) != 0) ChildFailed("unshare");
  } else {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) ChildFailed("unshare");
    if (!WriteText("/proc/self/setgroups", "deny") ||
        !WriteText("/proc/self/uid_map", identity.UidMap) ||
        !WriteText("/proc/self/gid_map", identity.GidMap))
      ChildFailed("user namespace");
  }
  // Nothing of what follows reaches the mounts of the rest of the machine.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) ChildFailed("mount /");
  for (const char* folder : kHiddenFolders)
    if (access(folder, F_OK) == 0 &&
        mount("tmpfs", folder, "tmpfs", MS_NOSUID | MS_NODEV, "size=16k,mode=0755") != 0)
      ChildFailed(folder);
}

}  // namespace

ProcessResult RunWithoutBuildTree(const std::string& Program,
                                  const std::vector<std::string>& Arguments,
                                  const std::vector<std::string>& Environment,
                                  const std::string& Folder, int TimeoutSeconds) {
  ProcessResult result;
  std::vector<char*> argv{const_cast<char*>(Program.c_str())};
  for (const std::string& argument : Arguments) argv.push_back(const_cast<char*>(argument.c_str()));
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (const std::string& entry : Environment) envp.push_back(const_cast<char*>(entry.c_str()));
  envp.push_back(nullptr);
  const Identity identity = CurrentIdentity();
  const bool superuser = geteuid() == 0;

  int output[2];
  if (pipe2(output, O_CLOEXEC) != 0) return result;
  const pid_t pid = fork();
  if (pid < 0) {
    close(output[0]);
    close(output[1]);
    return result;
  }
  if (pid == 0) {
    dup2(output[1], 1);
    dup2(output[1], 2);
    HideBuildTree(identity, superuser);
    if (chdir(Folder.c_str()) != 0) ChildFailed("chdir");
    execve(Program.c_str(), argv.data(), envp.data());
    ChildFailed(Program.c_str());
  }
  close(output[1]);

  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(TimeoutSeconds);
  bool timedOut = false;
  for (;;) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    if (left.count() <= 0) {
      timedOut = true;
      break;
    }
    pollfd wait{output[0], POLLIN, 0};
    if (poll(&wait, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) break;
    if (wait.revents == 0) continue;
    char buffer[4096];
    const ssize_t count = read(output[0], buffer, sizeof buffer);
    if (count <= 0) break;
    result.Output.append(buffer, static_cast<size_t>(count));
  }
  close(output[0]);
  if (timedOut) {
    kill(pid, SIGKILL);
    result.Output += "\n(killed after " + std::to_string(TimeoutSeconds) + " s)";
  }
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return result;
  result.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  return result;
}

std::string WhyNoIsolatedProcess() {
  const ProcessResult probe = RunWithoutBuildTree("/bin/true", {}, {}, "/", 30);
  return probe.Status == 0 ? std::string() : "no private mount namespace: " + probe.Output;
}

}  // namespace install_test
