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
  int32_t outputMode = omMMSystem;
  std::optional<std::string> outputName;
  // The file the open input is read from (none for the host's stream): the WAV file output
  // refuses a name that reaches it.
  std::optional<FileIdentity> inputFile;
  int32_t deviceNumber = 0;
  int32_t bufferSize = 16384;
  int32_t buffersCount = 8;
  uint32_t sampleRate = 44100;
  int32_t channels = 2;
  int32_t bitsPerSample = 16;
  // The wave device output also reports to the output callbacks.
  bool useOutputCallbacks = false;
  QVOutputProc dataCallback = nullptr;
  QVOutputActionProc actionCallback = nullptr;
  QVUserValue outputUser = 0;
  HWND window = nullptr;
  // Milliseconds of one frame of the MPEG stream (0: none), which paces the DirectSound feed.
  double frameDuration = 0.0;
};
