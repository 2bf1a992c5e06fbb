#include "engine/modules/common/WaveDeviceOutput.h"

#include "engine/modules/common/ModuleFailure.h"

void WaveDeviceOutput::Open(const OutputSettings&) {
  // No wave output device on the system.
  RaiseModuleFailure(qvOutputFailure);
}

void WaveDeviceOutput::Write(const void*, uint32_t) {}

void WaveDeviceOutput::Drain() {}

void WaveDeviceOutput::Close() {}

// Without device volume calls the volume operations answer as for a mode without volume.
bool WaveDeviceOutput::CanSetVolume(const OutputSettings&, QVByteBool*) { return false; }

bool WaveDeviceOutput::GetVolume(const OutputSettings&, uint32_t*) { return false; }

bool WaveDeviceOutput::SetVolume(const OutputSettings&, uint32_t) { return false; }
