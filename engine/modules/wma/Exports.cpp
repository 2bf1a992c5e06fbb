// The 42 exports of teskwma.dll: those both modules share, and the ones below. The functions
// that serve what this module does not implement check no handle; the error code is
// module-wide.
#include "engine/modules/wma/PlayerHandle.h"
#include "engine/modules/wma/WmaModule.h"

// The handle is the callback object itself: its function table stands first, which the
// shared handle check allows for.
namespace ModuleOperations = WmaModule;
#include "engine/modules/common/SharedExports.inc"

QV_EXPORT QVBool WINAPI QVDeInitModule(QVHandle h) {
  WITH_HANDLE(FALSE, Result(WmaModule::DeInitModule(handle)));
}
QV_EXPORT QVBool WINAPI QVSetInputMode(QVHandle, int32_t mode) {
  return Result(WmaModule::SetInputMode(mode));
}
QV_EXPORT QVBool WINAPI QVSetPriority(QVHandle, int32_t) {
  return Result(WmaModule::NotImplemented());
}
QV_EXPORT int32_t WINAPI QVLastError(QVHandle h) { WITH_HANDLE(-1, WmaModule::LastError()); }
QV_EXPORT QVBool WINAPI QVHasEQ(QVHandle, QVByteBool* has) {
  if (has != nullptr) *has = 0;
  return TRUE;
}
QV_EXPORT QVBool WINAPI QVUseEQ(QVHandle, QVBool) { return Result(WmaModule::NotImplemented()); }
QV_EXPORT QVBool WINAPI QVEQ(QVHandle, double**, int32_t*, int32_t*) {
  return Result(WmaModule::NotImplemented());
}

#include "engine/modules/common/ExportTypeCheck.inc"
