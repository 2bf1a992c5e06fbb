#include "engine/modules/common/DecoderModule.h"

#include <chrono>
#include <thread>

#include "engine/modules/common/ModuleFailure.h"

namespace {

constexpr auto PausePoll = std::chrono::milliseconds(77);

}  // namespace

DecoderModule::DecoderModule(const ModuleTexts& texts, const WaveDeviceRules& waveDevice)
    : Writer{Errors, Com, waveDevice}, texts_(texts) {}

void DecoderModule::ResetSharedRecord() {
  StartLimit = 0;
  EndLimit = 0;
  CanSetPosition = 1;
  Input = InputSettings{};
  Output = OutputSettings{};
  Output.SampleRate = 44100;
  Output.Channels = 2;
  Output.BitsPerSample = 16;
  Errors.Clear();
}

ModulePlayer* DecoderModule::Served(QVHandle h) {
  ModulePlayer* player = Checked(h);
  if (player == nullptr || Serves(*player)) return player;
  Errors.Set(qvIncorrectMode);
  return nullptr;
}

bool DecoderModule::SetInputName(ModulePlayer& player, const char* name) {
  return Operation([&] {
    RequireMode(player.IsClosed());
    if (name != nullptr)
      Input.InputName = name;
    else
      Input.InputName.reset();
    return true;
  });
}

bool DecoderModule::SetInCB(ModulePlayer& player, QVInputOpenProc open, QVInputCloseProc close,
                            QVInputGetSizeProc getSize, QVInputSeekProc seek, QVInputReadProc read,
                            QVUserValue user) {
  return Operation([&] {
    RequireMode(player.IsClosed());
    Input.OpenCallback = open;
    Input.CloseCallback = close;
    Input.GetSizeCallback = getSize;
    Input.SeekCallback = seek;
    Input.ReadCallback = read;
    Input.InputUser = user;
    return true;
  });
}

bool DecoderModule::SetOutputMode(ModulePlayer& player, int32_t mode) {
  return SetWhileNotRunning(player, [&] { Output.OutputMode = mode; });
}

bool DecoderModule::SetOutputName(ModulePlayer& player, const char* name) {
  return SetWhileNotRunning(player, [&] {
    if (name != nullptr)
      Output.OutputName = name;
    else
      Output.OutputName.reset();
  });
}

bool DecoderModule::SetOutputDev(ModulePlayer& player, int32_t device) {
  return Operation([&] {
    RequireMode(player.IsClosed());
    Output.DeviceNumber = device;
    return true;
  });
}

bool DecoderModule::SetDevNum(ModulePlayer& player, int32_t device) {
  return SetWhileNotRunning(player, [&] { Output.DeviceNumber = device; });
}

bool DecoderModule::SetBuffers(ModulePlayer& player, int32_t count, int32_t size) {
  return SetWhileNotRunning(player, [&] {
    if (count != 0) Output.BuffersCount = count;
    if (size != 0) Output.BufferSize = UsableBufferSize(size);
  });
}

bool DecoderModule::SetWindow(ModulePlayer& player, HWND window) {
  return SetWhileNotRunning(player, [&] { Output.Window = window; });
}

bool DecoderModule::UseOutCB(ModulePlayer& player, bool use) {
  return SetWhileNotRunning(player, [&] { Output.UseOutputCallbacks = use; });
}

bool DecoderModule::SetOutCB(ModulePlayer& player, QVOutputProc data, QVOutputActionProc action,
                             QVUserValue user) {
  return SetWhileNotRunning(player, [&] {
    Output.DataCallback = data;
    Output.ActionCallback = action;
    Output.OutputUser = user;
  });
}

bool DecoderModule::Pause(ModulePlayer& player) {
  return Operation([&] {
    RequireMode(player.Running());
    player.PauseRequest = 1;
    if (player.Stage.load() == ModulePlayer::Stage::Ending) {
      player.PauseRequest = 0;
      RequireMode(false);
    }
    // Only a run still in progress becomes paused.
    int32_t expected = pmPlaying;
    if (!player.Mode.compare_exchange_strong(expected, pmPaused) && expected != pmPaused) {
      player.PauseRequest = 0;
      RequireMode(false);
    }
    return true;
  });
}

bool DecoderModule::Resume(ModulePlayer& player) {
  return Operation([&] {
    RequireMode(player.Running());
    player.PauseRequest = 0;
    // A run released to its end may have ended meanwhile: its mode stays.
    int32_t expected = pmPaused;
    player.Mode.compare_exchange_strong(expected, pmPlaying);
    return true;
  });
}

bool DecoderModule::SetPos(ModulePlayer& player, uint32_t position) {
  return Operation([&] {
    RequireMode(player.Running());
    player.SeekPending = true;
    struct SeekDone {
      ModulePlayer& player;
      OutputWriter& writer;
      ~SeekDone() {
        writer.SetSeekInProgress(false);
        player.SeekPending = false;
      }
    } seekDone{player, Writer};
    Writer.SetSeekInProgress(true);
    if (Writer.ActiveOutputMode() != omDirectSound) {
      // A drain that fails does not keep the input from moving.
      try {
        Writer.DrainOutput();
      } catch (const ModuleFailure&) {
      }
    }
    Writer.SetSeekInProgress(false);
    MoveInput(player, position);
    return true;
  });
}

bool DecoderModule::GetInfo1(ModulePlayer& player, StreamInfo* info, uint32_t* size) {
  return Operation([&] {
    if (info == nullptr || size == nullptr || *size < sizeof(StreamInfo)) {
      if (size != nullptr) *size = sizeof(StreamInfo);
      Errors.Clear();
      return false;
    }
    *size = sizeof(StreamInfo);
    RequireMode(player.ReadyOrLater());
    *info = InfoRecord(player);
    return true;
  });
}

bool DecoderModule::GoesOnAfterPlayOut(ModulePlayer& player) {
  const auto interrupted = [&] {
    return player.StopRequest.load() || player.PauseRequest.load() || SeekComing(player);
  };
  for (;;) {
    const bool playedOut = Writer.PlayOut(interrupted);
    while (player.PauseRequest.load() && !player.StopRequest.load() && !player.SeekPending.load())
      std::this_thread::sleep_for(PausePoll);
    std::unique_lock<std::mutex> held;
    if (SeekSendsRunBack(player, held)) {
      player.Stage = ModulePlayer::Stage::Decoding;
      return true;
    }
    if (player.StopRequest.load() || playedOut) {
      player.Stage = ModulePlayer::Stage::Ending;
      // A pause raised before the end was marked holds it still (Pause looks at the stage
      // after raising its request).
      if (player.StopRequest.load() || !player.PauseRequest.load()) return false;
      player.Stage = ModulePlayer::Stage::PlayingOut;
    }
  }
}

int32_t DecoderModule::GetPlayerMode(ModulePlayer& player) {
  int32_t expected = pmFinished;
  if (player.Mode.compare_exchange_strong(expected, pmOpen)) return pmFinished;
  return expected;
}

int32_t DecoderModule::GetPos(ModulePlayer& player) {
  return RunModuleOperation(Errors, -1, [&]() -> int32_t {
    const int32_t m = player.Mode.load();
    if (m == pmFinished) return DurationMs(player);
    RequireMode(m == pmPlaying || m == pmPaused);
    return PositionMs(player);
  });
}

int32_t DecoderModule::GetSize(ModulePlayer& player) {
  return RunModuleOperation(Errors, -1, [&]() -> int32_t {
    RequireMode(player.ReadyOrLater());
    return DurationMs(player);
  });
}

bool DecoderModule::CanSetPos(ModulePlayer& player) {
  return Operation([&] {
    RequireMode(!player.IsClosed());
    return CanSetPosition != 0;
  });
}

bool DecoderModule::GetInfo2(ModulePlayer& player, const char** text) {
  return Operation([&] {
    RequireMode(!player.IsClosed());
    if (text != nullptr) *text = InfoText(player);
    return true;
  });
}

int32_t DecoderModule::LastError(ModulePlayer&) { return Errors.Take(); }

bool DecoderModule::GetVolume(ModulePlayer&, uint32_t* volume) {
  return Writer.GetOutputVolume(Output, volume);
}

bool DecoderModule::SetVolume(ModulePlayer&, uint32_t volume) {
  return Writer.SetOutputVolume(Output, volume);
}

bool DecoderModule::CanSetVolume(ModulePlayer&, QVByteBool* separate) {
  return Writer.CanSetOutputVolume(Output, separate);
}

bool DecoderModule::SetInputMode(QVHandle, int32_t mode) {
  if (mode == imFile) return true;
  Errors.Set(qvNotImplemented);
  return false;
}

bool DecoderModule::SetPriority(QVHandle, int32_t) {
  Errors.Set(qvNotImplemented);
  return false;
}

bool DecoderModule::HasEQ(QVHandle, QVByteBool* has) {
  if (has != nullptr) *has = 0;
  return true;
}

bool DecoderModule::UseEQ(QVHandle, bool) {
  Errors.Set(qvNotImplemented);
  return false;
}

bool DecoderModule::EQ(QVHandle, double**, int32_t*, int32_t*) {
  Errors.Set(qvNotImplemented);
  return false;
}
