// The WAV file output: a RIFF "WAVE" file with an 18-byte "fmt " chunk and a "data" chunk whose
// sizes are patched when the file closes.
#pragma once

#include <cstdint>
#include <cstdio>

#include "engine/modules/common/OutputSettings.h"

class WavFileOutput {
 public:
  WavFileOutput() = default;
  WavFileOutput(const WavFileOutput&) = delete;
  WavFileOutput& operator=(const WavFileOutput&) = delete;
  ~WavFileOutput();

  // Creates (or empties) the file and writes the 46-byte header; code 6 on any failure.
  void Open(const OutputSettings& settings);
  // Appends the block, then pauses 20 ms: the pause paces the decoder on purpose. A failed
  // write is not reported.
  void Write(const void* data, uint32_t length);
  // Patches the sizes and closes the file; never fails.
  void Close();

 private:
  std::FILE* file_ = nullptr;
  uint32_t dataBytes_ = 0;
};
