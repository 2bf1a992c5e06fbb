// Shell links: the shell-link object (IShellLinkA with IPersistFile) behind CLSID_ShellLink,
// made by CoCreateInstance, reading and writing ".lnk" files in the published binary shell
// link format: the header (show command, hot key, icon index, the target's attributes, times
// and size), the link information with the target's local path, and the string data
// (description, relative path, working directory, arguments, icon location) in UTF-16.
//
// Paths are this platform's: SLGP_SHORTPATH and SLGP_UNCPRIORITY give the path itself, since
// there are neither short names nor network paths. Item ID lists are skipped when read and
// never written.
#pragma once

#include "platform/win32/Com.h"
#include "platform/win32/Files.h"
#include "platform/win32/Types.h"

using LPOLESTR = WCHAR*;
using LPCOLESTR = const WCHAR*;

// The identifiers live in ShellLink.cpp: a program that names CLSID_ShellLink links the file
// whose start-up registers the class with CoCreateInstance's class table.
extern const CLSID CLSID_ShellLink;  // {00021401-0000-0000-C000-000000000046}
extern const IID IID_IShellLinkA;    // {000214EE-0000-0000-C000-000000000046}
extern const IID IID_IPersist;       // {0000010C-0000-0000-C000-000000000046}
extern const IID IID_IPersistFile;   // {0000010B-0000-0000-C000-000000000046}

// IShellLinkA::GetPath flags.
inline constexpr DWORD SLGP_SHORTPATH = 0x1;
inline constexpr DWORD SLGP_UNCPRIORITY = 0x2;
inline constexpr DWORD SLGP_RAWPATH = 0x4;

// IShellLinkA::Resolve flags.
inline constexpr DWORD SLR_NO_UI = 0x1;
inline constexpr DWORD SLR_ANY_MATCH = 0x2;
inline constexpr DWORD SLR_UPDATE = 0x4;

// Storage modes of IPersistFile::Load.
inline constexpr DWORD STGM_READ = 0x0;
inline constexpr DWORD STGM_WRITE = 0x1;
inline constexpr DWORD STGM_READWRITE = 0x2;

// The hot-key word: virtual-key code in the low byte, these modifiers in the high byte.
inline constexpr BYTE HOTKEYF_SHIFT = 0x01;
inline constexpr BYTE HOTKEYF_CONTROL = 0x02;
inline constexpr BYTE HOTKEYF_ALT = 0x04;

struct WIN32_FIND_DATAA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  char cFileName[MAX_PATH];
  char cAlternateFileName[14];
};

struct ITEMIDLIST;
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;

// The getters copy at most cch - 1 bytes and always terminate (a cch of 0 copies nothing).
class IShellLinkA : public IUnknown {
 public:
  virtual HRESULT WINAPI GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD fFlags) = 0;
  // Item ID lists are not kept: E_NOTIMPL.
  virtual HRESULT WINAPI GetIDList(LPITEMIDLIST* ppidl) = 0;
  virtual HRESULT WINAPI SetIDList(LPCITEMIDLIST pidl) = 0;
  virtual HRESULT WINAPI GetDescription(LPSTR pszName, int cch) = 0;
  virtual HRESULT WINAPI SetDescription(LPCSTR pszName) = 0;
  virtual HRESULT WINAPI GetWorkingDirectory(LPSTR pszDir, int cch) = 0;
  virtual HRESULT WINAPI SetWorkingDirectory(LPCSTR pszDir) = 0;
  virtual HRESULT WINAPI GetArguments(LPSTR pszArgs, int cch) = 0;
  virtual HRESULT WINAPI SetArguments(LPCSTR pszArgs) = 0;
  virtual HRESULT WINAPI GetHotkey(WORD* pwHotkey) = 0;
  virtual HRESULT WINAPI SetHotkey(WORD wHotkey) = 0;
  virtual HRESULT WINAPI GetShowCmd(int* piShowCmd) = 0;
  virtual HRESULT WINAPI SetShowCmd(int iShowCmd) = 0;
  virtual HRESULT WINAPI GetIconLocation(LPSTR pszIconPath, int cch, int* piIcon) = 0;
  virtual HRESULT WINAPI SetIconLocation(LPCSTR pszIconPath, int iIcon) = 0;
  virtual HRESULT WINAPI SetRelativePath(LPCSTR pszPathRel, DWORD dwReserved) = 0;
  // There is no search for a moved target: S_OK when the target exists (or the link has
  // none), S_FALSE when it does not; the link stays as it is either way.
  virtual HRESULT WINAPI Resolve(HWND hwnd, DWORD fFlags) = 0;
  // Takes the path as given and records the target's attributes, times and size when it
  // exists.
  virtual HRESULT WINAPI SetPath(LPCSTR pszFile) = 0;
};

class IPersist : public IUnknown {
 public:
  virtual HRESULT WINAPI GetClassID(CLSID* pClassID) = 0;
};

class IPersistFile : public IPersist {
 public:
  // S_OK when the link changed since it was loaded or saved, S_FALSE otherwise.
  virtual HRESULT WINAPI IsDirty() = 0;
  // E_FAIL for a file that is not a shell link; a file error gives its code
  // (HRESULT_FROM_WIN32).
  virtual HRESULT WINAPI Load(LPCOLESTR pszFileName, DWORD dwMode) = 0;
  // Creates or replaces the file; a null name saves to the file loaded or saved last.
  virtual HRESULT WINAPI Save(LPCOLESTR pszFileName, BOOL fRemember) = 0;
  virtual HRESULT WINAPI SaveCompleted(LPCOLESTR pszFileName) = 0;
  // E_NOTIMPL: there is no task allocator for the returned name.
  virtual HRESULT WINAPI GetCurFile(LPOLESTR* ppszFileName) = 0;
};

constexpr HRESULT HRESULT_FROM_WIN32(DWORD error) {
  return error == 0 ? S_OK : static_cast<HRESULT>((error & 0xFFFF) | 0x80070000u);
}
