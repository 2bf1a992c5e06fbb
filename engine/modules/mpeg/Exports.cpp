// The 42 exports of teskdec.dll: those both modules share, and the ones below, where this
// module takes a handle for every call and has an equaliser.
#include "engine/modules/mpeg/MpegModule.h"
#include "engine/modules/mpeg/PlayerHandle.h"

namespace ModuleOperations = MpegModule;
#include "engine/modules/common/SharedExports.inc"

QV_EXPORT QVBool WINAPI QVDeInitModule(QVHandle h) {
  WITH_HANDLE(FALSE, Result(MpegModule::DeInitModule(*handle)));
}
QV_EXPORT QVBool WINAPI QVSetInputMode(QVHandle h, int32_t mode) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetInputMode(*handle, mode)));
}
QV_EXPORT QVBool WINAPI QVSetPriority(QVHandle h, int32_t priority) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetPriority(*handle, priority)));
}
QV_EXPORT int32_t WINAPI QVLastError(QVHandle h) {
  WITH_HANDLE(-1, MpegModule::LastError(*handle));
}
QV_EXPORT QVBool WINAPI QVHasEQ(QVHandle h, QVByteBool* has) {
  PlayerHandle* handle = Checked(h);
  if (has != nullptr) *has = handle != nullptr ? 1 : 0;
  return Result(handle != nullptr);
}
QV_EXPORT QVBool WINAPI QVUseEQ(QVHandle h, QVBool use) {
  WITH_HANDLE(FALSE, Result(MpegModule::UseEQ(*handle, QVTrue(use))));
}
QV_EXPORT QVBool WINAPI QVEQ(QVHandle h, double** gains, int32_t* channels, int32_t* bands) {
  WITH_HANDLE(FALSE, Result(MpegModule::EQ(*handle, gains, channels, bands)));
}

#include "engine/modules/common/ExportTypeCheck.inc"
