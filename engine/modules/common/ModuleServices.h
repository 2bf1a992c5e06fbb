// What both modules keep while they are loaded besides their own stream state: the player
// record fields they share (limits, seekability, output settings), the error code, the COM
// bookkeeping, the output writer and the player handle made last. Each module's ModuleState
// derives from it and adds its own.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleCom.h"
#include "engine/modules/common/ModuleErrorCode.h"
#include "engine/modules/common/OutputSettings.h"
#include "engine/modules/common/OutputWriter.h"

// The module's own handle type; each module defines one.
struct PlayerHandle;

class ModuleServices {
 public:
  static constexpr uint32_t NoEnd = 0xFFFFFFFF;

  ModuleServices(const ModuleServices&) = delete;
  ModuleServices& operator=(const ModuleServices&) = delete;

  // The shared record fields. A run's thread reads the limits while the host's thread may
  // change them.
  std::atomic<uint32_t> startLimit{0};
  std::atomic<uint32_t> endLimit{0};
  QVByteBool canSetPosition = 1;
  // Output mode, name, device, buffers, the output format and the output callbacks.
  OutputSettings output;

  // Module-wide values besides the record.
  ModuleErrorCode errors;
  ModuleCom com;
  OutputWriter writer;
  // The player handle made last; the module works for it.
  PlayerHandle* current = nullptr;

 protected:
  explicit ModuleServices(OutputFlavour flavour) : writer{errors, com, flavour} {}

  // The initial values of the shared fields of a new player's record (QVInitModule): no limits,
  // seekable, 44100 Hz two-channel 16-bit output, and no error code.
  void ResetSharedRecord() {
    startLimit = 0;
    endLimit = 0;
    canSetPosition = 1;
    output = OutputSettings{};
    output.sampleRate = 44100;
    output.channels = 2;
    output.bitsPerSample = 16;
    errors.Clear();
  }
};
