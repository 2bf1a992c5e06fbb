// Everything the Windows Media Audio module keeps while it is loaded: the settings and stream
// state of the current player, the error code, the COM bookkeeping and the output writer.
// One object per loaded module; the exports reach it through the player handle.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleServices.h"
#include "engine/modules/wma/PlayPosition.h"

class ModuleState : public ModuleServices {
 public:
  static ModuleState& Instance();

  ModuleState();

  // The initial values of a new player's record (QVInitModule).
  void ResetRecord();

  // The rest of the record. The SDK's thread advances the position while a run goes on.
  uint32_t duration = 0;
  uint32_t bitRate = 0;
  PlayPosition position;
  std::optional<std::string> inputName;
  // Stored for the interface's sake; file input is the only one.
  QVInputOpenProc inputOpen = nullptr;
  QVInputCloseProc inputClose = nullptr;
  QVInputGetSizeProc inputGetSize = nullptr;
  QVInputSeekProc inputSeek = nullptr;
  QVInputReadProc inputRead = nullptr;
  QVUserValue inputUser = 0;
};
