#include "engine/YzPlayer.h"

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "engine/YzPlayerCallbacks.h"
#include "engine/YzSException.h"
#include "platform/win32/Library.h"
#include "platform/win32/Threads.h"

namespace {

// A loaded module keeps the state of one player at a time, and a library loaded twice is
// loaded once: the player that holds a handle of each loaded module, so that a second player
// of the same module is refused instead of taking the first one's state and events over.
std::mutex heldModulesLock;
std::map<HMODULE, const TYzPlayer*> heldModules;

// Takes the module for the player unless another holds it; the test and the taking are one
// step, so of two players that initialise the same module at once exactly one holds it.
bool Hold(HMODULE Module, const TYzPlayer* Player) {
  std::lock_guard<std::mutex> lock(heldModulesLock);
  const auto [held, taken] = heldModules.try_emplace(Module, Player);
  return taken || held->second == Player;
}

void Unhold(HMODULE Module, const TYzPlayer* Player) {
  std::lock_guard<std::mutex> lock(heldModulesLock);
  const auto held = heldModules.find(Module);
  if (held != heldModules.end() && held->second == Player) heldModules.erase(held);
}

}  // namespace

TYzPlayer::TYzPlayer(TCollection* Collection) : TCollectionItem(Collection) {
  // The window's messages reach the virtual WndProc, so a subclass's override is used.
  FWindowHandle = AllocateHWnd([this](TMessage& Message) { WndProc(Message); });
  FBuffersCount = 8;
  FBufferSize = 16384;
}

TYzPlayer::~TYzPlayer() {
  // Also a library whose binding failed is released, so its file is not held after the player.
  if (FHandle != 0 || FModule != nullptr) DeInitModule();
  DeallocateHWnd(FWindowHandle);
}

void TYzPlayer::RequireHandle() const {
  if (FHandle == 0) throw TYzSException(qvNotInitialized);
}

void TYzPlayer::RaiseSetterFailure() {
  FLastError = F.QVLastError(FHandle);
  throw TYzSException(static_cast<uint8_t>(FLastError));
}

void TYzPlayer::RaiseOperationFailure() {
  FLastError = F.QVLastError(FHandle);
  if (FLastError > 0) throw TYzSException(static_cast<uint8_t>(FLastError));
}

void TYzPlayer::InitModule() {
  // What an earlier InitModule left (module and player handle) is released first.
  if (FHandle != 0 || FModule != nullptr) DeInitModule();

  F = TYzPlayerFunctions{};
  FModule = LoadLibraryA(FPathToDLL.c_str());
  if (FModule == nullptr) throw TYzSException(qvLoadFailed);
  if (!BindPlayerFunctions(FModule, F)) throw TYzSException(qvLoadFailed);
  if (!Hold(FModule, this)) {
    // This player holds nothing of a module it cannot initialise.
    FreeLibrary(FModule);
    FModule = nullptr;
    F = TYzPlayerFunctions{};
    throw TYzSException(qvLoadFailed);
  }

  FHandle = F.QVInitModule();
  if (FHandle == 0) {
    Unhold(FModule, this);
    throw TYzSException(qvNotInitialized);
  }
  QVUserValue self = reinterpret_cast<QVUserValue>(this);
  F.QVSetOutCB(FHandle, OutputCB, OutputActionCB, self);
  F.QVSetInCB(FHandle, InputOpenCB, InputCloseCB, InputGetSizeCB, InputSeekCB, InputReadCB, self);
  FInitialized = true;
}

void TYzPlayer::DeInitModule() {
  if (FHandle != 0) {
    F.QVDeInitModule(FHandle);
    FHandle = 0;
    Unhold(FModule, this);
  }
  if (FModule != nullptr) {
    FreeLibrary(FModule);
    FModule = nullptr;
  }
  FInitialized = false;
}

int32_t TYzPlayer::ThreadPriorityOf(int32_t Priority) {
  static constexpr int32_t levels[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                       THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                       THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                       THREAD_PRIORITY_TIME_CRITICAL};
  return levels[std::clamp(Priority, 0, 6)];
}

void TYzPlayer::Open() {
  RequireHandle();
  SetInputMode(FInputMode);
  SetInputName(FInputName);
  SetOutputMode(FOutputMode);
  SetOutputName(FOutputName);
  SendPriority();
  if (!QVTrue(F.QVOpen(FHandle))) RaiseOperationFailure();
}

void TYzPlayer::SendPriority() {
  if (!QVTrue(F.QVSetPriority(FHandle, ThreadPriorityOf(FPriority))))
    FLastError = F.QVLastError(FHandle);
}

void TYzPlayer::SetPriority(int32_t Value) {
  FPriority = Value;
  if (FHandle != 0) SendPriority();
}

void TYzPlayer::RaiseRunFailure() {
  RequireHandle();
  RaiseOperationFailure();
}

void TYzPlayer::InitStream() {
  RequireHandle();
  SetOutputDevNum(FOutputDevNum);
  if (!QVTrue(F.QVInitStream(FHandle))) RaiseOperationFailure();
}

void TYzPlayer::Play() {
  RequireHandle();
  SetStartPos(FStartPos);
  SetEndPos(FEndPos);
  F.QVSetWindow(FHandle, FWindowHandle);
  bool useOutput = OnOutput && OnOutputInit && OnOutputDone;
  F.QVUseOutCB(FHandle, useOutput ? TRUE : FALSE);
  if (!QVTrue(F.QVPlay(FHandle))) {
    RaiseOperationFailure();
    return;
  }
  // Volume write-back. A module that answers that the volume cannot be set (WAV file and
  // callback output) has not failed, and whatever code it holds is not this step's.
  bool separate = false;
  if (!CanSetVolume(separate) || !separate) return;
  GetVolume();
  uint32_t volume = (static_cast<uint32_t>(FVolumeRight) << 16) | FVolumeLeft;
  F.QVSetVolume(FHandle, volume);
}

void TYzPlayer::Stop() {
  RequireHandle();
  if (!QVTrue(F.QVStop(FHandle))) RaiseOperationFailure();
}

void TYzPlayer::Close() {
  RequireHandle();
  if (!QVTrue(F.QVClose(FHandle))) RaiseOperationFailure();
}

int32_t TYzPlayer::GetPlayerMode() {
  RequireHandle();
  return F.QVGetPlayerMode(FHandle);
}

int32_t TYzPlayer::GetPos() {
  RequireHandle();
  int32_t position = F.QVGetPos(FHandle);
  if (position == -1) RaiseOperationFailure();
  return position;
}

int32_t TYzPlayer::GetSize() {
  RequireHandle();
  int32_t size = F.QVGetSize(FHandle);
  if (size == -1) RaiseOperationFailure();
  return size;
}

uint16_t TYzPlayer::GetVolume() {
  RequireHandle();
  uint32_t volume = 0;
  if (!QVTrue(F.QVGetVolume(FHandle, &volume))) {
    if (FOutputMode != omMMSystem) return 0;
    RaiseSetterFailure();
  }
  FVolumeLeft = static_cast<uint16_t>(volume & 0xFFFF);
  FVolumeRight = static_cast<uint16_t>(volume >> 16);
  return FVolumeLeft;
}

bool TYzPlayer::CanSetVolume(bool& Separate) {
  RequireHandle();
  QVByteBool separate = Separate ? 1 : 0;
  bool can = QVTrue(F.QVCanSetVolume(FHandle, &separate));
  Separate = separate != 0;
  return can;
}

bool TYzPlayer::HasEqualizer() {
  RequireHandle();
  QVByteBool has = 0;
  F.QVHasEQ(FHandle, &has);
  return has != 0;
}

void TYzPlayer::WndProc(TMessage& Message) {
  // Never hold up a log-off or shutdown; no other message has a handler here.
  if (Message.Msg == WM_QUERYENDSESSION) Message.Result = 1;
}

void TYzPlayer::SetInputMode(TYzSInputMode Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetInputMode(FHandle, Value))) RaiseSetterFailure();
  FInputMode = Value;
}

void TYzPlayer::SetInputName(const std::string& Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetInputName(FHandle, Value.c_str()))) RaiseSetterFailure();
  FInputName = Value;
}

void TYzPlayer::SetOutputMode(TYzSOutputMode Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetOutputMode(FHandle, Value))) RaiseSetterFailure();
  FOutputMode = Value;
}

void TYzPlayer::SetOutputName(const std::string& Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetOutputName(FHandle, Value.c_str()))) RaiseSetterFailure();
  FOutputName = Value;
}

void TYzPlayer::SetStartPos(int32_t Value) {
  if (FHandle != 0 &&
      !QVTrue(F.QVSetLimits(FHandle, static_cast<uint32_t>(Value), static_cast<uint32_t>(FEndPos))))
    RaiseSetterFailure();
  FStartPos = Value;
}

void TYzPlayer::SetEndPos(int32_t Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetLimits(FHandle, static_cast<uint32_t>(FStartPos),
                                            static_cast<uint32_t>(Value))))
    RaiseSetterFailure();
  FEndPos = Value;
}

void TYzPlayer::SetBuffersCount(int32_t Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetBuffers(FHandle, Value, FBufferSize))) RaiseSetterFailure();
  FBuffersCount = Value;
}

void TYzPlayer::SetBufferSize(int32_t Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetBuffers(FHandle, FBuffersCount, Value))) RaiseSetterFailure();
  FBufferSize = Value;
}

void TYzPlayer::SetOutputDevNum(int32_t Value) {
  if (FHandle != 0 && !QVTrue(F.QVSetDevNum(FHandle, Value))) RaiseSetterFailure();
  FOutputDevNum = Value;
}

void TYzPlayer::SetInitialized(bool Value) {
  if (Value == FInitialized) return;
  if (Value)
    InitModule();
  else
    DeInitModule();
}

void TYzPlayer::SetUseEqualizer(bool Value) {
  if (FHandle == 0) {
    FUseEqualizer = Value;
    return;
  }
  // A module without an equaliser ignores the write.
  if (!HasEqualizer()) return;
  if (!QVTrue(F.QVUseEQ(FHandle, Value ? TRUE : FALSE))) RaiseSetterFailure();
  FUseEqualizer = Value;
}

std::string TYzPlayer::ModuleText(TextProc Proc, const char* NoModule, const char* Failed) {
  if (FHandle == 0) return NoModule;
  int32_t length = 0;
  Proc(nullptr, &length);
  // A module's answer is not trusted to be a sane size.
  if (length < 0 || length > (1 << 20)) return Failed;
  std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
  int32_t size = length + 1;
  if (!QVTrue(Proc(buffer.data(), &size))) return Failed;
  buffer.back() = '\0';
  return std::string(buffer.data());
}

std::string TYzPlayer::ModuleName() {
  return ModuleText(F.QVGetName, "(Module not initialized)", "Unknown module");
}

std::string TYzPlayer::About() {
  return ModuleText(F.QVGetAbout, "(Module not initialized)", "Unknown module ... ");
}

std::string TYzPlayer::Extensions() { return ModuleText(F.QVGetExts, "", ""); }

int32_t TYzPlayer::Version() {
  if (FHandle == 0) return -1;
  return F.QVGetVersion();
}
