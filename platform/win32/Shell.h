// The shell's "open" verb: the address (a web or mailto address, a file or a folder) goes to
// the desktop's opener, xdg-open, found on the PATH.
#pragma once

#include "platform/win32/Types.h"

inline constexpr int SW_HIDE = 0;
inline constexpr int SW_SHOWNORMAL = 1;
inline constexpr int SW_SHOW = 5;

// Results of ShellExecuteA at or below 32 are errors.
inline constexpr UINT_PTR SE_ERR_FNF = 2;
inline constexpr UINT_PTR SE_ERR_OOM = 8;
inline constexpr UINT_PTR SE_ERR_NOASSOC = 31;

// Starts xdg-open with the address and returns without waiting for it; the opener is
// detached, so no child is left to reap. The result (a value above 32 when the opener
// started) says only whether it started: SE_ERR_NOASSOC for a verb other than "open" (null
// counts as "open"), SE_ERR_FNF for no address or no opener. Parameters, directory and show
// command are not used: an address has no arguments.
HINSTANCE WINAPI ShellExecuteA(HWND window, LPCSTR operation, LPCSTR file, LPCSTR parameters,
                               LPCSTR directory, int showCommand);
