// The buffer of interleaved little-endian 16-bit two-channel PCM that the synthesis fills,
// handed to the output whenever it is full.
#pragma once

#include <cstdint>
#include <memory>

namespace mpeg {

// Receives every full block (and the rest at a flush). The output writer stands behind it.
using PcmBlockSink = void (*)(void* context, uint8_t* block, int32_t bytes);

class PcmBlock {
 public:
  // The block holds whole synthesis calls: a size that is not a positive multiple of 128
  // is rounded down to one, at least 128.
  static uint32_t UsableSize(int32_t requested);

  // A new block of UsableSize(requested) bytes, empty; false when it cannot be allocated.
  bool Allocate(int32_t requested);
  void Release();

  void SetSink(PcmBlockSink sink, void* context) {
    sink_ = sink;
    context_ = context;
  }

  uint8_t* Data() { return data_.get(); }

  // After every synthesised slot: a full block goes to the sink and the block starts over.
  void WriteIfFull() {
    if (PcmFill >= capacity_ && PcmFill != 0) Hand();
  }
  // The samples left at the end of a run; nothing when the block is empty.
  void Flush() {
    if (PcmFill != 0) Hand();
  }
  // Drops the samples not handed on yet (a run that was stopped).
  void Discard() { PcmFill = 0; }

  uint32_t PcmFill = 0;  // bytes in the block

 private:
  void Hand();

  std::unique_ptr<uint8_t[]> data_;
  uint32_t capacity_ = 0;
  PcmBlockSink sink_ = nullptr;
  void* context_ = nullptr;
};

}  // namespace mpeg
