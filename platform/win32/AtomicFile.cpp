#include "platform/win32/AtomicFile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

namespace win32 {
namespace {

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool Writable(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) != 0) return false;
  if ((info.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0) return false;
  return access(path.c_str(), W_OK) == 0;
}

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    default: return ERROR_ACCESS_DENIED;
  }
}

std::atomic<unsigned> temporaryCounter{0};

}  // namespace

bool MayWriteFile(const std::string& path) {
  struct stat info {};
  if (stat(path.c_str(), &info) == 0) {
    if (!S_ISREG(info.st_mode) || !Writable(path)) return false;
  }
  // The rename needs the folder too, whether or not the file exists.
  return Writable(FolderOf(path));
}

bool ReadWholeFile(const std::string& path, std::string& contents, DWORD& error) {
  contents.clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    error = errno == ENOENT ? ERROR_FILE_NOT_FOUND : ErrorFromErrno(errno);
    if (errno == ENOENT && access(FolderOf(path).c_str(), F_OK) != 0) error = ERROR_PATH_NOT_FOUND;
    return false;
  }
  char buffer[65536];
  for (;;) {
    ssize_t count = read(fd, buffer, sizeof buffer);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      error = ErrorFromErrno(errno);
      close(fd);
      return false;
    }
    if (count == 0) break;
    contents.append(buffer, static_cast<size_t>(count));
  }
  close(fd);
  error = ERROR_SUCCESS;
  return true;
}

DWORD ReplaceFileContents(const std::string& path, std::string_view contents) {
  const std::string folder = FolderOf(path);
  if (access(folder.c_str(), F_OK) != 0) return ERROR_PATH_NOT_FOUND;
  if (!MayWriteFile(path)) return ERROR_ACCESS_DENIED;

  struct stat old {};
  const bool existed = stat(path.c_str(), &old) == 0;
  const std::string temporary =
      path + ".~" + std::to_string(getpid()) + "-" + std::to_string(temporaryCounter.fetch_add(1));
  // 0666 lets the umask decide a new file's permissions, as for any other created file.
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd < 0) return ErrorFromErrno(errno);
  DWORD result = ERROR_SUCCESS;
  for (size_t done = 0; done < contents.size();) {
    ssize_t count = write(fd, contents.data() + done, contents.size() - done);
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      result = ErrorFromErrno(errno);
      break;
    }
    done += static_cast<size_t>(count);
  }
  if (result == ERROR_SUCCESS && existed) fchmod(fd, old.st_mode & 07777);
  if (result == ERROR_SUCCESS && fsync(fd) != 0) result = ErrorFromErrno(errno);
  if (close(fd) != 0 && result == ERROR_SUCCESS) result = ErrorFromErrno(errno);
  if (result == ERROR_SUCCESS && rename(temporary.c_str(), path.c_str()) != 0)
    result = ErrorFromErrno(errno);
  if (result != ERROR_SUCCESS) unlink(temporary.c_str());
  return result;
}

FolderLock::FolderLock(const std::string& filePath) {
  descriptor_ = open(FolderOf(filePath).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (descriptor_ >= 0) {
    while (flock(descriptor_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
}

FolderLock::~FolderLock() {
  if (descriptor_ >= 0) close(descriptor_);
}

}  // namespace win32
