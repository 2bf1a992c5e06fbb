// Antialias and hybrid synthesis of Layer III: IMDCT with windowing and overlap-add, and the
// sign inversion of odd subbands, from one channel's 576 lines to 18 time slots of 32 subband
// samples.
#pragma once

#include "engine/modules/mpeg/Layer3State.h"

namespace mpeg {

// AliasCoefficients and ImdctWindows.
void BuildHybridTables(Layer3Tables& tables);

// Both through the state's kernel table.
void Antialias(const Layer3State& state, double* spectrum, const GranuleInfo& info);

// Transforms the subbands below info.Maxb of `spectrum` (which it uses as scratch) into
// the 18 time slots at `slots`, overlapping with and refreshing state.overlap[channel].
void HybridSynthesis(Layer3State& state, double* spectrum, int channel, const GranuleInfo& info,
                     double (*slots)[32]);

}  // namespace mpeg
