#include "engine/modules/mpeg/PcmBlock.h"

#include <new>

namespace mpeg {

uint32_t PcmBlock::UsableSize(int32_t requested) {
  if (requested < 128) return 128;
  return static_cast<uint32_t>(requested) & ~127u;
}

bool PcmBlock::Allocate(int32_t requested) {
  const uint32_t size = UsableSize(requested);
  Release();
  data_.reset(new (std::nothrow) uint8_t[size]);
  if (!data_) return false;
  capacity_ = size;
  return true;
}

void PcmBlock::Release() {
  data_.reset();
  capacity_ = 0;
  PcmFill = 0;
}

void PcmBlock::Hand() {
  if (sink_ != nullptr) sink_(context_, data_.get(), static_cast<int32_t>(PcmFill));
  PcmFill = 0;
}

}  // namespace mpeg
