// Side information of a Layer III frame: MPEG-1 (two granules) and the lower sampling
// frequencies (one granule).
#pragma once

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/Layer3State.h"

namespace mpeg {

// Both read from the reader's position and return the granules whose side information is
// impossible (window switching with block_type 0), bit 0 for granule 0 and bit 1 for granule 1.
// Corrupt region counts are clamped to the last band boundary.
int ReadSideInfo(BitCursor& reader, Layer3SideInfo& side, int channels, bool middleSide,
                 int rateIndex);
int ReadSideInfoLsf(BitCursor& reader, Layer3SideInfo& side, int channels, bool middleSide,
                    int rateIndex);

}  // namespace mpeg
