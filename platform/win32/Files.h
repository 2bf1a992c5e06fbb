// Files as the platform's kernel offers them, on POSIX, with the platform's sharing rule for
// loaded libraries: while any process has a file loaded as a library (LoadLibraryA), opening
// it for writing or deleting it fails with ERROR_SHARING_VIOLATION.
#pragma once

#include "platform/win32/Types.h"

inline constexpr DWORD GENERIC_READ = 0x80000000;
inline constexpr DWORD GENERIC_WRITE = 0x40000000;

inline constexpr DWORD FILE_SHARE_READ = 0x00000001;
inline constexpr DWORD FILE_SHARE_WRITE = 0x00000002;
inline constexpr DWORD FILE_SHARE_DELETE = 0x00000004;

inline constexpr DWORD CREATE_NEW = 1;
inline constexpr DWORD CREATE_ALWAYS = 2;
inline constexpr DWORD OPEN_EXISTING = 3;
inline constexpr DWORD OPEN_ALWAYS = 4;
inline constexpr DWORD TRUNCATE_EXISTING = 5;

inline constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x00000001;
inline constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x00000010;
inline constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080;
inline constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFF;
inline constexpr DWORD FILE_FLAG_RANDOM_ACCESS = 0x10000000;
inline constexpr DWORD FILE_FLAG_SEQUENTIAL_SCAN = 0x08000000;

inline constexpr DWORD FILE_BEGIN = 0;
inline constexpr DWORD FILE_CURRENT = 1;
inline constexpr DWORD FILE_END = 2;
inline constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFF;
inline constexpr DWORD INVALID_FILE_SIZE = 0xFFFFFFFF;

inline constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x00000001;
inline constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x00000008;

inline const HANDLE INVALID_HANDLE_VALUE = reinterpret_cast<HANDLE>(static_cast<intptr_t>(-1));

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD errorCode);
// The platform's error code for a POSIX errno value.
DWORD ErrorFromErrno(int error);

// True when some process, this one included, has the file loaded as a library: a write or
// delete lock on it would conflict with the shared lock LoadLibraryA holds.
bool IsFileLoadedAsLibrary(LPCSTR fileName);

// A regular file opened for reading as a POSIX descriptor (not inherited by child processes),
// or -1 when it cannot be opened or is not a regular file: a FIFO, a device or a directory is
// refused at once instead of holding the caller in its open.
int OpenRegularFileForReading(const char* fileName);

// Access GENERIC_READ and/or GENERIC_WRITE; all five dispositions; the share mode is taken as
// given (POSIX shares freely) except that a loaded library is never opened for writing or
// truncated. FILE_FLAG_RANDOM_ACCESS and _SEQUENTIAL_SCAN become read-ahead hints. The handle
// is not inherited by child processes. CREATE_ALWAYS and OPEN_ALWAYS on an existing file
// succeed with ERROR_ALREADY_EXISTS as the last error.
HANDLE WINAPI CreateFileA(LPCSTR fileName, DWORD desiredAccess, DWORD shareMode,
                          LPVOID securityAttributes, DWORD creationDisposition,
                          DWORD flagsAndAttributes, HANDLE templateFile);
BOOL WINAPI ReadFile(HANDLE file, LPVOID buffer, DWORD bytesToRead, DWORD* bytesRead,
                     LPVOID overlapped);
BOOL WINAPI WriteFile(HANDLE file, LPCVOID buffer, DWORD bytesToWrite, DWORD* bytesWritten,
                      LPVOID overlapped);
// The 32-bit form: distanceHigh may be null; the new position's low part is returned.
DWORD WINAPI SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD moveMethod);
DWORD WINAPI GetFileSize(HANDLE file, DWORD* sizeHigh);
// Brings what was written through the handle onto the disk (fsync); a write that the file
// system could not keep after all fails here.
BOOL WINAPI FlushFileBuffers(HANDLE file);
// Closes a handle of CreateFileA.
BOOL WINAPI CloseHandle(HANDLE object);

BOOL WINAPI DeleteFileA(LPCSTR fileName);
// Renames a file in one step. With MOVEFILE_REPLACE_EXISTING it takes the place of whatever
// entry stands at the new name: a file, or a link, which is replaced itself and never
// followed; a directory there, or a loaded library (ERROR_SHARING_VIOLATION), is refused.
// Without it an existing new name fails with ERROR_ALREADY_EXISTS. MOVEFILE_WRITE_THROUGH
// also brings the folder's new entry onto the disk before the call returns.
BOOL WINAPI MoveFileExA(LPCSTR existingFileName, LPCSTR newFileName, DWORD flags);
DWORD WINAPI GetFileAttributesA(LPCSTR fileName);
// The security attributes are ignored; a new directory gets the default permissions.
BOOL WINAPI CreateDirectoryA(LPCSTR pathName, LPVOID securityAttributes);

// The path of a loaded library, or of the program for a null module. Returns the length
// copied; when the buffer is too small the path is cut to size - 1 bytes, zero-terminated, and
// the result is size with ERROR_INSUFFICIENT_BUFFER.
DWORD WINAPI GetModuleFileNameA(HMODULE module, LPSTR fileName, DWORD size);
