// Everything the Windows Media Audio module keeps while it is loaded: the settings and stream
// state of the current player, the error code, the COM bookkeeping and the output writer.
// One object per loaded module; the exports reach it through the player handle.
#pragma once

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleCom.h"
#include "engine/modules/common/ModuleErrorCode.h"
#include "engine/modules/common/OutputSettings.h"
#include "engine/modules/common/OutputWriter.h"

struct PlayerHandle;

class ModuleState {
 public:
  static constexpr uint32_t NoEnd = 0xFFFFFFFF;

  static ModuleState& Instance();

  ModuleState();
  ModuleState(const ModuleState&) = delete;
  ModuleState& operator=(const ModuleState&) = delete;

  // The initial values of a new player's record (QVInitModule).
  void ResetRecord();

  // The record. The SDK's thread reads the limits and advances the position while a run
  // goes on; the host's thread may change the limits meanwhile.
  std::atomic<uint32_t> startLimit{0};
  std::atomic<uint32_t> endLimit{0};
  uint32_t duration = 0;
  uint32_t bitRate = 0;
  QVByteBool canSetPosition = 1;
  std::atomic<uint32_t> position{0};
  std::optional<std::string> inputName;
  // Stored for the interface's sake; file input is the only one.
  QVInputOpenProc inputOpen = nullptr;
  QVInputCloseProc inputClose = nullptr;
  QVInputGetSizeProc inputGetSize = nullptr;
  QVInputSeekProc inputSeek = nullptr;
  QVInputReadProc inputRead = nullptr;
  QVUserValue inputUser = 0;
  // Output mode, name, device, buffers, the output format and the output callbacks.
  OutputSettings output;

  // Module-wide values besides the record.
  ModuleErrorCode errors;
  ModuleCom com;
  OutputWriter writer{errors, com, OutputFlavour::WindowsMediaAudio};
  // The player handle made last.
  PlayerHandle* current = nullptr;
};
