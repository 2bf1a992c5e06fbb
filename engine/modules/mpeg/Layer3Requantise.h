// Huffman decoding and requantisation of one Layer III granule and channel into its 576 lines.
#pragma once

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/Layer3State.h"

namespace mpeg {

// Builds GainTable, PowerTable, BandMaps and SubbandLimits for the down-sampling level.
void BuildRequantiseTables(Layer3Tables& tables, int downsampleLevel);

// Both through the state's kernel table, with its tables.
//
// Decodes the granule's Huffman data (the reader stands at its first bit) into `spectrum`,
// sets maxband, maxbandl and maxb, and leaves the reader at the end of the granule's
// part2_3_length bits. Returns 0, or 1 for an overrun (more bits used than part2_3_length).
int Requantise(const Layer3State& state, BitCursor& reader, double* spectrum,
               const int32_t* scalefac, GranuleInfo& info, int rateIndex, int scaleBits);

// The middle/side form for the second channel: each decoded side value s combines with the
// middle value m in `left`: left := m + s, right := m - s; lines the data does not reach get
// right := left.
int RequantiseMiddleSide(const Layer3State& state, BitCursor& reader, double* left, double* right,
                         const int32_t* scalefac, GranuleInfo& info, int rateIndex, int scaleBits);

}  // namespace mpeg
