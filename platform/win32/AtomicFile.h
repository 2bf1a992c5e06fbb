// Small files that are rewritten whole on every change (the registry hives, private
// profiles): read at once, replaced atomically, so that a crash leaves the old contents or
// the new ones, never a mixture.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/Types.h"

namespace win32 {

// Whether the user may change the file: rewrite it when it exists, create it when it does
// not. A file (or, for a missing file, its folder) without any write permission bit counts
// as read-only even for the superuser, who would otherwise ignore the bits: a read-only file
// must refuse changes for every user alike.
bool MayWriteFile(const std::string& path);

// Reads the whole file. A missing file gives false with ERROR_FILE_NOT_FOUND (or
// ERROR_PATH_NOT_FOUND when its folder is missing); other failures ERROR_ACCESS_DENIED.
bool ReadWholeFile(const std::string& path, std::string& contents, DWORD& error);

// Writes the contents to a temporary file beside the target, flushes it to the disk and
// renames it over the target, keeping the target's permissions. Returns ERROR_SUCCESS,
// ERROR_ACCESS_DENIED (see MayWriteFile), ERROR_PATH_NOT_FOUND or ERROR_DISK_FULL.
DWORD ReplaceFileContents(const std::string& path, std::string_view contents);

// Serialises read-modify-write cycles on files of one folder across threads and processes:
// an exclusive lock on the folder itself, so no lock file is left beside the data.
class FolderLock {
 public:
  explicit FolderLock(const std::string& filePath);
  ~FolderLock();
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;

 private:
  int descriptor_ = -1;
};

}  // namespace win32
