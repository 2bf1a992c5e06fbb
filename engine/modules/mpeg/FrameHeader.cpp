#include "engine/modules/mpeg/FrameHeader.h"

#include "engine/modules/mpeg/FrameTables.h"

int32_t FrameHeader::SampleRate() const { return SampleRates[RateIndex]; }

int32_t FrameHeader::BitRate() const { return BitRates[Lsf][Layer - 1][BitRateIndex]; }
