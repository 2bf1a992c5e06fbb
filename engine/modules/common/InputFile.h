// The identity of an input file (device and inode), which the name of an output must not
// share, by whatever path it reaches the file. Both modules open their input with the
// platform's OpenRegularFileForReading.
#pragma once

#include <sys/stat.h>

#include <optional>

struct FileIdentity {
  dev_t Device = 0;
  ino_t Inode = 0;
  bool operator==(const FileIdentity&) const = default;
};

// The identity of an open file; none when it cannot be asked for.
inline std::optional<FileIdentity> IdentityOf(int file) {
  struct stat info;
  if (::fstat(file, &info) != 0) return std::nullopt;
  return FileIdentity{info.st_dev, info.st_ino};
}
