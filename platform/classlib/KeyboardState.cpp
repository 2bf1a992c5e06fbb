#include "platform/classlib/KeyboardState.h"

namespace {
TShiftState g_state;
}

TShiftState KeyboardShiftState() { return g_state; }

void SetKeyboardShiftState(TShiftState state) {
  TShiftState kept;
  if (state.Contains(ssShift)) kept << ssShift;
  if (state.Contains(ssCtrl)) kept << ssCtrl;
  if (state.Contains(ssAlt)) kept << ssAlt;
  g_state = kept;
}
