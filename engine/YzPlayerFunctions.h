// The table of a module's bound interface functions: all exports but QVSetExtras.
#pragma once

#include "engine/PluginInterface.h"
#include "platform/win32/Types.h"

struct TYzPlayerFunctions {
  QVInitModuleProc QVInitModule = nullptr;
  QVDeInitModuleProc QVDeInitModule = nullptr;
  QVOpenProc QVOpen = nullptr;
  QVCloseProc QVClose = nullptr;
  QVInitStreamProc QVInitStream = nullptr;
  QVPlayProc QVPlay = nullptr;
  QVPauseProc QVPause = nullptr;
  QVResumeProc QVResume = nullptr;
  QVStopProc QVStop = nullptr;
  QVGetPosProc QVGetPos = nullptr;
  QVSetPosProc QVSetPos = nullptr;
  QVGetAboutProc QVGetAbout = nullptr;
  QVGetNameProc QVGetName = nullptr;
  QVGetVersionProc QVGetVersion = nullptr;
  QVSetInputModeProc QVSetInputMode = nullptr;
  QVSetOutputModeProc QVSetOutputMode = nullptr;
  QVSetInputNameProc QVSetInputName = nullptr;
  QVSetOutputNameProc QVSetOutputName = nullptr;
  QVSetOutputDevProc QVSetOutputDev = nullptr;
  QVGetPlayerModeProc QVGetPlayerMode = nullptr;
  QVGetSizeProc QVGetSize = nullptr;
  QVLastErrorProc QVLastError = nullptr;
  QVSetBuffersProc QVSetBuffers = nullptr;
  QVSetPriorityProc QVSetPriority = nullptr;
  QVSetLimitsProc QVSetLimits = nullptr;
  QVSetOutCBProc QVSetOutCB = nullptr;
  QVGetExtsProc QVGetExts = nullptr;
  QVGetInfo1Proc QVGetInfo1 = nullptr;
  QVGetInfo2Proc QVGetInfo2 = nullptr;
  QVGetVolumeProc QVGetVolume = nullptr;
  QVSetVolumeProc QVSetVolume = nullptr;
  QVCanSetVolumeProc QVCanSetVolume = nullptr;
  QVSetDevNumProc QVSetDevNum = nullptr;
  QVSetInCBProc QVSetInCB = nullptr;
  QVCanSetPosProc QVCanSetPos = nullptr;
  QVCanPauseProc QVCanPause = nullptr;
  QVSetWindowProc QVSetWindow = nullptr;
  QVUseOutCBProc QVUseOutCB = nullptr;
  QVHasEQProc QVHasEQ = nullptr;
  QVUseEQProc QVUseEQ = nullptr;
  QVEQProc QVEQ = nullptr;
};

// Looks the 41 names up one after another; the first name the module does not export stops
// the binding (entries bound so far stay filled) and gives false.
bool BindPlayerFunctions(HMODULE Module, TYzPlayerFunctions& Functions);
