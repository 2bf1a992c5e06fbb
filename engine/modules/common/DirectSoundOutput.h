// The DirectSound output. The DirectSound object comes from COM's class table; until a
// DirectSound class is registered there, opening fails as for a missing device (code 6), and
// without COM for the module it fails with code 3.
#pragma once

#include <cstdint>

#include "engine/PluginInterface.h"
#include "engine/modules/common/OutputSettings.h"

class DirectSoundOutput {
 public:
  void Open(const OutputSettings& settings, bool comUsable);
  void Write(const void* data, uint32_t length);
  void Drain();
  void Close();

  // Whether a secondary buffer exists, which the volume operations need.
  bool HasBuffer() const { return false; }
};
