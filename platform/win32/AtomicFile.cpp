#include "platform/win32/AtomicFile.h"

#include <fcntl.h>
#include <stdio.h>
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

FileRead ReadFileUpTo(const std::string& path, size_t limit, std::string& contents, DWORD& error) {
  contents.clear();
  // O_NONBLOCK: a FIFO without a writer, or a device, must not hold the caller in the open.
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    const int cause = errno;
    if (cause == ENOENT) {
      error =
          access(FolderOf(path).c_str(), F_OK) == 0 ? ERROR_FILE_NOT_FOUND : ERROR_PATH_NOT_FOUND;
      return FileRead::Missing;
    }
    error = ErrorFromErrno(cause);
    // A socket cannot be opened at all.
    return cause == ENXIO ? FileRead::NotAFile : FileRead::Unreadable;
  }
  struct stat info {};
  FileRead result = FileRead::Read;
  error = ERROR_SUCCESS;
  if (fstat(fd, &info) != 0) {
    error = ErrorFromErrno(errno);
    result = FileRead::Unreadable;
  } else if (!S_ISREG(info.st_mode)) {
    error = ERROR_ACCESS_DENIED;
    result = FileRead::NotAFile;
  } else if (static_cast<unsigned long long>(info.st_size) > limit) {
    error = ERROR_NOT_ENOUGH_MEMORY;
    result = FileRead::TooLarge;
  } else {
    contents.reserve(static_cast<size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
      ssize_t count = read(fd, buffer, sizeof buffer);
      if (count < 0 && errno == EINTR) continue;
      if (count < 0) {
        error = ErrorFromErrno(errno);
        result = FileRead::Unreadable;
        break;
      }
      if (count == 0) break;
      // A file that grows while it is read is held to the limit all the same.
      if (contents.size() + static_cast<size_t>(count) > limit) {
        error = ERROR_NOT_ENOUGH_MEMORY;
        result = FileRead::TooLarge;
        break;
      }
      contents.append(buffer, static_cast<size_t>(count));
    }
  }
  close(fd);
  if (result != FileRead::Read) contents.clear();
  return result;
}

bool ReadWholeFile(const std::string& path, std::string& contents, DWORD& error) {
  return ReadFileUpTo(path, std::string().max_size(), contents, error) == FileRead::Read;
}

namespace {

// Writes the contents to a new temporary file beside the path and flushes it to the disk,
// with the permissions of `mode` when given.
DWORD WriteTemporary(const std::string& path, std::string_view contents, const mode_t* mode,
                     std::string& temporary) {
  temporary =
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
  if (result == ERROR_SUCCESS && mode != nullptr) fchmod(fd, *mode & 07777);
  if (result == ERROR_SUCCESS && fsync(fd) != 0) result = ErrorFromErrno(errno);
  if (close(fd) != 0 && result == ERROR_SUCCESS) result = ErrorFromErrno(errno);
  if (result != ERROR_SUCCESS) unlink(temporary.c_str());
  return result;
}

enum class Kept { Linked, Moved };

// Gives what stands at the path the first free name of the series, never replacing anything.
DWORD KeepAside(const std::string& path, const std::string& suffix, std::string& keptAs,
                Kept& how) {
  for (unsigned long number = 0;; ++number) {
    keptAs = path + suffix + (number == 0 ? "" : "." + std::to_string(number));
    // A second name for the file itself: no copy, whatever its size.
    if (link(path.c_str(), keptAs.c_str()) == 0) {
      how = Kept::Linked;
      return ERROR_SUCCESS;
    }
    if (errno == EEXIST) continue;
    // A folder takes no second name, nor does a file on some file systems: it moves instead.
    if (renameat2(AT_FDCWD, path.c_str(), AT_FDCWD, keptAs.c_str(), RENAME_NOREPLACE) == 0) {
      how = Kept::Moved;
      return ERROR_SUCCESS;
    }
    if (errno == EEXIST) continue;
    return ErrorFromErrno(errno);
  }
}

}  // namespace

DWORD ReplaceFileContents(const std::string& path, std::string_view contents) {
  const std::string folder = FolderOf(path);
  if (access(folder.c_str(), F_OK) != 0) return ERROR_PATH_NOT_FOUND;
  if (!MayWriteFile(path)) return ERROR_ACCESS_DENIED;

  struct stat old {};
  const bool existed = stat(path.c_str(), &old) == 0;
  std::string temporary;
  if (DWORD error = WriteTemporary(path, contents, existed ? &old.st_mode : nullptr, temporary);
      error != ERROR_SUCCESS)
    return error;
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const DWORD error = ErrorFromErrno(errno);
    unlink(temporary.c_str());
    return error;
  }
  return ERROR_SUCCESS;
}

bool MayReplaceWhateverIsAt(const std::string& path) { return Writable(FolderOf(path)); }

DWORD ReplaceKeepingAside(const std::string& path, std::string_view contents,
                          const std::string& suffix, std::string* keptAs) {
  const std::string folder = FolderOf(path);
  if (access(folder.c_str(), F_OK) != 0) return ERROR_PATH_NOT_FOUND;
  if (!MayReplaceWhateverIsAt(path)) return ERROR_ACCESS_DENIED;

  // A regular file's successor keeps its permissions; anything else's gets a new file's.
  struct stat old {};
  const bool regular = stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
  std::string temporary;
  if (DWORD error = WriteTemporary(path, contents, regular ? &old.st_mode : nullptr, temporary);
      error != ERROR_SUCCESS)
    return error;
  std::string kept;
  Kept how = Kept::Linked;
  if (DWORD error = KeepAside(path, suffix, kept, how); error != ERROR_SUCCESS) {
    unlink(temporary.c_str());
    return error;
  }
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const DWORD error = ErrorFromErrno(errno);
    unlink(temporary.c_str());
    // Back to how it was: the old thing at the path, nothing beside it.
    if (how == Kept::Linked)
      unlink(kept.c_str());
    else
      rename(kept.c_str(), path.c_str());
    return error;
  }
  if (keptAs != nullptr) *keptAs = kept;
  return ERROR_SUCCESS;
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
