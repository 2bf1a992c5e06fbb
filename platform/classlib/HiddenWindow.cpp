#include "platform/classlib/HiddenWindow.h"

#include "platform/classlib/ExceptionHandler.h"

namespace {

LRESULT CALLBACK MethodWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(window, GWLP_USERDATA));
  if (!method || !*method) return DefWindowProcA(window, message, wParam, lParam);
  TMessage msg{message, wParam, lParam, 0};
  try {
    (*method)(msg);
  } catch (...) {
    ApplicationHandleException(nullptr);
  }
  return msg.Result;
}

}  // namespace

HWND AllocateHWnd(TWndMethod Method) {
  HWND window = CreateWindowExA(WS_EX_TOOLWINDOW, "HiddenWindow", "", WS_POPUP, 0, 0, 0, 0, nullptr,
                                nullptr, nullptr, nullptr);
  if (!window) return nullptr;
  auto* method = new TWndMethod(std::move(Method));
  SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(method));
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MethodWindowProc));
  return window;
}

void DeallocateHWnd(HWND Window) {
  if (!IsWindow(Window)) return;
  auto* method = reinterpret_cast<TWndMethod*>(GetWindowLongPtrA(Window, GWLP_USERDATA));
  SetWindowLongPtrA(Window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
  SetWindowLongPtrA(Window, GWLP_USERDATA, 0);
  DestroyWindow(Window);
  delete method;
}
