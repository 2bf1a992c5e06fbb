#include "engine/modules/wma/PlayerHandle.h"

#include "engine/modules/wma/ModuleState.h"

namespace wma {

PlayerHandle::PlayerHandle(ModuleState& moduleState) : State(moduleState) {}

PlayerHandle::~PlayerHandle() {
  CloseInput();
  // Also when the last release frees it: the module never reaches a freed handle.
  if (State.Current == this) State.Current = nullptr;
}

void PlayerHandle::CloseInput() {
  if (Running()) StopRun();
  if (Reader != nullptr) {
    IWMAudioReader* released = Reader;
    Reader = nullptr;
    released->Release();
  }
  Mode = pmClosed;
}

void PlayerHandle::BeginRun() {
  std::lock_guard<std::mutex> guard(runLock_);
  runActive_ = true;
  Stage = Stage::Decoding;
}

bool PlayerHandle::CloseRun(bool discard) {
  std::lock_guard<std::mutex> guard(runLock_);
  if (!runActive_) return false;
  runActive_ = false;
  if (discard)
    State.Writer.DiscardOutput();
  else
    State.Writer.CloseOutput();
  return true;
}

void PlayerHandle::StopRun() {
  StopRequest = 1;  // also ends a paused sample call's wait
  // A write or a drain under way on the SDK's thread returns, and the device is given nothing
  // more: a stop never waits for what the output holds.
  State.Writer.StopOutput();
  if (Reader != nullptr) Reader->Stop();
  CloseRun();
  StopRequest = 0;
  Mode = pmOpen;
}

void PlayerHandle::EndRunFromReader(bool drainFirst, int32_t finalMode) {
  std::lock_guard<std::mutex> guard(runLock_);
  if (!runActive_) return;
  // A seek stops this delivery (its stop request comes after it) and starts the reader again
  // from its place.
  if (drainFirst && State.GoesOnAfterPlayOut(*this)) return;
  Stage = Stage::Ending;
  runActive_ = false;
  // From the SDK's own thread Stop only ends delivery after this call; it does not wait.
  if (Reader != nullptr) Reader->Stop();
  if (!drainFirst) State.Writer.PlayOut();
  State.Writer.CloseOutput();
  Mode = finalMode;
}

}  // namespace wma
