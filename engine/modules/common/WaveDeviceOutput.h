// The wave device output. This build has no wave output devices yet, so opening fails as it
// does on a system without one (code 6) and there is no device volume.
#pragma once

#include <cstdint>

#include "engine/PluginInterface.h"
#include "engine/modules/common/OutputSettings.h"

class WaveDeviceOutput {
 public:
  void Open(const OutputSettings& settings);
  void Write(const void* data, uint32_t length);
  void Drain();
  void Close();

  bool CanSetVolume(const OutputSettings& settings, QVByteBool* separate);
  bool GetVolume(const OutputSettings& settings, uint32_t* volume);
  bool SetVolume(const OutputSettings& settings, uint32_t volume);
};
