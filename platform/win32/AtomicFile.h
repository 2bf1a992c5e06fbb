// Small files that are rewritten whole on every change (the registry hives, private
// profiles): read at once, replaced atomically, so that a crash leaves the old contents or
// the new ones, never a mixture.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "platform/win32/Types.h"

namespace win32 {

// Whether the user may change the file: rewrite it when it exists, create it when it does
// not. A file (or, for a missing file, its folder) without any write permission bit counts
// as read-only even for the superuser, who would otherwise ignore the bits: a read-only file
// must refuse changes for every user alike.
bool MayWriteFile(const std::string& path);

// What reading a whole file found.
enum class FileRead {
  Read,
  Missing,     // ERROR_FILE_NOT_FOUND, or ERROR_PATH_NOT_FOUND when its folder is missing
  NotAFile,    // a folder, a FIFO, a device: nothing a program keeps its data in
  TooLarge,    // more bytes than the reader's limit
  Unreadable,  // ERROR_ACCESS_DENIED and the other failures
};

// Reads the whole file, at most `limit` bytes of it. The open never blocks (a FIFO without a
// writer, a device) and nothing but a regular file is read.
FileRead ReadFileUpTo(const std::string& path, size_t limit, std::string& contents, DWORD& error);

// Reads the whole file. A missing file gives false with ERROR_FILE_NOT_FOUND (or
// ERROR_PATH_NOT_FOUND when its folder is missing); other failures, and a path that names no
// regular file, ERROR_ACCESS_DENIED.
bool ReadWholeFile(const std::string& path, std::string& contents, DWORD& error);

// Writes the contents to a temporary file beside the target, flushes it to the disk and
// renames it over the target, keeping the target's permissions. Returns ERROR_SUCCESS,
// ERROR_ACCESS_DENIED (see MayWriteFile), ERROR_PATH_NOT_FOUND or ERROR_DISK_FULL.
DWORD ReplaceFileContents(const std::string& path, std::string_view contents);

// As ReplaceFileContents, but whatever stands at the path (a file that could not be read, a
// folder, a FIFO) is first kept aside under the first free name of "<path><suffix>",
// "<path><suffix>.1", "<path><suffix>.2", ..., never in place of anything already there; the
// path holds the old thing or the new contents at every moment. Returns the name it was kept
// under in *keptAs.
DWORD ReplaceKeepingAside(const std::string& path, std::string_view contents,
                          const std::string& suffix, std::string* keptAs = nullptr);

// Whether what stands at the path may be put aside and replaced by a new file: its folder may
// be written.
bool MayReplaceWhateverIsAt(const std::string& path);

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
