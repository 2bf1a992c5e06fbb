#include <gtest/gtest.h>

#include "platform/win32/Window.h"

namespace {

HWND MakeWindow() {
  return CreateWindowExA(0, "Focus", "", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
}

TEST(WindowFocus, SetFocusHandsBackThePreviousWindow) {
  HWND first = MakeWindow();
  HWND second = MakeWindow();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  SetFocus(nullptr);
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SetFocus(first), nullptr);
  EXPECT_EQ(GetFocus(), first);
  EXPECT_EQ(SetFocus(second), first);
  EXPECT_EQ(GetFocus(), second);
  // Giving it back, as a caller does after a step that needed its own window focused.
  EXPECT_EQ(SetFocus(first), second);
  EXPECT_EQ(GetFocus(), first);

  // A handle that is no window changes nothing.
  EXPECT_EQ(SetFocus(reinterpret_cast<HWND>(0x7)), nullptr);
  EXPECT_EQ(GetFocus(), first);

  // A destroyed window no longer has the focus.
  EXPECT_TRUE(DestroyWindow(first));
  EXPECT_EQ(GetFocus(), nullptr);
  EXPECT_EQ(SetFocus(second), nullptr);
  EXPECT_TRUE(DestroyWindow(second));
}

}  // namespace
