// The Layer III frame procedure and the bit reservoir: a frame body in, 18 time slots per
// granule and channel out.
#pragma once

#include <cstdint>

#include "engine/modules/mpeg/FrameHeader.h"
#include "engine/modules/mpeg/Layer3State.h"
#include "engine/modules/mpeg/SubbandSlots.h"

namespace mpeg {

// Builds every Layer III table for the down-sampling level, clears the OverlapStore and empties
// the reservoir; the stages run the kernels of `kernels`, which outlives the state's use.
// Called at each stream set-up.
void BuildLayer3Tables(Layer3State& state, int downsampleLevel, const DecoderKernels& kernels);

// Empties the reservoir: for when the input is opened or positioned.
void ResetLayer3Reservoir(Layer3State& state);

// Decodes one frame. A granule whose Huffman data overrun their length or whose side
// information is impossible (window switching with block_type 0) is silent, and so are the
// granules of a frame whose main data begin before the bytes the stream has supplied since the
// last reset: every granule fills its 18 time slots. `body` holds header.BodyLength bytes,
// starting with the check word when there is one. Returns the slots filled per channel.
int DecodeLayer3(Layer3State& state, const FrameHeader& header, const uint8_t* body,
                 SubbandSlots& slots);

// Keeps a frame that is not decoded in the reservoir, so that later frames find their main data.
void SkipLayer3Frame(Layer3State& state, const FrameHeader& header, const uint8_t* body);

// A silent frame in place of one that was lost: the overlap fades out as it would after
// silence. Returns the slots filled per channel.
int SilentLayer3Frame(Layer3State& state, const FrameHeader& header, SubbandSlots& slots);

}  // namespace mpeg
