#include "platform/win32/Files.h"

#include <dlfcn.h>
#include <errno.h>
#include <fcntl.h>
#include <link.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <string_view>

#include "platform/win32/AsciiCase.h"

namespace {

thread_local DWORD lastError = ERROR_SUCCESS;

// What a HANDLE of CreateFileA points to.
struct FileObject {
  int fd;
};

FileObject* FileFromHandle(HANDLE file) {
  if (file == nullptr || file == INVALID_HANDLE_VALUE) return nullptr;
  return static_cast<FileObject*>(file);
}

bool Fail(DWORD error) {
  lastError = error;
  return false;
}

// Windows runs a program or loads a library by its name alone, so such files are created
// executable; the umask still decides for whom.
bool IsExecutableName(std::string_view fileName) {
  if (fileName.size() < 4) return false;
  const std::string_view extension = fileName.substr(fileName.size() - 4);
  return win32::EqualsIgnoringAsciiCase(extension, ".exe") ||
         win32::EqualsIgnoringAsciiCase(extension, ".dll");
}

}  // namespace

DWORD WINAPI GetLastError() { return lastError; }

void WINAPI SetLastError(DWORD errorCode) { lastError = errorCode; }

DWORD ErrorFromErrno(int error) {
  switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS:
    case ETXTBSY: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case EMFILE:
    case ENFILE: return ERROR_TOO_MANY_OPEN_FILES;
    case ENOSPC:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case ENAMETOOLONG: return ERROR_BAD_PATHNAME;
    case EBADF: return ERROR_INVALID_HANDLE;
    default: return ERROR_INVALID_PARAMETER;
  }
}

bool IsFileLoadedAsLibrary(LPCSTR fileName) {
  if (fileName == nullptr) return false;
  // Non-blocking, so a FIFO or device never holds the check up.
  int fd = open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) return false;
  // flock locks belong to open file descriptions, so the shared lock of a LoadLibraryA in this
  // very process conflicts as well as one of another process.
  bool inUse = false;
  if (flock(fd, LOCK_EX | LOCK_NB) != 0)
    inUse = errno == EWOULDBLOCK;
  else
    flock(fd, LOCK_UN);
  close(fd);
  return inUse;
}

HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD, LPVOID,
                          DWORD creationDisposition, DWORD flagsAndAttributes, HANDLE) {
  if (fileName == nullptr || *fileName == '\0') {
    lastError = ERROR_PATH_NOT_FOUND;
    return INVALID_HANDLE_VALUE;
  }
  bool read = desiredAccess & GENERIC_READ;
  bool write = desiredAccess & GENERIC_WRITE;
  int flags = O_CLOEXEC | O_NOCTTY;
  flags |= read && write ? O_RDWR : write ? O_WRONLY : O_RDONLY;
  bool truncates = false;
  switch (creationDisposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS:
      flags |= O_CREAT;
      truncates = true;
      break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING:
      if (!write) {
        lastError = ERROR_INVALID_PARAMETER;
        return INVALID_HANDLE_VALUE;
      }
      truncates = true;
      break;
    default: lastError = ERROR_INVALID_PARAMETER; return INVALID_HANDLE_VALUE;
  }
  if ((write || truncates) && IsFileLoadedAsLibrary(fileName)) {
    lastError = ERROR_SHARING_VIOLATION;
    return INVALID_HANDLE_VALUE;
  }
  struct stat before {};
  bool existed = stat(fileName, &before) == 0;
  if (existed && S_ISDIR(before.st_mode)) {
    lastError = ERROR_ACCESS_DENIED;
    return INVALID_HANDLE_VALUE;
  }
  const bool executable = IsExecutableName(fileName);
  // Truncation comes after the open, which checks the permissions first.
  int fd = open(fileName, flags, executable ? 0777 : 0666);
  if (fd < 0) {
    lastError = ErrorFromErrno(errno);
    return INVALID_HANDLE_VALUE;
  }
  if (truncates && ftruncate(fd, 0) != 0) {
    lastError = ErrorFromErrno(errno);
    close(fd);
    return INVALID_HANDLE_VALUE;
  }
  // A program written over an older file (one made before it had to be executable) is
  // runnable by whoever may read it, as a new one would be.
  if (executable && truncates && existed && S_ISREG(before.st_mode))
    fchmod(fd, (before.st_mode & 07777) | ((before.st_mode & 0444) >> 2));
  if (flagsAndAttributes & FILE_FLAG_RANDOM_ACCESS) posix_fadvise(fd, 0, 0, POSIX_FADV_RANDOM);
  if (flagsAndAttributes & FILE_FLAG_SEQUENTIAL_SCAN)
    posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);
  bool reportsExisting =
      existed && (creationDisposition == CREATE_ALWAYS || creationDisposition == OPEN_ALWAYS);
  lastError = reportsExisting ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS;
  return new FileObject{fd};
}

BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead, LPVOID) {
  if (bytesRead) *bytesRead = 0;
  FileObject* object = FileFromHandle(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  DWORD done = 0;
  while (done < bytesToRead) {
    ssize_t got = read(object->fd, static_cast<char*>(buffer) + done, bytesToRead - done);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      if (bytesRead) *bytesRead = done;
      return Fail(ErrorFromErrno(errno));
    }
    if (got == 0) break;
    done += static_cast<DWORD>(got);
  }
  if (bytesRead) *bytesRead = done;
  return TRUE;
}

BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten,
                      LPVOID) {
  if (bytesWritten) *bytesWritten = 0;
  FileObject* object = FileFromHandle(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  DWORD done = 0;
  while (done < bytesToWrite) {
    ssize_t put = write(object->fd, static_cast<const char*>(buffer) + done, bytesToWrite - done);
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      if (bytesWritten) *bytesWritten = done;
      return Fail(put < 0 ? ErrorFromErrno(errno) : ERROR_DISK_FULL);
    }
    done += static_cast<DWORD>(put);
  }
  if (bytesWritten) *bytesWritten = done;
  return TRUE;
}

DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod) {
  FileObject* object = FileFromHandle(file);
  if (!object) {
    lastError = ERROR_INVALID_HANDLE;
    return INVALID_SET_FILE_POINTER;
  }
  int64_t offset = distanceHigh
                       ? static_cast<int64_t>(
                             (static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32) |
                             static_cast<uint32_t>(distance))
                       : distance;
  int whence = moveMethod == FILE_BEGIN     ? SEEK_SET
               : moveMethod == FILE_CURRENT ? SEEK_CUR
               : moveMethod == FILE_END     ? SEEK_END
                                            : -1;
  if (whence < 0) {
    lastError = ERROR_INVALID_PARAMETER;
    return INVALID_SET_FILE_POINTER;
  }
  off_t result = lseek(object->fd, static_cast<off_t>(offset), whence);
  if (result < 0) {
    // A position before the start is the platform's "negative seek".
    lastError = errno == EINVAL ? 131 : ErrorFromErrno(errno);
    return INVALID_SET_FILE_POINTER;
  }
  if (!distanceHigh && result > 0xFFFFFFFE) {
    lastError = ERROR_INVALID_PARAMETER;
    return INVALID_SET_FILE_POINTER;
  }
  if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(result) >> 32);
  lastError = ERROR_SUCCESS;
  return static_cast<DWORD>(result);
}

DWORD WINAPI GetFileSize(HANDLE file, DWORD* sizeHigh) {
  FileObject* object = FileFromHandle(file);
  struct stat info {};
  if (!object || fstat(object->fd, &info) != 0) {
    lastError = object ? ErrorFromErrno(errno) : ERROR_INVALID_HANDLE;
    return INVALID_FILE_SIZE;
  }
  uint64_t size = static_cast<uint64_t>(info.st_size);
  if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
  lastError = ERROR_SUCCESS;
  return static_cast<DWORD>(size);
}

BOOL WINAPI FlushFileBuffers(HANDLE file) {
  FileObject* object = FileFromHandle(file);
  if (!object) return Fail(ERROR_INVALID_HANDLE);
  if (fsync(object->fd) != 0) return Fail(ErrorFromErrno(errno));
  return TRUE;
}

BOOL WINAPI CloseHandle(HANDLE object) {
  FileObject* file = FileFromHandle(object);
  if (!file) return Fail(ERROR_INVALID_HANDLE);
  close(file->fd);
  delete file;
  return TRUE;
}

BOOL WINAPI DeleteFileA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') return Fail(ERROR_PATH_NOT_FOUND);
  if (IsFileLoadedAsLibrary(fileName)) return Fail(ERROR_SHARING_VIOLATION);
  struct stat info {};
  if (lstat(fileName, &info) == 0 && S_ISDIR(info.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (unlink(fileName) != 0) return Fail(ErrorFromErrno(errno));
  return TRUE;
}

BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags) {
  if (existingFileName == nullptr || *existingFileName == '\0' || newFileName == nullptr ||
      *newFileName == '\0')
    return Fail(ERROR_PATH_NOT_FOUND);
  for (LPCSTR name : {existingFileName, newFileName})
    if (IsFileLoadedAsLibrary(name)) return Fail(ERROR_SHARING_VIOLATION);
  struct stat target {};
  const bool exists = lstat(newFileName, &target) == 0;
  if (exists && !(flags & MOVEFILE_REPLACE_EXISTING)) return Fail(ERROR_ALREADY_EXISTS);
  if (exists && S_ISDIR(target.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (rename(existingFileName, newFileName) != 0) return Fail(ErrorFromErrno(errno));
  if (flags & MOVEFILE_WRITE_THROUGH) {
    const std::string name = newFileName;
    const size_t slash = name.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : name.substr(0, slash);
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    const bool synced = fd >= 0 && fsync(fd) == 0;
    if (fd >= 0) close(fd);
    if (!synced) return Fail(ErrorFromErrno(errno));
  }
  return TRUE;
}

DWORD WINAPI GetFileAttributesA(LPCSTR fileName) {
  struct stat info {};
  if (fileName == nullptr || stat(fileName, &info) != 0) {
    lastError = fileName ? ErrorFromErrno(errno) : ERROR_INVALID_PARAMETER;
    return INVALID_FILE_ATTRIBUTES;
  }
  DWORD attributes = 0;
  if (S_ISDIR(info.st_mode)) attributes |= FILE_ATTRIBUTE_DIRECTORY;
  if (access(fileName, W_OK) != 0) attributes |= FILE_ATTRIBUTE_READONLY;
  return attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
}

BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPVOID) {
  if (pathName == nullptr || *pathName == '\0') return Fail(ERROR_PATH_NOT_FOUND);
  if (mkdir(pathName, 0777) != 0) {
    int error = errno;
    if (error == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
    return Fail(error == ENOENT ? ERROR_PATH_NOT_FOUND : ErrorFromErrno(error));
  }
  return TRUE;
}

DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size) {
  std::string path;
  if (module == nullptr) {
    char buffer[4096];
    ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length < 0) {
      lastError = ErrorFromErrno(errno);
      return 0;
    }
    path.assign(buffer, static_cast<size_t>(length));
  } else {
    struct link_map* map = nullptr;
    if (dlinfo(module, RTLD_DI_LINKMAP, &map) != 0 || map == nullptr || map->l_name == nullptr) {
      lastError = ERROR_MOD_NOT_FOUND;
      return 0;
    }
    path = map->l_name;
  }
  if (size == 0 || fileName == nullptr) {
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return 0;
  }
  if (path.size() + 1 > size) {
    std::memcpy(fileName, path.data(), size - 1);
    fileName[size - 1] = '\0';
    lastError = ERROR_INSUFFICIENT_BUFFER;
    return size;
  }
  std::memcpy(fileName, path.c_str(), path.size() + 1);
  lastError = ERROR_SUCCESS;
  return static_cast<DWORD>(path.size());
}

int OpenRegularFileForReading(const char* fileName) {
  // Without O_NONBLOCK opening a FIFO waits for a writer; O_NOCTTY keeps a terminal from
  // becoming the process's own.
  const int file = ::open(fileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
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
