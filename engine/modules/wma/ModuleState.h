// Everything the Windows Media Audio module keeps while it is loaded: besides the frame's record
// (DecoderModule) the rest of the current player's settings and stream state. The module
// (WmaModule) derives from it; its player handles reach it.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"
#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/wma/PlayPosition.h"

namespace wma {

class ModuleState : public DecoderModule {
 public:
  // The initial values of a new player's record (QVInitModule).
  void ResetRecord();

  // The rest of the record (the input callbacks of the frame's are stored for the interface's
  // sake; file input is the only one). The SDK's thread advances the position while a run
  // goes on.
  uint32_t Duration = 0;
  uint32_t BitRate = 0;
  PlayPosition Position;

 protected:
  explicit ModuleState(const ModuleTexts& texts);
  ~ModuleState() = default;
};

}  // namespace wma
