#include "engine/modules/wma/ModuleState.h"

namespace wma {

namespace {

// The wave device plays the stream's own rate at once and reports only the start and the end
// to the output callbacks.
constexpr WaveDeviceRules WmaWaveDevice{};

}  // namespace

ModuleState::ModuleState(const ModuleTexts& texts) : DecoderModule(texts, WmaWaveDevice) {
  ResetRecord();
}

void ModuleState::ResetRecord() {
  ResetSharedRecord();
  Duration = 0;
  BitRate = 0;
  Position = 0;
}

}  // namespace wma
