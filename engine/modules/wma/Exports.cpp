// The exports of teskwma.dll where the modules differ; the module frame defines the rest
// (ModuleExports.cpp). The functions that serve what this module does not implement check no
// handle.
#include "engine/modules/common/ModuleExports.h"
#include "engine/modules/wma/WmaModule.h"

QV_EXPORT QVBool WINAPI QVSetInputMode(QVHandle, int32_t mode) {
  return ExportResult(WmaModule::SetInputMode(mode));
}
QV_EXPORT QVBool WINAPI QVSetPriority(QVHandle, int32_t) {
  return ExportResult(WmaModule::NotImplemented());
}
QV_EXPORT QVBool WINAPI QVHasEQ(QVHandle, QVByteBool* has) {
  if (has != nullptr) *has = 0;
  return TRUE;
}
QV_EXPORT QVBool WINAPI QVUseEQ(QVHandle, QVBool) {
  return ExportResult(WmaModule::NotImplemented());
}
QV_EXPORT QVBool WINAPI QVEQ(QVHandle, double**, int32_t*, int32_t*) {
  return ExportResult(WmaModule::NotImplemented());
}
