#include "engine/modules/wma/ModuleState.h"

ModuleState& ModuleState::Instance() {
  static ModuleState state;
  return state;
}

ModuleState::ModuleState() { ResetRecord(); }

void ModuleState::ResetRecord() {
  startLimit = 0;
  endLimit = 0;
  duration = 0;
  bitRate = 0;
  canSetPosition = 1;
  position = 0;
  inputName.reset();
  inputOpen = nullptr;
  inputClose = nullptr;
  inputGetSize = nullptr;
  inputSeek = nullptr;
  inputRead = nullptr;
  inputUser = 0;
  output = OutputSettings{};
  output.sampleRate = 44100;
  output.channels = 2;
  output.bitsPerSample = 16;
  errors.Clear();
}
