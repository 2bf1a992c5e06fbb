// The callback output: every block goes to the host's output data callback, the start and the
// end to its action callback. It also serves the block reports of the wave device output.
#pragma once

#include <cstdint>
#include <vector>

#include "engine/modules/common/OutputSettings.h"

class CallbackOutput {
 public:
  // Code 6 when a callback is missing or the host refuses the start report.
  void Open(const OutputSettings& settings);
  // Hands a copy of the block to the data callback; code 6 when the host answers false.
  void Write(const OutputSettings& settings, const void* data, uint32_t length);
  // The end report; its answer does not matter.
  void Close(const OutputSettings& settings);

  // The staging buffer, for the wave device's block reports.
  void AllocateStaging(int32_t size);
  void ReleaseStaging();
  // Copies the block into the staging buffer, growing it for a block longer than the buffer.
  uint8_t* Stage(const void* data, uint32_t length);

 private:
  std::vector<uint8_t> staging_;
};
