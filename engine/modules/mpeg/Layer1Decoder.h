// Layer I frames: 12 slots of 32 subband samples per channel.
#pragma once

class MpegDecoder;

void DecodeLayer1(MpegDecoder& decoder);
