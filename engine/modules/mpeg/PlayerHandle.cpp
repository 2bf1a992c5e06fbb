#include "engine/modules/mpeg/PlayerHandle.h"

#include "engine/modules/mpeg/ModuleState.h"

namespace mpeg {

PlayerHandle::PlayerHandle(ModuleState& moduleState) : state(moduleState) {
  // A new player takes the module over: what an earlier player still holds ends first, so
  // that no decode thread or input of it works on the record that is reset here.
  if (state.current != nullptr && state.current != this)
    static_cast<PlayerHandle*>(state.current)->CloseInput();
  state.current = this;
  state.ResetRecord();
}

PlayerHandle::~PlayerHandle() {
  // A player the module no longer serves holds nothing of it.
  if (state.current == this) {
    CloseInput();
    state.ResetRecord();
    state.current = nullptr;
  }
  mode = pmClosed;
  magic = 0;
}

void PlayerHandle::CloseInput() {
  EndRun();
  ReapThread();
  state.decoder.DecoderReset();
  if (state.stream.IsOpen()) state.stream.Close();
  state.output.inputFile.reset();
  mode = pmClosed;
}

void PlayerHandle::EndRun() {
  if (Running() && decodeThread.joinable()) {
    stopRequest = 1;
    // A write or a drain under way on the decode thread returns, and the device is given
    // nothing more: a stop never waits for what the output holds.
    state.writer.StopOutput();
    decodeThread.join();
    // The thread clears the request itself, unless it had ended by itself just before.
    stopRequest = 0;
    decodeThreadId = 0;
    mode = pmOpen;
  }
}

void PlayerHandle::ReapThread() {
  if (decodeThread.joinable()) decodeThread.join();
}

}  // namespace mpeg
