// Placeholder Layer III decoder: yields no samples.
#include "engine/modules/mpeg/Layer3Decoder.h"

#include "engine/modules/mpeg/MpegDecoder.h"

void DecodeLayer3(MpegDecoder&) {}

void KeepLayer3Reservoir(MpegDecoder&) {}

void BuildLayer3Tables(MpegDecoder&, int) {}
