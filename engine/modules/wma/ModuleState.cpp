#include "engine/modules/wma/ModuleState.h"

ModuleState& ModuleState::Instance() {
  static ModuleState state;
  return state;
}

ModuleState::ModuleState() : ModuleServices(OutputFlavour::WindowsMediaAudio) { ResetRecord(); }

void ModuleState::ResetRecord() {
  ResetSharedRecord();
  duration = 0;
  bitRate = 0;
  position = 0;
  inputName.reset();
  inputOpen = nullptr;
  inputClose = nullptr;
  inputGetSize = nullptr;
  inputSeek = nullptr;
  inputRead = nullptr;
  inputUser = 0;
}
