// Side information of a Layer III frame: MPEG-1 (two granules) and the lower sampling
// frequencies (one granule).
#pragma once

#include "engine/modules/mpeg/Layer3BitReader.h"
#include "engine/modules/mpeg/Layer3State.h"

// Both read from the reader's position. Window switching with block_type 0 raises the module's
// internal failure. Corrupt region counts are clamped to the last band boundary.
void ReadSideInfo(Layer3BitReader& reader, Layer3SideInfo& side, int channels, bool middleSide, int rateIndex);
void ReadSideInfoLsf(Layer3BitReader& reader, Layer3SideInfo& side, int channels, bool middleSide, int rateIndex);
