#include "engine/modules/mpeg/FrameHeader.h"

#include "engine/modules/mpeg/FrameTables.h"

namespace mpeg {

int32_t FrameHeader::SampleRate() const {
  return SampleRates[RateIndex < 0 || RateIndex > 8 ? 0 : RateIndex];
}

int32_t FrameHeader::BitRate() const {
  if (Layer < 1 || Layer > 3) return 0;  // no frame read yet
  return BitRates[Lsf][Layer - 1][BitRateIndex & 15];
}

}  // namespace mpeg
