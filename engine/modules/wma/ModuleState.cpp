#include "engine/modules/wma/ModuleState.h"

namespace wma {

ModuleState::ModuleState(const ModuleTexts& texts)
    : DecoderModule(texts, OutputFlavour::WindowsMediaAudio) {
  ResetRecord();
}

void ModuleState::ResetRecord() {
  ResetSharedRecord();
  duration = 0;
  bitRate = 0;
  position = 0;
}

}  // namespace wma
