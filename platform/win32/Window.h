// Windows and their messages, reduced to what non-visual code needs: a window is a handle
// whose messages go to its window procedure. There is no message queue: SendMessageA calls
// the procedure directly on the sending thread.
#pragma once

#include "platform/win32/Types.h"

struct HMENU__;
using HMENU = HMENU__*;

using WNDPROC = LRESULT(CALLBACK*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

inline constexpr UINT WM_NULL = 0x0000;
inline constexpr UINT WM_DESTROY = 0x0002;
inline constexpr UINT WM_CLOSE = 0x0010;
inline constexpr UINT WM_QUERYENDSESSION = 0x0011;
inline constexpr UINT WM_ENDSESSION = 0x0016;
inline constexpr UINT WM_TIMER = 0x0113;
inline constexpr UINT WM_USER = 0x0400;

inline constexpr int GWLP_WNDPROC = -4;
inline constexpr int GWLP_USERDATA = -21;

inline constexpr DWORD WS_POPUP = 0x80000000;
inline constexpr DWORD WS_EX_TOOLWINDOW = 0x00000080;

// Creates a window whose procedure is DefWindowProcA; class and geometry are kept only as
// given, since nothing here is ever shown. Returns 0 when no window could be made.
HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param);
// Sends WM_DESTROY to the window's procedure, then invalidates the handle.
BOOL DestroyWindow(HWND window);
BOOL IsWindow(HWND window);

// The default procedure: TRUE for WM_QUERYENDSESSION, 0 for everything else.
LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// GWLP_WNDPROC and GWLP_USERDATA; both return the previous value, 0 for a bad handle or index.
LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value);
LONG_PTR GetWindowLongPtrA(HWND window, int index);

// Calls the window's procedure with the message and returns its result; 0 for a bad handle.
LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The keyboard focus: one window of the process at a time (there is no input queue per
// thread here). SetFocus gives it to the window (null: to none) and returns the window that
// had it; a handle that is not a window changes nothing and gives null. GetFocus gives null
// once the focus window has been destroyed.
HWND SetFocus(HWND window);
HWND GetFocus();
