// What the output writer reads from a module's state: the output mode and name, the device,
// the buffers, the format of the blocks and the host's output callbacks. Each module keeps one
// of these inside its own module state.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"
#include "engine/modules/common/InputFile.h"

struct OutputSettings {
  int32_t OutputMode = omMMSystem;
  std::optional<std::string> OutputName;
  // The file the open input is read from (none for the host's stream): the WAV file output
  // refuses a name that reaches it.
  std::optional<FileIdentity> InputFile;
  int32_t DeviceNumber = 0;
  int32_t BufferSize = 16384;
  int32_t BuffersCount = 8;
  uint32_t SampleRate = 44100;
  int32_t Channels = 2;
  int32_t BitsPerSample = 16;
  // The wave device output also reports to the output callbacks.
  bool UseOutputCallbacks = false;
  QVOutputProc DataCallback = nullptr;
  QVOutputActionProc ActionCallback = nullptr;
  QVUserValue OutputUser = 0;
  HWND Window = nullptr;
  // Milliseconds of one frame of the MPEG stream (0: none), which paces the DirectSound feed.
  double FrameDuration = 0.0;
};
