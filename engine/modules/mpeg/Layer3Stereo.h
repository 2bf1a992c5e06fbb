// Intensity stereo of Layer III (middle/side is folded into the requantisation of the second
// channel, see RequantiseMiddleSide).
#pragma once

#include "engine/modules/mpeg/Layer3State.h"

namespace mpeg {

// IntensityRatios for positions 0 to 31: MPEG-1 by the tangent rule, lsf by the two intensity
// scales; each also multiplied by sqrt(2) for frames with middle/side stereo.
void BuildIntensityRatios(Layer3Tables& tables);

// Spreads channel 0's lines over both channels above channel 1's last non-zero band, by the
// positions in channel 1's scale factors. `illegalPositions` (lower sampling frequencies) gives
// each list entry's position that leaves its band as decoded; without it that position is 7.
void IntensityStereo(const Layer3Tables& tables, double* left, double* right,
                     const int32_t* scalefac, const GranuleInfo& info, int rateIndex,
                     bool middleSide, bool lsf, const int32_t* illegalPositions = nullptr);

}  // namespace mpeg
