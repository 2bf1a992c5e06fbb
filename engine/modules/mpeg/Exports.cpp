// The 42 exports of teskdec.dll. Each checks its player handle, then calls the operation
// behind it; a bad handle gives false (or -1) and sets no error code.
#include <type_traits>

#include "engine/PluginInterface.h"
#include "engine/modules/common/HandleCheck.h"
#include "engine/modules/common/ModuleText.h"
#include "engine/modules/mpeg/MpegModule.h"
#include "engine/modules/mpeg/PlayerHandle.h"

namespace {

PlayerHandle* Checked(QVHandle h) { return CheckHandle<PlayerHandle>(h); }

QVBool Result(bool value) { return value ? TRUE : FALSE; }

}  // namespace

#define WITH_HANDLE(failure, call)   \
  PlayerHandle* handle = Checked(h); \
  if (handle == nullptr) return failure; \
  return call

QV_EXPORT QVHandle WINAPI QVInitModule() {
  return reinterpret_cast<QVHandle>(MpegModule::InitModule());
}
QV_EXPORT QVBool WINAPI QVDeInitModule(QVHandle h) {
  WITH_HANDLE(FALSE, Result(MpegModule::DeInitModule(*handle)));
}
QV_EXPORT QVBool WINAPI QVOpen(QVHandle h) { WITH_HANDLE(FALSE, Result(MpegModule::Open(*handle))); }
QV_EXPORT QVBool WINAPI QVClose(QVHandle h) {
  WITH_HANDLE(FALSE, Result(MpegModule::Close(*handle)));
}
QV_EXPORT QVBool WINAPI QVInitStream(QVHandle h) {
  WITH_HANDLE(FALSE, Result(MpegModule::InitStream(*handle)));
}
QV_EXPORT QVBool WINAPI QVPlay(QVHandle h) { WITH_HANDLE(FALSE, Result(MpegModule::Play(*handle))); }
QV_EXPORT QVBool WINAPI QVPause(QVHandle h) {
  WITH_HANDLE(FALSE, Result(MpegModule::Pause(*handle)));
}
QV_EXPORT QVBool WINAPI QVResume(QVHandle h) {
  WITH_HANDLE(FALSE, Result(MpegModule::Resume(*handle)));
}
QV_EXPORT QVBool WINAPI QVStop(QVHandle h) { WITH_HANDLE(FALSE, Result(MpegModule::Stop(*handle))); }
QV_EXPORT QVBool WINAPI QVSetPos(QVHandle h, uint32_t position) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetPos(*handle, position)));
}
QV_EXPORT QVBool WINAPI QVSetInputMode(QVHandle h, int32_t mode) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetInputMode(*handle, mode)));
}
QV_EXPORT QVBool WINAPI QVSetInputName(QVHandle h, const char* name) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetInputName(*handle, name)));
}
QV_EXPORT QVBool WINAPI QVSetOutputMode(QVHandle h, int32_t mode) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetOutputMode(*handle, mode)));
}
QV_EXPORT QVBool WINAPI QVSetOutputName(QVHandle h, const char* name) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetOutputName(*handle, name)));
}
QV_EXPORT QVBool WINAPI QVSetOutputDev(QVHandle h, int32_t device) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetOutputDev(*handle, device)));
}
QV_EXPORT QVBool WINAPI QVSetDevNum(QVHandle h, int32_t device) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetDevNum(*handle, device)));
}
QV_EXPORT QVBool WINAPI QVSetBuffers(QVHandle h, int32_t count, int32_t size) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetBuffers(*handle, count, size)));
}
QV_EXPORT QVBool WINAPI QVSetPriority(QVHandle h, int32_t priority) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetPriority(*handle, priority)));
}
QV_EXPORT QVBool WINAPI QVSetLimits(QVHandle h, uint32_t start, uint32_t end) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetLimits(*handle, start, end)));
}
QV_EXPORT QVBool WINAPI QVSetWindow(QVHandle h, HWND window) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetWindow(*handle, window)));
}
QV_EXPORT QVBool WINAPI QVUseOutCB(QVHandle h, QVBool use) {
  WITH_HANDLE(FALSE, Result(MpegModule::UseOutCB(*handle, QVTrue(use))));
}
QV_EXPORT QVBool WINAPI QVSetOutCB(QVHandle h, QVOutputProc data, QVOutputActionProc action,
                                   QVUserValue user) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetOutCB(*handle, data, action, user)));
}
QV_EXPORT QVBool WINAPI QVSetInCB(QVHandle h, QVInputOpenProc open, QVInputCloseProc close,
                                  QVInputGetSizeProc getSize, QVInputSeekProc seek,
                                  QVInputReadProc read, QVUserValue user) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetInCB(*handle, open, close, getSize, seek, read, user)));
}
QV_EXPORT QVBool WINAPI QVSetExtras(QVHandle h, int32_t) { WITH_HANDLE(FALSE, TRUE); }
QV_EXPORT int32_t WINAPI QVGetPlayerMode(QVHandle h) {
  WITH_HANDLE(-1, MpegModule::GetPlayerMode(*handle));
}
QV_EXPORT int32_t WINAPI QVGetPos(QVHandle h) { WITH_HANDLE(-1, MpegModule::GetPos(*handle)); }
QV_EXPORT int32_t WINAPI QVGetSize(QVHandle h) { WITH_HANDLE(-1, MpegModule::GetSize(*handle)); }
QV_EXPORT QVBool WINAPI QVCanSetPos(QVHandle h) {
  WITH_HANDLE(FALSE, Result(MpegModule::CanSetPos(*handle)));
}
QV_EXPORT QVBool WINAPI QVCanPause(QVHandle h) { WITH_HANDLE(FALSE, TRUE); }
QV_EXPORT QVBool WINAPI QVGetInfo1(QVHandle h, StreamInfo* info, uint32_t* size) {
  WITH_HANDLE(FALSE, Result(MpegModule::GetInfo1(*handle, info, size)));
}
QV_EXPORT QVBool WINAPI QVGetInfo2(QVHandle h, const char** text) {
  WITH_HANDLE(FALSE, Result(MpegModule::GetInfo2(*handle, text)));
}
QV_EXPORT int32_t WINAPI QVLastError(QVHandle h) {
  WITH_HANDLE(-1, MpegModule::LastError(*handle));
}
QV_EXPORT QVBool WINAPI QVGetName(char* buffer, int32_t* length) {
  return Result(CopyModuleText(MpegModule::Name, buffer, length));
}
QV_EXPORT QVBool WINAPI QVGetExts(char* buffer, int32_t* length) {
  return Result(CopyModuleText(MpegModule::Extensions, buffer, length));
}
QV_EXPORT QVBool WINAPI QVGetAbout(char* buffer, int32_t* length) {
  return Result(CopyModuleText(MpegModule::About, buffer, length));
}
QV_EXPORT int32_t WINAPI QVGetVersion() { return MpegModule::Version; }
QV_EXPORT QVBool WINAPI QVGetVolume(QVHandle h, uint32_t* volume) {
  WITH_HANDLE(FALSE, Result(MpegModule::GetVolume(*handle, volume)));
}
QV_EXPORT QVBool WINAPI QVSetVolume(QVHandle h, uint32_t volume) {
  WITH_HANDLE(FALSE, Result(MpegModule::SetVolume(*handle, volume)));
}
QV_EXPORT QVBool WINAPI QVCanSetVolume(QVHandle h, QVByteBool* separate) {
  WITH_HANDLE(FALSE, Result(MpegModule::CanSetVolume(*handle, separate)));
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

// The exports' types are those of the plug-in interface.
#define QV_CHECK_EXPORT_TYPE(name, result, params) \
  static_assert(std::is_same_v<decltype(&name), name##Proc>, #name);
QV_EXPORT_LIST(QV_CHECK_EXPORT_TYPE)
#undef QV_CHECK_EXPORT_TYPE
