#include "platform/win32/Window.h"

#include <mutex>
#include <string>
#include <unordered_map>

namespace {

struct WindowRecord {
  std::string className;
  std::string windowName;
  WNDPROC procedure = DefWindowProcA;
  LONG_PTR userData = 0;
};

// Handles are small numbers, never reused, so a stale handle is recognised as invalid.
struct WindowTable {
  std::mutex lock;
  std::unordered_map<uintptr_t, WindowRecord> windows;
  uintptr_t nextHandle = 0x10;
};

WindowTable& Table() {
  static WindowTable table;
  return table;
}

uintptr_t Key(HWND window) { return reinterpret_cast<uintptr_t>(window); }

}  // namespace

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR windowName, DWORD, int, int, int, int, HWND,
                     HMENU, HINSTANCE, LPVOID) {
  WindowTable& table = Table();
  std::lock_guard guard(table.lock);
  uintptr_t handle = table.nextHandle;
  table.nextHandle += 2;
  WindowRecord& record = table.windows[handle];
  record.className = className ? className : "";
  record.windowName = windowName ? windowName : "";
  return reinterpret_cast<HWND>(handle);
}

BOOL DestroyWindow(HWND window) {
  if (!IsWindow(window)) return FALSE;
  SendMessageA(window, WM_DESTROY, 0, 0);
  WindowTable& table = Table();
  std::lock_guard guard(table.lock);
  return table.windows.erase(Key(window)) ? TRUE : FALSE;
}

BOOL IsWindow(HWND window) {
  WindowTable& table = Table();
  std::lock_guard guard(table.lock);
  return table.windows.count(Key(window)) ? TRUE : FALSE;
}

LRESULT DefWindowProcA(HWND, UINT message, WPARAM, LPARAM) {
  return message == WM_QUERYENDSESSION ? TRUE : 0;
}

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  WindowTable& table = Table();
  std::lock_guard guard(table.lock);
  auto found = table.windows.find(Key(window));
  if (found == table.windows.end()) return 0;
  WindowRecord& record = found->second;
  LONG_PTR previous = 0;
  if (index == GWLP_WNDPROC) {
    previous = reinterpret_cast<LONG_PTR>(record.procedure);
    record.procedure = value ? reinterpret_cast<WNDPROC>(value) : DefWindowProcA;
  } else if (index == GWLP_USERDATA) {
    previous = record.userData;
    record.userData = value;
  }
  return previous;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  WindowTable& table = Table();
  std::lock_guard guard(table.lock);
  auto found = table.windows.find(Key(window));
  if (found == table.windows.end()) return 0;
  if (index == GWLP_WNDPROC) return reinterpret_cast<LONG_PTR>(found->second.procedure);
  if (index == GWLP_USERDATA) return found->second.userData;
  return 0;
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WNDPROC procedure = nullptr;
  {
    WindowTable& table = Table();
    std::lock_guard guard(table.lock);
    auto found = table.windows.find(Key(window));
    if (found == table.windows.end()) return 0;
    procedure = found->second.procedure;
  }
  // The procedure runs without the table lock, so it may create, change or destroy windows.
  return procedure(window, message, wParam, lParam);
}

namespace {

std::mutex focusLock;
HWND focusWindow = nullptr;

}  // namespace

HWND SetFocus(HWND window) {
  if (window != nullptr && !IsWindow(window)) return nullptr;
  std::lock_guard guard(focusLock);
  HWND previous = focusWindow;
  focusWindow = window;
  return previous != nullptr && IsWindow(previous) ? previous : nullptr;
}

HWND GetFocus() {
  HWND focused;
  {
    std::lock_guard guard(focusLock);
    focused = focusWindow;
  }
  return focused != nullptr && IsWindow(focused) ? focused : nullptr;
}
