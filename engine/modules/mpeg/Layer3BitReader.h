// Bit reader over the assembled main data of one Layer III frame: most significant bit first,
// bounded by the data it was given. Bits beyond the end read as zero, so corrupt lengths can
// never make it touch memory outside its buffer; the buffer carries GuardBytes of zeros after
// the data so that a read near the end may load a whole 64-bit word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class Layer3BitReader {
public:
  static constexpr size_t GuardBytes = 8;

  Layer3BitReader() = default;
  // data must be followed by GuardBytes readable bytes (their value does not matter).
  Layer3BitReader(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Position() const { return pos_; }
  void SetPosition(size_t bit) { pos_ = bit; }
  size_t SizeInBits() const { return size_ * 8; }

  // The next 32 bits without consuming them (zeros beyond the end).
  uint32_t Peek32() const { return static_cast<uint32_t>(Peek64() >> 32); }

  // The next 57 bits or more, at the top of the word (zeros beyond the end).
  uint64_t Peek64() const {
    size_t byte = pos_ >> 3;
    if (byte >= size_) return 0;
    uint64_t word;
    std::memcpy(&word, data_ + byte, 8);
    word = __builtin_bswap64(word);
    size_t valid = size_ - byte;
    if (valid < 8) word &= ~uint64_t{0} << (64 - 8 * valid);
    return word << (pos_ & 7);
  }

  void Skip(size_t bits) { pos_ += bits; }

  // n from 0 to 24.
  uint32_t ReadBits(int n) {
    if (n == 0) return 0;
    uint32_t v = Peek32() >> (32 - n);
    pos_ += static_cast<size_t>(n);
    return v;
  }
  uint32_t ReadBit() { return ReadBits(1); }

private:
  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
  size_t pos_ = 0;
};
