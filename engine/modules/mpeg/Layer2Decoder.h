// Layer II frames: 12 granules of 3 slots of 32 subband samples per channel.
#pragma once

#include <cstdint>

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/FrameHeader.h"
#include "engine/modules/mpeg/Layer2Tables.h"
#include "engine/modules/mpeg/SubbandSlots.h"

namespace mpeg {

// Reads the frame under `bits` (after the header and check word) into 36 slots per channel;
// subbands from 32 >> downsampleLevel on stay silent. Returns 36.
int DecodeLayer2(BitCursor& bits, const FrameHeader& header, const Layer2Tables& tables,
                 int32_t downsampleLevel, SubbandSlots& slots);

}  // namespace mpeg
