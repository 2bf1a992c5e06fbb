// Loading libraries by path and finding their functions by name, over dlopen. A loaded
// library is held under a shared advisory lock (flock) until it is freed, so that no process
// writes or deletes it meanwhile (see IsFileLoadedAsLibrary in Files.h).
#pragma once

#include "platform/win32/Files.h"
#include "platform/win32/Types.h"

using FARPROC = INT_PTR(WINAPI*)();

// Resolves all symbols at once and keeps them local (RTLD_NOW | RTLD_LOCAL). A relative name is
// taken from the current directory. 0 with ERROR_MOD_NOT_FOUND when the file cannot
// be opened, ERROR_BAD_EXE_FORMAT when it is no loadable library. Loading the same file again
// gives the same module and counts one more reference.
HMODULE WINAPI LoadLibraryA(LPCSTR fileName);
// 0 with ERROR_PROC_NOT_FOUND when the module exports no such name.
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR procName);
// Drops one reference and its lock; FALSE with ERROR_INVALID_HANDLE for a module not loaded.
BOOL WINAPI FreeLibrary(HMODULE module);
