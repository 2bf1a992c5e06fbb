// The bit reader every layer reads its fields through: a byte position and a bit offset,
// most significant bit first, over one buffer. Reads never pass the buffer's end: the cursor
// stops there and every bit beyond it reads as 0, whatever a corrupt frame asks for. The bits
// moved past the end are counted, so that bit positions (Layer III's part lengths) keep their
// distances there too.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace mpeg {

struct BitCursor {
  const uint8_t* Pos = nullptr;   // the byte that holds the next bit
  const uint8_t* End = nullptr;   // one past the last byte that may be read
  const uint8_t* Base = nullptr;  // where bit positions count from: the start of the buffer
  uint32_t Bit = 0;               // bits of *Pos already consumed, 0 to 7
  size_t Beyond = 0;              // bits moved past End

  void Start(const uint8_t* pos, const uint8_t* end) {
    Pos = pos < end ? pos : end;
    End = end;
    Base = Pos;
    Bit = 0;
    Beyond = 0;
  }

  // The bit position from Base, and a move to one.
  size_t Tell() const { return static_cast<size_t>(Pos - Base) * 8 + Bit + Beyond; }
  void Seek(size_t bit) {
    Pos = Base;
    Bit = 0;
    Beyond = 0;
    SkipBits(bit);
  }

  // n from 0 to 17: the next n bits, through a 24-bit window.
  uint32_t ReadBits(uint32_t n) {
    if (n == 0) return 0;
    if (End - Pos >= 8) return ReadWithin(n);
    uint32_t window = Load(3);
    uint32_t value = ((window << Bit) & 0xFFFFFFu) >> (24 - n);
    SkipBits(n);
    return value;
  }

  // n from 0 to 9: the same through a 16-bit window.
  uint32_t ReadBitsShort(uint32_t n) {
    if (n == 0) return 0;
    if (End - Pos >= 8) return ReadWithin(n);
    uint32_t window = Load(2);
    uint32_t value = ((window << Bit) & 0xFFFFu) >> (16 - n);
    SkipBits(n);
    return value;
  }

  uint32_t ReadBit() {
    if (Pos >= End) {
      ++Beyond;
      return 0;
    }
    uint32_t value = (static_cast<uint32_t>(*Pos) >> (7 - Bit)) & 1u;
    SkipBits(1);
    return value;
  }

  // The eight bytes from p, most significant first; bytes at or beyond End read as 0.
  uint64_t Load64(const uint8_t* p) const {
    uint64_t window = 0;
    if (End - p >= 8) {
      std::memcpy(&window, p, 8);
      return __builtin_bswap64(window);
    }
    for (ptrdiff_t i = 0; i < 8; ++i) window = (window << 8) | (i < End - p ? p[i] : 0u);
    return window;
  }

  // n from 1 to 25: the n bits that start `ahead` bits after the cursor, without moving it;
  // bits at or beyond End read as 0, as they would through ReadBits. Reads that do not depend
  // on each other's lengths can so run side by side.
  uint32_t PeekAhead(size_t ahead, uint32_t n) const {
    const size_t bit = Bit + ahead;
    const uint8_t* p = Pos + (bit >> 3);
    if (p >= End) return 0;
    return static_cast<uint32_t>((Load64(p) << (bit & 7)) >> (64 - n));
  }

  // The next 64 bits without moving the cursor; bits at or beyond End read as 0.
  uint64_t Peek64() const {
    if (Pos >= End) return 0;
    return Load64(Pos) << Bit;
  }

  // Moves the cursor on by n bits, stopping at End.
  void SkipBits(size_t n) {
    const size_t bits = Bit + n;
    const size_t bytes = bits >> 3;
    if (bytes >= static_cast<size_t>(End - Pos)) {
      Beyond += bits - static_cast<size_t>(End - Pos) * 8;
      Pos = End;
      Bit = 0;
    } else {
      Pos += bytes;
      Bit = static_cast<uint32_t>(bits & 7u);
    }
  }

 private:
  // n from 1 to 25, with at least 8 bytes left: the same bits through one 64-bit load, and
  // no end to watch.
  uint32_t ReadWithin(uint32_t n) {
    uint64_t window;
    std::memcpy(&window, Pos, 8);
    window = __builtin_bswap64(window);
    const auto value = static_cast<uint32_t>((window << Bit) >> (64 - n));
    const uint32_t bits = Bit + n;
    Pos += bits >> 3;
    Bit = bits & 7u;
    return value;
  }

  uint32_t Load(size_t bytes) const {
    size_t available = static_cast<size_t>(End - Pos);
    uint32_t window = 0;
    if (available >= bytes) {
      for (size_t i = 0; i < bytes; ++i) window = (window << 8) | Pos[i];
    } else {
      for (size_t i = 0; i < bytes; ++i) window = (window << 8) | (i < available ? Pos[i] : 0u);
    }
    return window;
  }
};

}  // namespace mpeg
