// An input file as both modules open it: a regular file, read only, and opened without
// blocking, so that a FIFO, a device or a directory is refused at once instead of holding the
// host in its open; and the identity of that file (device and inode), which the name of an
// output must not share, by whatever path it reaches the file.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <optional>

struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of an open file; none when it cannot be asked for.
inline std::optional<FileIdentity> IdentityOf(int file) {
  struct stat info;
  if (::fstat(file, &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino};
}

// The file named, opened for reading (not inherited by child processes), or -1 when it
// cannot be opened or is not a regular file.
inline int OpenInputFile(const char* name) {
  // Without O_NONBLOCK opening a FIFO waits for a writer; O_NOCTTY keeps a terminal from
  // becoming the process's own.
  const int file = ::open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (file < 0) return -1;
  struct stat info;
  if (::fstat(file, &info) != 0 || !S_ISREG(info.st_mode)) {
    ::close(file);
    return -1;
  }
  // Reads of a regular file are plain reads.
  const int flags = ::fcntl(file, F_GETFL);
  if (flags < 0 || ::fcntl(file, F_SETFL, flags & ~O_NONBLOCK) != 0) {
    ::close(file);
    return -1;
  }
  return file;
}
