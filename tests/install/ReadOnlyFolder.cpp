#include "tests/install/ReadOnlyFolder.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace install_test {
namespace {

// Once per process: the mounts that follow are this process's alone.
std::string EnterPrivateMounts() {
  static const std::string failure = []() -> std::string {
    if (unshare(CLONE_NEWNS) != 0) return std::string("unshare: ") + strerror(errno);
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
      return std::string("private mounts: ") + strerror(errno);
    return "";
  }();
  return failure;
}

}  // namespace

ReadOnlyFolder::ReadOnlyFolder(std::string Folder) : FFolder(std::move(Folder)) {
  struct stat info {};
  if (stat(FFolder.c_str(), &info) != 0) {
    FFailure = FFolder + ": " + strerror(errno);
    return;
  }
  if (geteuid() != 0) {
    FMode = info.st_mode & 07777;
    if (chmod(FFolder.c_str(), FMode & ~mode_t(0222)) != 0) FFailure = strerror(errno);
    return;
  }
  FFailure = EnterPrivateMounts();
  if (!FFailure.empty()) return;
  if (mount(FFolder.c_str(), FFolder.c_str(), nullptr, MS_BIND, nullptr) != 0) {
    FFailure = std::string("bind: ") + strerror(errno);
    return;
  }
  FMounted = true;
  if (mount(nullptr, FFolder.c_str(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY, nullptr) != 0)
    FFailure = std::string("read-only: ") + strerror(errno);
}

ReadOnlyFolder::~ReadOnlyFolder() {
  if (FMounted)
    umount2(FFolder.c_str(), MNT_DETACH);
  else if (FMode != 0)
    chmod(FFolder.c_str(), FMode);
}

}  // namespace install_test
