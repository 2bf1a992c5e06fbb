#include "platform/win32/Library.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace {

// Every LoadLibraryA keeps one descriptor with a shared lock; FreeLibrary closes one.
struct LoadedLibraries {
  std::mutex lock;
  std::unordered_map<void*, std::vector<int>> locks;
};

LoadedLibraries& Loaded() {
  static LoadedLibraries loaded;
  return loaded;
}

}  // namespace

HMODULE WINAPI LoadLibraryA(LPCSTR fileName) {
  if (fileName == nullptr || *fileName == '\0') {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  std::string path = fileName;
  // A relative name is taken from the current directory (dlopen would search the system's
  // library paths for a bare name), and made absolute so that the module knows its full path.
  if (path[0] != '/') {
    char cwd[4096];
    if (getcwd(cwd, sizeof cwd) == nullptr) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return nullptr;
    }
    path = std::string(cwd) + "/" + path;
  }

  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
  if (fd < 0) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  while (flock(fd, LOCK_SH) != 0 && errno == EINTR) {
  }

  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (library == nullptr) {
    close(fd);
    SetLastError(ERROR_BAD_EXE_FORMAT);
    return nullptr;
  }
  LoadedLibraries& loaded = Loaded();
  std::lock_guard guard(loaded.lock);
  loaded.locks[library].push_back(fd);
  SetLastError(ERROR_SUCCESS);
  return static_cast<HMODULE>(library);
}

FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName) {
  if (module == nullptr || procName == nullptr) {
    SetLastError(ERROR_INVALID_HANDLE);
    return nullptr;
  }
  {
    LoadedLibraries& loaded = Loaded();
    std::lock_guard guard(loaded.lock);
    if (!loaded.locks.count(module)) {
      SetLastError(ERROR_INVALID_HANDLE);
      return nullptr;
    }
  }
  void* symbol = dlsym(module, procName);
  if (symbol == nullptr) {
    SetLastError(ERROR_PROC_NOT_FOUND);
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(symbol);
}

BOOL WINAPI FreeLibrary(HMODULE module) {
  int fd = -1;
  {
    LoadedLibraries& loaded = Loaded();
    std::lock_guard guard(loaded.lock);
    auto found = loaded.locks.find(module);
    if (found == loaded.locks.end()) {
      SetLastError(ERROR_INVALID_HANDLE);
      return FALSE;
    }
    fd = found->second.back();
    found->second.pop_back();
    if (found->second.empty()) loaded.locks.erase(found);
  }
  dlclose(module);
  // The lock goes only once the library is unmapped (for the last reference).
  close(fd);
  return TRUE;
}
