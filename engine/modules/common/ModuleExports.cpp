// The 42 exports of a module, over the DecoderModule the shared object carries (ThisModule).
// Each checks its player handle, then calls the operation behind it; a bad handle gives false
// (or -1) and sets no error code. The calls only some modules implement take the host's handle
// as it is: the module decides what to check.
#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/common/ModuleExports.h"
#include "engine/modules/common/ModuleText.h"

namespace {

QVBool Result(bool value) { return value ? TRUE : FALSE; }

}  // namespace

// The exports that act on the module take a player it serves; those that only read the
// handle's own fields (its mode), free it or tell the module-wide code take any valid handle.
#define WITH_PLAYER(failure, call)               \
  ModulePlayer* player = ThisModule().Served(h); \
  if (player == nullptr) return failure;         \
  return call
#define WITH_ANY_PLAYER(failure, call)            \
  ModulePlayer* player = ThisModule().Checked(h); \
  if (player == nullptr) return failure;          \
  return call

QV_EXPORT QVHandle WINAPI QVInitModule() {
  ModulePlayer* player = ThisModule().InitModule();
  return player != nullptr ? ThisModule().HandleOf(*player) : 0;
}
QV_EXPORT QVBool WINAPI QVDeInitModule(QVHandle h) {
  WITH_ANY_PLAYER(FALSE, Result(ThisModule().DeInitModule(*player)));
}
QV_EXPORT QVBool WINAPI QVOpen(QVHandle h) {
  WITH_PLAYER(FALSE, Result(ThisModule().Open(*player)));
}
QV_EXPORT QVBool WINAPI QVClose(QVHandle h) {
  // A player the module no longer serves has nothing open.
  WITH_ANY_PLAYER(FALSE, Result(!ThisModule().Serves(*player) || ThisModule().Close(*player)));
}
QV_EXPORT QVBool WINAPI QVInitStream(QVHandle h) {
  WITH_PLAYER(FALSE, Result(ThisModule().InitStream(*player)));
}
QV_EXPORT QVBool WINAPI QVPlay(QVHandle h) {
  WITH_PLAYER(FALSE, Result(ThisModule().Play(*player)));
}
QV_EXPORT QVBool WINAPI QVPause(QVHandle h) {
  WITH_PLAYER(FALSE, Result(ThisModule().Pause(*player)));
}
QV_EXPORT QVBool WINAPI QVResume(QVHandle h) {
  WITH_PLAYER(FALSE, Result(ThisModule().Resume(*player)));
}
QV_EXPORT QVBool WINAPI QVStop(QVHandle h) {
  WITH_PLAYER(FALSE, Result(ThisModule().Stop(*player)));
}
QV_EXPORT QVBool WINAPI QVSetPos(QVHandle h, uint32_t position) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetPos(*player, position)));
}
QV_EXPORT QVBool WINAPI QVSetInputName(QVHandle h, const char* name) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetInputName(*player, name)));
}
QV_EXPORT QVBool WINAPI QVSetOutputMode(QVHandle h, int32_t mode) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetOutputMode(*player, mode)));
}
QV_EXPORT QVBool WINAPI QVSetOutputName(QVHandle h, const char* name) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetOutputName(*player, name)));
}
QV_EXPORT QVBool WINAPI QVSetOutputDev(QVHandle h, int32_t device) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetOutputDev(*player, device)));
}
QV_EXPORT QVBool WINAPI QVSetDevNum(QVHandle h, int32_t device) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetDevNum(*player, device)));
}
QV_EXPORT QVBool WINAPI QVSetBuffers(QVHandle h, int32_t count, int32_t size) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetBuffers(*player, count, size)));
}
QV_EXPORT QVBool WINAPI QVSetLimits(QVHandle h, uint32_t start, uint32_t end) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetLimits(*player, start, end)));
}
QV_EXPORT QVBool WINAPI QVSetWindow(QVHandle h, HWND window) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetWindow(*player, window)));
}
QV_EXPORT QVBool WINAPI QVUseOutCB(QVHandle h, QVBool use) {
  WITH_PLAYER(FALSE, Result(ThisModule().UseOutCB(*player, QVTrue(use))));
}
QV_EXPORT QVBool WINAPI QVSetOutCB(QVHandle h, QVOutputProc data, QVOutputActionProc action,
                                   QVUserValue user) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetOutCB(*player, data, action, user)));
}
QV_EXPORT QVBool WINAPI QVSetInCB(QVHandle h, QVInputOpenProc open, QVInputCloseProc close,
                                  QVInputGetSizeProc getSize, QVInputSeekProc seek,
                                  QVInputReadProc read, QVUserValue user) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetInCB(*player, open, close, getSize, seek, read, user)));
}
QV_EXPORT QVBool WINAPI QVSetExtras(QVHandle h, int32_t) { WITH_ANY_PLAYER(FALSE, TRUE); }
QV_EXPORT int32_t WINAPI QVGetPlayerMode(QVHandle h) {
  WITH_ANY_PLAYER(-1, ThisModule().GetPlayerMode(*player));
}
QV_EXPORT int32_t WINAPI QVGetPos(QVHandle h) { WITH_PLAYER(-1, ThisModule().GetPos(*player)); }
QV_EXPORT int32_t WINAPI QVGetSize(QVHandle h) { WITH_PLAYER(-1, ThisModule().GetSize(*player)); }
QV_EXPORT QVBool WINAPI QVCanSetPos(QVHandle h) {
  WITH_PLAYER(FALSE, Result(ThisModule().CanSetPos(*player)));
}
QV_EXPORT QVBool WINAPI QVCanPause(QVHandle h) { WITH_ANY_PLAYER(FALSE, TRUE); }
QV_EXPORT QVBool WINAPI QVSetInputMode(QVHandle h, int32_t mode) {
  return Result(ThisModule().SetInputMode(h, mode));
}
QV_EXPORT QVBool WINAPI QVSetPriority(QVHandle h, int32_t priority) {
  return Result(ThisModule().SetPriority(h, priority));
}
QV_EXPORT QVBool WINAPI QVHasEQ(QVHandle h, QVByteBool* has) {
  return Result(ThisModule().HasEQ(h, has));
}
QV_EXPORT QVBool WINAPI QVUseEQ(QVHandle h, QVBool use) {
  return Result(ThisModule().UseEQ(h, QVTrue(use)));
}
QV_EXPORT QVBool WINAPI QVEQ(QVHandle h, double** gains, int32_t* channels, int32_t* bands) {
  return Result(ThisModule().EQ(h, gains, channels, bands));
}
QV_EXPORT QVBool WINAPI QVGetInfo1(QVHandle h, StreamInfo* info, uint32_t* size) {
  WITH_PLAYER(FALSE, Result(ThisModule().GetInfo1(*player, info, size)));
}
QV_EXPORT QVBool WINAPI QVGetInfo2(QVHandle h, const char** text) {
  WITH_PLAYER(FALSE, Result(ThisModule().GetInfo2(*player, text)));
}
QV_EXPORT QVBool WINAPI QVGetName(char* buffer, int32_t* length) {
  return Result(CopyModuleText(ThisModule().Texts().Name, buffer, length));
}
QV_EXPORT QVBool WINAPI QVGetExts(char* buffer, int32_t* length) {
  return Result(CopyModuleText(ThisModule().Texts().Extensions, buffer, length));
}
QV_EXPORT QVBool WINAPI QVGetAbout(char* buffer, int32_t* length) {
  return Result(CopyModuleText(ThisModule().Texts().About, buffer, length));
}
QV_EXPORT int32_t WINAPI QVGetVersion() { return ThisModule().Texts().Version; }
QV_EXPORT QVBool WINAPI QVGetVolume(QVHandle h, uint32_t* volume) {
  WITH_PLAYER(FALSE, Result(ThisModule().GetVolume(*player, volume)));
}
QV_EXPORT QVBool WINAPI QVSetVolume(QVHandle h, uint32_t volume) {
  WITH_PLAYER(FALSE, Result(ThisModule().SetVolume(*player, volume)));
}
QV_EXPORT int32_t WINAPI QVLastError(QVHandle h) {
  WITH_ANY_PLAYER(-1, ThisModule().LastError(*player));
}
QV_EXPORT QVBool WINAPI QVCanSetVolume(QVHandle h, QVByteBool* separate) {
  WITH_PLAYER(FALSE, Result(ThisModule().CanSetVolume(*player, separate)));
}
