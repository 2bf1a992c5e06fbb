// Layer II frames: 12 granules of 3 slots of 32 subband samples per channel.
#pragma once

class MpegDecoder;

void DecodeLayer2(MpegDecoder& decoder);
