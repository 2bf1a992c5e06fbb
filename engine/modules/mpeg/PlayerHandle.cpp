#include "engine/modules/mpeg/PlayerHandle.h"

#include "engine/modules/mpeg/ModuleState.h"

namespace mpeg {

PlayerHandle::PlayerHandle(ModuleState& moduleState) : State(moduleState) {
  // A new player takes the module over: what an earlier player still holds ends first, so
  // that no decode thread or input of it works on the record that is reset here.
  if (State.Current != nullptr && State.Current != this)
    static_cast<PlayerHandle*>(State.Current)->CloseInput();
  State.Current = this;
  State.ResetRecord();
}

PlayerHandle::~PlayerHandle() {
  // A player the module no longer serves holds nothing of it.
  if (State.Current == this) {
    CloseInput();
    State.ResetRecord();
    State.Current = nullptr;
  }
  Mode = pmClosed;
  Magic = 0;
}

void PlayerHandle::CloseInput() {
  EndRun();
  ReapThread();
  State.Decoder.DecoderReset();
  if (State.Stream.IsOpen()) State.Stream.Close();
  State.Output.InputFile.reset();
  Mode = pmClosed;
}

void PlayerHandle::EndRun() {
  if (Running() && DecodeThread.joinable()) {
    StopRequest = 1;
    // A write or a drain under way on the decode thread returns, and the device is given
    // nothing more: a stop never waits for what the output holds.
    State.Writer.StopOutput();
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
