// The subband samples of one frame, as the layers leave them for the synthesis: per channel up
// to 36 time slots (Layer I 12, Layer II 36, Layer III 18 per granule) of 32 subbands.
#pragma once

namespace mpeg {

struct SubbandSlots {
  static constexpr int MaxSlots = 36;
  alignas(64) double Samples[2][MaxSlots][32];
};

}  // namespace mpeg
