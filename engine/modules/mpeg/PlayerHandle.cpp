#include "engine/modules/mpeg/PlayerHandle.h"

#include "engine/modules/mpeg/ModuleState.h"

namespace mpeg {

PlayerHandle::PlayerHandle(ModuleState& moduleState) : State(moduleState) {
  // A new player takes the module over: what an earlier player still holds ends first, so
  // that no decode thread or input of it works on the record that is reset here.
  if (State.current != nullptr && State.current != this)
    static_cast<PlayerHandle*>(State.current)->CloseInput();
  State.current = this;
  State.ResetRecord();
}

PlayerHandle::~PlayerHandle() {
  // A player the module no longer serves holds nothing of it.
  if (State.current == this) {
    CloseInput();
    State.ResetRecord();
    State.current = nullptr;
  }
  Mode = pmClosed;
  Magic = 0;
}

void PlayerHandle::CloseInput() {
  EndRun();
  ReapThread();
  State.decoder.DecoderReset();
  if (State.stream.IsOpen()) State.stream.Close();
  State.output.InputFile.reset();
  Mode = pmClosed;
}

void PlayerHandle::EndRun() {
  if (Running() && DecodeThread.joinable()) {
    StopRequest = 1;
    // A write or a drain under way on the decode thread returns, and the device is given
    // nothing more: a stop never waits for what the output holds.
    State.writer.StopOutput();
    DecodeThread.join();
    // The thread clears the request itself, unless it had ended by itself just before.
    StopRequest = 0;
    DecodeThreadId = 0;
    Mode = pmOpen;
  }
}

void PlayerHandle::ReapThread() {
  if (DecodeThread.joinable()) DecodeThread.join();
}

}  // namespace mpeg
