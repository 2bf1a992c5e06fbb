// Scale factors of one Layer III granule and channel, into a list of 39 values: long blocks
// bands 0 to 21; short blocks band-major with three windows per band, bands 0 to 12; mixed
// blocks the long bands of the lowest two subbands, then short bands 3 to 12.
#pragma once

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/Layer3State.h"

namespace mpeg {

inline constexpr int ScaleFactorListSize = 39;

// LsfScaleLayout and LsfIntensityLayout.
void BuildLsfScaleLayouts(Layer3Tables& tables);

// MPEG-1: returns the number of bits read. Granule 1 keeps the groups that scfsi selects.
int ReadScaleFactors(BitCursor& reader, int32_t* list, const GranuleInfo& info);

// Lower sampling frequencies; `intensity` for the second channel of an intensity-stereo frame,
// whose illegal intensity position in each band is the largest value its width can hold:
// `illegalPositions`, when given, receives it per list entry (-1 where nothing was read).
// Sets info.Preflag and returns the number of bits read.
int ReadScaleFactorsLsf(const Layer3Tables& tables, BitCursor& reader, int32_t* list,
                        GranuleInfo& info, bool intensity, int32_t* illegalPositions = nullptr);

}  // namespace mpeg
