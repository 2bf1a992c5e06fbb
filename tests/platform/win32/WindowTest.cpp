#include "platform/win32/Window.h"

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK Doubling(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_USER)
    return static_cast<LRESULT>(wParam) * 2 + GetWindowLongPtrA(window, GWLP_USERDATA);
  return DefWindowProcA(window, message, wParam, lParam);
}

TEST(WindowTest, DefaultProcedureAgreesToEndTheSession) {
  HWND window =
      CreateWindowExA(0, "Test", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(IsWindow(window));
  EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), TRUE);
  EXPECT_EQ(SendMessageA(window, WM_USER, 3, 0), 0);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_FALSE(DestroyWindow(window));
}

TEST(WindowTest, ReplacedProcedureReceivesMessagesUntilDestroyed) {
  HWND window =
      CreateWindowExA(0, "Test", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  HWND other =
      CreateWindowExA(0, "Test", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
  EXPECT_NE(window, other);
  LONG_PTR previous =
      SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Doubling));
  EXPECT_EQ(previous, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
  SetWindowLongPtrA(window, GWLP_USERDATA, 1);
  EXPECT_EQ(SendMessageA(window, WM_USER, 20, 0), 41);
  EXPECT_EQ(SendMessageA(other, WM_USER, 20, 0), 0);
  DestroyWindow(window);
  DestroyWindow(other);
  EXPECT_EQ(SendMessageA(window, WM_USER, 20, 0), 0);
  EXPECT_EQ(GetWindowLongPtrA(window, GWLP_USERDATA), 0);
}

}  // namespace
