#include "engine/modules/wma/PlayerHandle.h"

#include "engine/modules/wma/ModuleState.h"

namespace wma {

PlayerHandle::PlayerHandle(ModuleState& moduleState) : state(moduleState) {}

PlayerHandle::~PlayerHandle() {
  CloseInput();
  // Also when the last release frees it: the module never reaches a freed handle.
  if (state.current == this) state.current = nullptr;
}

void PlayerHandle::CloseInput() {
  if (Running()) StopRun();
  if (reader != nullptr) {
    IWMAudioReader* released = reader;
    reader = nullptr;
    released->Release();
  }
  mode = pmClosed;
}

void PlayerHandle::BeginRun() {
  std::lock_guard<std::mutex> guard(runLock_);
  runActive_ = true;
  stage = Stage::Decoding;
}

bool PlayerHandle::CloseRun(bool discard) {
  std::lock_guard<std::mutex> guard(runLock_);
  if (!runActive_) return false;
  runActive_ = false;
  if (discard)
    state.writer.DiscardOutput();
  else
    state.writer.CloseOutput();
  return true;
}

void PlayerHandle::StopRun() {
  stopRequest = 1;  // also ends a paused sample call's wait
  // A write or a drain under way on the SDK's thread returns, and the device is given nothing
  // more: a stop never waits for what the output holds.
  state.writer.StopOutput();
  if (reader != nullptr) reader->Stop();
  CloseRun();
  stopRequest = 0;
  mode = pmOpen;
}

void PlayerHandle::EndRunFromReader(bool drainFirst, int32_t finalMode) {
  std::lock_guard<std::mutex> guard(runLock_);
  if (!runActive_) return;
  // A seek stops this delivery (its stop request comes after it) and starts the reader again
  // from its place.
  if (drainFirst && state.GoesOnAfterPlayOut(*this)) return;
  stage = Stage::Ending;
  runActive_ = false;
  // From the SDK's own thread Stop only ends delivery after this call; it does not wait.
  if (reader != nullptr) reader->Stop();
  if (!drainFirst) state.writer.PlayOut();
  state.writer.CloseOutput();
  mode = finalMode;
}

}  // namespace wma
