#include "engine/YzPlayerFunctions.h"

#include "platform/win32/Library.h"

namespace {

template <class Proc>
bool Bind(HMODULE module, const char* name, Proc& entry) {
  FARPROC address = GetProcAddress(module, name);
  if (address == nullptr) return false;
  entry = reinterpret_cast<Proc>(reinterpret_cast<void*>(address));
  return true;
}

}  // namespace

bool BindPlayerFunctions(HMODULE Module, TYzPlayerFunctions& F) {
#define BIND(name) Bind(Module, #name, F.name)
  return BIND(QVInitModule) && BIND(QVDeInitModule) && BIND(QVOpen) && BIND(QVClose) &&
         BIND(QVPlay) && BIND(QVCanPause) && BIND(QVPause) && BIND(QVResume) && BIND(QVStop) &&
         BIND(QVCanSetPos) && BIND(QVGetPos) && BIND(QVSetPos) && BIND(QVGetAbout) &&
         BIND(QVGetName) && BIND(QVGetSize) && BIND(QVSetInputMode) && BIND(QVSetOutputMode) &&
         BIND(QVSetInputName) && BIND(QVSetOutputName) && BIND(QVSetOutputDev) &&
         BIND(QVGetPlayerMode) && BIND(QVLastError) && BIND(QVGetVersion) && BIND(QVSetBuffers) &&
         BIND(QVSetPriority) && BIND(QVSetLimits) && BIND(QVSetOutCB) && BIND(QVGetVolume) &&
         BIND(QVSetVolume) && BIND(QVCanSetVolume) && BIND(QVGetExts) && BIND(QVGetInfo1) &&
         BIND(QVGetInfo2) && BIND(QVInitStream) && BIND(QVSetDevNum) && BIND(QVSetInCB) &&
         BIND(QVSetWindow) && BIND(QVUseOutCB) && BIND(QVUseEQ) && BIND(QVHasEQ) && BIND(QVEQ);
#undef BIND
}
