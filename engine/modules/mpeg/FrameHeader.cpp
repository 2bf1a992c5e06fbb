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

int32_t FrameHeader::SamplesPerFrame() const {
  if (Layer == 1) return 384;
  if (Layer == 3 && Lsf == 1) return 576;
  return 1152;
}

double FrameHeader::FrameDuration() const {
  const int32_t rate = SampleRate();
  return rate > 0 ? SamplesPerFrame() * 1000.0 / rate : 0.0;
}

}  // namespace mpeg
