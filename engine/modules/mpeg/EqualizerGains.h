// The equaliser: 2 x 32 linear gains applied to the subband samples before synthesis while
// the switch is on. The host reads and writes the gains through QVEQ's address; a change
// takes effect from the next synthesis call.
#pragma once

#include <atomic>
#include <cstdint>

namespace mpeg {

struct EqualizerGains {
  static constexpr int32_t Channels = 2;
  static constexpr int32_t Bands = 32;

  EqualizerGains() {
    for (auto& row : Gains)
      for (double& g : row) g = 1.0;
  }

  double Gains[Channels][Bands];
  std::atomic<int32_t> On{0};  // QVUseEQ
};

}  // namespace mpeg
