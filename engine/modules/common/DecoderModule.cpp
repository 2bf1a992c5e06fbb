#include "engine/modules/common/DecoderModule.h"

DecoderModule::DecoderModule(const ModuleTexts& texts, OutputFlavour flavour)
    : writer{errors, com, flavour}, texts_(texts) {}

void DecoderModule::ResetSharedRecord() {
  startLimit = 0;
  endLimit = 0;
  canSetPosition = 1;
  output = OutputSettings{};
  output.sampleRate = 44100;
  output.channels = 2;
  output.bitsPerSample = 16;
  errors.Clear();
}

ModulePlayer* DecoderModule::Served(QVHandle h) {
  ModulePlayer* player = Checked(h);
  if (player == nullptr || Serves(*player)) return player;
  errors.Set(qvIncorrectMode);
  return nullptr;
}

bool DecoderModule::SetOutputMode(ModulePlayer& player, int32_t mode) {
  return SetWhileNotRunning(player, [&] { output.outputMode = mode; });
}

bool DecoderModule::SetOutputName(ModulePlayer& player, const char* name) {
  return SetWhileNotRunning(player, [&] {
    if (name != nullptr)
      output.outputName = name;
    else
      output.outputName.reset();
  });
}

bool DecoderModule::SetOutputDev(ModulePlayer& player, int32_t device) {
  return Operation([&] {
    RequireMode(player.IsClosed());
    output.deviceNumber = device;
    return true;
  });
}

bool DecoderModule::SetDevNum(ModulePlayer& player, int32_t device) {
  return SetWhileNotRunning(player, [&] { output.deviceNumber = device; });
}

bool DecoderModule::SetBuffers(ModulePlayer& player, int32_t count, int32_t size) {
  return SetWhileNotRunning(player, [&] {
    if (count != 0) output.buffersCount = count;
    if (size != 0) output.bufferSize = UsableBufferSize(size);
  });
}

bool DecoderModule::SetWindow(ModulePlayer& player, HWND window) {
  return SetWhileNotRunning(player, [&] { output.window = window; });
}

bool DecoderModule::UseOutCB(ModulePlayer& player, bool use) {
  return SetWhileNotRunning(player, [&] { output.useOutputCallbacks = use; });
}

bool DecoderModule::SetOutCB(ModulePlayer& player, QVOutputProc data, QVOutputActionProc action,
                             QVUserValue user) {
  return SetWhileNotRunning(player, [&] {
    output.dataCallback = data;
    output.actionCallback = action;
    output.outputUser = user;
  });
}

int32_t DecoderModule::GetPlayerMode(ModulePlayer& player) {
  int32_t expected = pmFinished;
  if (player.mode.compare_exchange_strong(expected, pmOpen)) return pmFinished;
  return expected;
}

int32_t DecoderModule::GetPos(ModulePlayer& player) {
  return RunModuleOperation(errors, -1, [&]() -> int32_t {
    const int32_t m = player.mode.load();
    if (m == pmFinished) return DurationMs(player);
    RequireMode(m == pmPlaying || m == pmPaused);
    return PositionMs(player);
  });
}

int32_t DecoderModule::GetSize(ModulePlayer& player) {
  return RunModuleOperation(errors, -1, [&]() -> int32_t {
    RequireMode(player.ReadyOrLater());
    return DurationMs(player);
  });
}

bool DecoderModule::CanSetPos(ModulePlayer& player) {
  return Operation([&] {
    RequireMode(!player.IsClosed());
    return canSetPosition != 0;
  });
}

bool DecoderModule::GetInfo2(ModulePlayer& player, const char** text) {
  return Operation([&] {
    RequireMode(!player.IsClosed());
    if (text != nullptr) *text = InfoText(player);
    return true;
  });
}

int32_t DecoderModule::LastError(ModulePlayer&) { return errors.Take(); }

bool DecoderModule::GetVolume(ModulePlayer&, uint32_t* volume) {
  return writer.GetOutputVolume(output, volume);
}

bool DecoderModule::SetVolume(ModulePlayer&, uint32_t volume) {
  return writer.SetOutputVolume(output, volume);
}

bool DecoderModule::CanSetVolume(ModulePlayer&, QVByteBool* separate) {
  return writer.CanSetOutputVolume(output, separate);
}

bool DecoderModule::SetInputMode(QVHandle, int32_t mode) {
  if (mode == imFile) return true;
  errors.Set(qvNotImplemented);
  return false;
}

bool DecoderModule::SetPriority(QVHandle, int32_t) {
  errors.Set(qvNotImplemented);
  return false;
}

bool DecoderModule::HasEQ(QVHandle, QVByteBool* has) {
  if (has != nullptr) *has = 0;
  return true;
}

bool DecoderModule::UseEQ(QVHandle, bool) {
  errors.Set(qvNotImplemented);
  return false;
}

bool DecoderModule::EQ(QVHandle, double**, int32_t*, int32_t*) {
  errors.Set(qvNotImplemented);
  return false;
}
