// Which of Shift, Ctrl and Alt are held: the class library follows them from the window
// system's input events; key and mouse messages sent with Perform read them from here.
#pragma once

#include "platform/classlib/ControlTypes.h"

TShiftState KeyboardShiftState();
// Sets Shift, Ctrl and Alt as given (the other states are ignored).
void SetKeyboardShiftState(TShiftState state);
