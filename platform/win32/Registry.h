// The registry: HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, one hive file each in the platform
// root. Every call reads the hive file; every change rewrites it atomically, so processes
// share one registry and a crash never leaves a torn hive. Key and value names compare
// without regard to ASCII case; value data are kept as bytes with their size. A hive file
// that may not be written (see win32::MayWriteFile) makes every change fail with
// ERROR_ACCESS_DENIED; reading it still works. Hives keep the system's limits (see
// RegistryHive.h): a key or value name beyond them is refused with ERROR_INVALID_PARAMETER,
// a change that would make the hive file larger than it may be with ERROR_NOT_ENOUGH_MEMORY.
//
// The user's "Shell Folders" key always holds "Desktop" and "Programs" as absolute paths
// other than the root: a value that is missing, of another type than REG_SZ or
// REG_EXPAND_SZ, or not such a path, is given the default folder (written back when the hive
// may be changed).
#pragma once

#include "platform/win32/Types.h"

struct HKEY__;
using HKEY = HKEY__*;
using PHKEY = HKEY*;
using REGSAM = DWORD;
using LPDWORD = DWORD*;
using LPBYTE = BYTE*;

#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<uintptr_t>(0x80000002u)))

inline constexpr DWORD REG_NONE = 0;
inline constexpr DWORD REG_SZ = 1;
inline constexpr DWORD REG_EXPAND_SZ = 2;
inline constexpr DWORD REG_BINARY = 3;
inline constexpr DWORD REG_DWORD = 4;

inline constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
inline constexpr REGSAM KEY_SET_VALUE = 0x0002;
inline constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
inline constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
inline constexpr REGSAM KEY_NOTIFY = 0x0010;
inline constexpr REGSAM KEY_CREATE_LINK = 0x0020;
inline constexpr REGSAM KEY_READ = 0x20019;
inline constexpr REGSAM KEY_WRITE = 0x20006;
inline constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

inline constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
inline constexpr DWORD REG_CREATED_NEW_KEY = 1;
inline constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

// Opens the key, creating it and any missing keys above it. A handle allows what samDesired
// grants: KEY_QUERY_VALUE to read values, KEY_SET_VALUE to change them, KEY_CREATE_SUB_KEY
// to create keys below it, KEY_ENUMERATE_SUB_KEYS to list them.
LONG WINAPI RegCreateKeyExA(HKEY key, LPCSTR subKey, DWORD reserved, LPSTR keyClass, DWORD options,
                            REGSAM samDesired, LPSECURITY_ATTRIBUTES securityAttributes,
                            PHKEY result, LPDWORD disposition);
// ERROR_FILE_NOT_FOUND when the key does not exist.
LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR subKey, DWORD options, REGSAM samDesired, PHKEY result);
// With data null, gives the size in *dataSize; with a buffer smaller than the value, gives
// the size needed and ERROR_MORE_DATA.
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR valueName, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD dataSize);
LONG WINAPI RegSetValueExA(HKEY key, LPCSTR valueName, DWORD reserved, DWORD type, const BYTE* data,
                           DWORD dataSize);
LONG WINAPI RegDeleteValueA(HKEY key, LPCSTR valueName);
// Deletes a key that has no subkeys (ERROR_ACCESS_DENIED otherwise).
LONG WINAPI RegDeleteKeyA(HKEY key, LPCSTR subKey);
// The name of the index-th subkey; ERROR_NO_MORE_ITEMS past the last. *nameSize is the
// buffer's size on entry and the name's length on return.
LONG WINAPI RegEnumKeyExA(HKEY key, DWORD index, LPSTR name, LPDWORD nameSize, LPDWORD reserved,
                          LPSTR keyClass, LPDWORD classSize, PFILETIME lastWriteTime);
LONG WINAPI RegCloseKey(HKEY key);
