#include "engine/modules/mpeg/Layer1Decoder.h"

namespace mpeg {

int DecodeLayer1(BitCursor& bits, const FrameHeader& header, const Layer2Tables& tables,
                 int32_t downsampleLevel, SubbandSlots& slots) {
  const auto& multipliers = tables.ScaleMultipliers;
  const bool stereo = header.Channels == 2;
  const int channels = stereo ? 2 : 1;
  int bound = stereo ? header.StereoBound : 32;
  if (bound > 32) bound = 32;

  // Allocation and scale indexes; from the bound on both channels share one allocation.
  int allocation[2][32] = {};
  int scale[2][32] = {};
  for (int sb = 0; sb < bound; ++sb)
    for (int ch = 0; ch < channels; ++ch) allocation[ch][sb] = static_cast<int>(bits.ReadBits(4));
  for (int sb = bound; sb < 32; ++sb)
    allocation[0][sb] = allocation[1][sb] = static_cast<int>(bits.ReadBits(4));
  for (int sb = 0; sb < 32; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (allocation[ch][sb] != 0) scale[ch][sb] = static_cast<int>(bits.ReadBits(6));

  const int limit = 32 >> downsampleLevel;
  int codes[2][32];
  for (int slot = 0; slot < 12; ++slot) {
    for (int sb = 0; sb < bound; ++sb)
      for (int ch = 0; ch < channels; ++ch)
        if (allocation[ch][sb] != 0)
          codes[ch][sb] = static_cast<int>(bits.ReadBits(allocation[ch][sb] + 1));
    for (int sb = bound; sb < 32; ++sb)
      if (allocation[0][sb] != 0)
        codes[0][sb] = codes[1][sb] = static_cast<int>(bits.ReadBits(allocation[0][sb] + 1));

    for (int ch = 0; ch < channels; ++ch) {
      double* samples = slots.Samples[ch][slot];
      for (int sb = 0; sb < limit; ++sb) {
        const int n = allocation[ch][sb];
        samples[sb] =
            n == 0 ? 0.0 : (codes[ch][sb] - (1 << n) + 1) * multipliers[n + 1][scale[ch][sb]];
      }
      for (int sb = limit; sb < 32; ++sb) samples[sb] = 0.0;
    }
  }
  return 12;
}

}  // namespace mpeg
