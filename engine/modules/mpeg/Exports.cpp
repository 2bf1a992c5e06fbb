// The exports of teskdec.dll where the modules differ; the module frame defines the rest
// (ModuleExports.cpp). This module takes a handle for every call and has an input mode, a
// thread priority and an equaliser.
#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/common/HandleCheck.h"
#include "engine/modules/common/ModuleExports.h"
#include "engine/modules/mpeg/MpegModule.h"
#include "engine/modules/mpeg/PlayerHandle.h"

namespace {

PlayerHandle* Checked(QVHandle h) { return CheckHandle<PlayerHandle>(h); }
PlayerHandle* Served(QVHandle h) { return static_cast<PlayerHandle*>(ServedPlayer(h)); }

}  // namespace

QV_EXPORT QVBool WINAPI QVSetInputMode(QVHandle h, int32_t mode) {
  PlayerHandle* handle = Served(h);
  if (handle == nullptr) return FALSE;
  return ExportResult(MpegModule::SetInputMode(*handle, mode));
}
QV_EXPORT QVBool WINAPI QVSetPriority(QVHandle h, int32_t priority) {
  PlayerHandle* handle = Served(h);
  if (handle == nullptr) return FALSE;
  return ExportResult(MpegModule::SetPriority(*handle, priority));
}
QV_EXPORT QVBool WINAPI QVHasEQ(QVHandle h, QVByteBool* has) {
  PlayerHandle* handle = Checked(h);
  if (has != nullptr) *has = handle != nullptr ? 1 : 0;
  return ExportResult(handle != nullptr);
}
QV_EXPORT QVBool WINAPI QVUseEQ(QVHandle h, QVBool use) {
  PlayerHandle* handle = Served(h);
  if (handle == nullptr) return FALSE;
  return ExportResult(MpegModule::UseEQ(*handle, QVTrue(use)));
}
QV_EXPORT QVBool WINAPI QVEQ(QVHandle h, double** gains, int32_t* channels, int32_t* bands) {
  PlayerHandle* handle = Served(h);
  if (handle == nullptr) return FALSE;
  return ExportResult(MpegModule::EQ(*handle, gains, channels, bands));
}
