// The 42 exports of teskwma.dll. Each checks its player handle, then calls the operation
// behind it; a bad handle gives false (or -1) and sets no error code. The functions that serve
// what this module does not implement check no handle.
#include <cstddef>
#include <cstring>
#include <type_traits>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleText.h"
#include "engine/modules/wma/PlayerHandle.h"
#include "engine/modules/wma/WmaModule.h"

namespace {

// The handle check reads the magic field of whatever the host passes. The handle is a
// polymorphic object (its function table comes first), so the field is read as bytes at its
// place rather than through a PlayerHandle that may not be one.
PlayerHandle* Checked(QVHandle h) {
  if (h == 0) return nullptr;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
  constexpr size_t magicOffset = offsetof(PlayerHandle, magic);
#pragma GCC diagnostic pop
  uint32_t magic;
  std::memcpy(&magic, reinterpret_cast<const unsigned char*>(h) + magicOffset, sizeof magic);
  return magic == HandleMagic ? reinterpret_cast<PlayerHandle*>(h) : nullptr;
}

QVBool Result(bool value) { return value ? TRUE : FALSE; }

}  // namespace

#define WITH_HANDLE(failure, call)       \
  PlayerHandle* handle = Checked(h);     \
  if (handle == nullptr) return failure; \
  return call

QV_EXPORT QVHandle WINAPI QVInitModule() {
  // The handle is the callback object itself: its function table stands first.
  return reinterpret_cast<QVHandle>(WmaModule::InitModule());
}
QV_EXPORT QVBool WINAPI QVDeInitModule(QVHandle h) {
  WITH_HANDLE(FALSE, Result(WmaModule::DeInitModule(handle)));
}
QV_EXPORT QVBool WINAPI QVOpen(QVHandle h) { WITH_HANDLE(FALSE, Result(WmaModule::Open(*handle))); }
QV_EXPORT QVBool WINAPI QVClose(QVHandle h) {
  WITH_HANDLE(FALSE, Result(WmaModule::Close(*handle)));
}
QV_EXPORT QVBool WINAPI QVInitStream(QVHandle h) {
  WITH_HANDLE(FALSE, Result(WmaModule::InitStream(*handle)));
}
QV_EXPORT QVBool WINAPI QVPlay(QVHandle h) { WITH_HANDLE(FALSE, Result(WmaModule::Play(*handle))); }
QV_EXPORT QVBool WINAPI QVPause(QVHandle h) {
  WITH_HANDLE(FALSE, Result(WmaModule::Pause(*handle)));
}
QV_EXPORT QVBool WINAPI QVResume(QVHandle h) {
  WITH_HANDLE(FALSE, Result(WmaModule::Resume(*handle)));
}
QV_EXPORT QVBool WINAPI QVStop(QVHandle h) { WITH_HANDLE(FALSE, Result(WmaModule::Stop(*handle))); }
QV_EXPORT QVBool WINAPI QVSetPos(QVHandle h, uint32_t position) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetPos(*handle, position)));
}
QV_EXPORT QVBool WINAPI QVSetInputMode(QVHandle, int32_t mode) {
  return Result(WmaModule::SetInputMode(mode));
}
QV_EXPORT QVBool WINAPI QVSetInputName(QVHandle h, const char* name) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetInputName(*handle, name)));
}
QV_EXPORT QVBool WINAPI QVSetOutputMode(QVHandle h, int32_t mode) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetOutputMode(*handle, mode)));
}
QV_EXPORT QVBool WINAPI QVSetOutputName(QVHandle h, const char* name) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetOutputName(*handle, name)));
}
QV_EXPORT QVBool WINAPI QVSetOutputDev(QVHandle h, int32_t device) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetOutputDev(*handle, device)));
}
QV_EXPORT QVBool WINAPI QVSetDevNum(QVHandle h, int32_t device) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetDevNum(*handle, device)));
}
QV_EXPORT QVBool WINAPI QVSetBuffers(QVHandle h, int32_t count, int32_t size) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetBuffers(*handle, count, size)));
}
QV_EXPORT QVBool WINAPI QVSetPriority(QVHandle, int32_t) {
  return Result(WmaModule::NotImplemented());
}
QV_EXPORT QVBool WINAPI QVSetLimits(QVHandle h, uint32_t start, uint32_t end) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetLimits(*handle, start, end)));
}
QV_EXPORT QVBool WINAPI QVSetWindow(QVHandle h, HWND window) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetWindow(*handle, window)));
}
QV_EXPORT QVBool WINAPI QVUseOutCB(QVHandle h, QVBool use) {
  WITH_HANDLE(FALSE, Result(WmaModule::UseOutCB(*handle, QVTrue(use))));
}
QV_EXPORT QVBool WINAPI QVSetOutCB(QVHandle h, QVOutputProc data, QVOutputActionProc action,
                                   QVUserValue user) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetOutCB(*handle, data, action, user)));
}
QV_EXPORT QVBool WINAPI QVSetInCB(QVHandle h, QVInputOpenProc open, QVInputCloseProc close,
                                  QVInputGetSizeProc getSize, QVInputSeekProc seek,
                                  QVInputReadProc read, QVUserValue user) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetInCB(*handle, open, close, getSize, seek, read, user)));
}
QV_EXPORT QVBool WINAPI QVSetExtras(QVHandle h, int32_t) { WITH_HANDLE(FALSE, TRUE); }
QV_EXPORT int32_t WINAPI QVGetPlayerMode(QVHandle h) {
  WITH_HANDLE(-1, WmaModule::GetPlayerMode(*handle));
}
QV_EXPORT int32_t WINAPI QVGetPos(QVHandle h) { WITH_HANDLE(-1, WmaModule::GetPos(*handle)); }
QV_EXPORT int32_t WINAPI QVGetSize(QVHandle h) { WITH_HANDLE(-1, WmaModule::GetSize(*handle)); }
QV_EXPORT QVBool WINAPI QVCanSetPos(QVHandle h) {
  WITH_HANDLE(FALSE, Result(WmaModule::CanSetPos(*handle)));
}
QV_EXPORT QVBool WINAPI QVCanPause(QVHandle h) { WITH_HANDLE(FALSE, TRUE); }
QV_EXPORT QVBool WINAPI QVGetInfo1(QVHandle h, StreamInfo* info, uint32_t* size) {
  WITH_HANDLE(FALSE, Result(WmaModule::GetInfo1(*handle, info, size)));
}
QV_EXPORT QVBool WINAPI QVGetInfo2(QVHandle h, const char** text) {
  WITH_HANDLE(FALSE, Result(WmaModule::GetInfo2(*handle, text)));
}
QV_EXPORT int32_t WINAPI QVLastError(QVHandle h) { WITH_HANDLE(-1, WmaModule::LastError()); }
QV_EXPORT QVBool WINAPI QVGetName(char* buffer, int32_t* length) {
  return Result(CopyModuleText(WmaModule::Name, buffer, length));
}
QV_EXPORT QVBool WINAPI QVGetExts(char* buffer, int32_t* length) {
  return Result(CopyModuleText(WmaModule::Extensions, buffer, length));
}
QV_EXPORT QVBool WINAPI QVGetAbout(char* buffer, int32_t* length) {
  return Result(CopyModuleText(WmaModule::About, buffer, length));
}
QV_EXPORT int32_t WINAPI QVGetVersion() { return WmaModule::Version; }
QV_EXPORT QVBool WINAPI QVGetVolume(QVHandle h, uint32_t* volume) {
  WITH_HANDLE(FALSE, Result(WmaModule::GetVolume(*handle, volume)));
}
QV_EXPORT QVBool WINAPI QVSetVolume(QVHandle h, uint32_t volume) {
  WITH_HANDLE(FALSE, Result(WmaModule::SetVolume(*handle, volume)));
}
QV_EXPORT QVBool WINAPI QVCanSetVolume(QVHandle h, QVByteBool* separate) {
  WITH_HANDLE(FALSE, Result(WmaModule::CanSetVolume(*handle, separate)));
}
QV_EXPORT QVBool WINAPI QVHasEQ(QVHandle, QVByteBool* has) {
  if (has != nullptr) *has = 0;
  return TRUE;
}
QV_EXPORT QVBool WINAPI QVUseEQ(QVHandle, QVBool) { return Result(WmaModule::NotImplemented()); }
QV_EXPORT QVBool WINAPI QVEQ(QVHandle, double**, int32_t*, int32_t*) {
  return Result(WmaModule::NotImplemented());
}

// The exports' types are those of the plug-in interface.
#define QV_CHECK_EXPORT_TYPE(name, result, params) \
  static_assert(std::is_same_v<decltype(&name), name##Proc>, #name);
QV_EXPORT_LIST(QV_CHECK_EXPORT_TYPE)
#undef QV_CHECK_EXPORT_TYPE
