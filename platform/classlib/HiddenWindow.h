// A window that is never shown and whose messages go to a method of an object: the handle of
// such a window is what a non-visual component hands to code that wants one.
#pragma once

#include <functional>

#include "platform/win32/Window.h"

struct TMessage {
  UINT Msg = 0;
  WPARAM WParam = 0;
  LPARAM LParam = 0;
  LRESULT Result = 0;
};

using TWndMethod = std::function<void(TMessage& Message)>;

// Creates the window with the default procedure, then routes every message to Method. An
// exception that Method lets escape goes to the application's exception handler.
HWND AllocateHWnd(TWndMethod Method);
// Gives the window back its default procedure and destroys it.
void DeallocateHWnd(HWND Window);
