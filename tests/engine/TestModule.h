// The controls of the test-only decoder modules, which the player tests reach through the
// library loader alongside the player.
#pragma once

#include "engine/PluginInterface.h"

struct TestCallbackTable {
  QVOutputProc output;
  QVOutputActionProc outputAction;
  QVUserValue outputUser;
  QVInputOpenProc inputOpen;
  QVInputCloseProc inputClose;
  QVInputGetSizeProc inputGetSize;
  QVInputSeekProc inputSeek;
  QVInputReadProc inputRead;
  QVUserValue inputUser;
};

using TestResetProc = void (*)();
// The result the named function gives from now on (Boolean or integer).
using TestSetResultProc = void (*)(const char* function, int32_t result);
// The code the next QVLastError reports (and then resets to 0).
using TestSetErrorProc = void (*)(int32_t code);
using TestSetVolumeProc = void (*)(uint32_t volume, int32_t separate);
using TestSetHasEQProc = void (*)(int32_t has);
// A null text makes that text function fail.
using TestSetTextsProc = void (*)(const char* name, const char* about, const char* exts);
// Every call since the last reset, one line each: the name and the arguments after the
// handle ("!" in front when the handle was not the module's own).
using TestLogProc = const char* (*)();
using TestCallbacksProc = void (*)(TestCallbackTable* table);
