#include "platform/classlib/HiddenWindow.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "platform/classlib/Exception.h"
#include "platform/classlib/ExceptionHandler.h"

namespace {

TEST(HiddenWindowTest, MessagesReachTheMethodWithTheirResult) {
  std::vector<UINT> seen;
  HWND window = AllocateHWnd([&](TMessage& message) {
    seen.push_back(message.Msg);
    if (message.Msg == WM_USER)
      message.Result = static_cast<LRESULT>(message.WParam + message.LParam);
  });
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(SendMessageA(window, WM_USER, 40, 2), 42);
  EXPECT_EQ(SendMessageA(window, WM_QUERYENDSESSION, 0, 0), 0);  // the method left it at 0
  DeallocateHWnd(window);
  EXPECT_FALSE(IsWindow(window));
  EXPECT_EQ(SendMessageA(window, WM_USER, 1, 1), 0);
  EXPECT_EQ(seen, (std::vector<UINT>{WM_USER, WM_QUERYENDSESSION}));
}

TEST(HiddenWindowTest, AnEscapingExceptionGoesToTheApplicationHandler) {
  std::vector<std::string> handled;
  SetApplicationHandleException(
      [&](TObject*, std::exception_ptr error) { handled.push_back(ExceptionMessage(error)); });
  HWND window = AllocateHWnd([](TMessage& message) {
    message.Result = 5;
    throw Exception("Handler failed");
  });
  SendMessageA(window, WM_USER, 0, 0);
  EXPECT_TRUE(IsWindow(window));
  DeallocateHWnd(window);
  SetApplicationHandleException(nullptr);
  EXPECT_EQ(handled, (std::vector<std::string>{"Handler failed"}));
}

TEST(ExceptionHandlerTest, DefaultHandlerWritesTheMessageToStderr) {
  testing::internal::CaptureStderr();
  CallHandled(nullptr, [] { throw EListError("List index out of bounds (3)"); });
  CallHandled(nullptr, [] { throw std::runtime_error("plain failure"); });
  CallHandled(nullptr, [] { throw 7; });
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "List index out of bounds (3)\nplain failure\nUnknown exception\n");
}

}  // namespace
