// Huffman code tables of Layer III (ISO/IEC 11172-3 Table B.7) as code trees, and the decoding
// of one codeword. Each tree is laid out depth first with the 0 branch first: a word e >= 0 is a
// leaf holding 16x + y (quadruple tables: 8v + 4w + 2x + y); a word e < 0 is a branch whose 0
// subtree starts at the next word and whose 1 subtree starts -e words after it.
//
// Decoding does not walk the trees bit by bit: lookup tables derived from them at compile time
// resolve up to 8 bits per step and give the same value and code length as the walk.
#pragma once

#include <cstdint>

namespace mpeg {

struct HuffmanTable {
  const uint32_t* Lookup;  // null: every pair is (0, 0) and no bit is read
  int32_t FirstBits;       // width of the first lookup step
  int32_t Linbits;
  const int16_t* Tree;  // the code tree (null for the empty tables)
  int32_t TreeSize;
};

// Table numbers 0 to 31 are the pair tables, 32 and 33 the quadruple tables A and B.
const HuffmanTable& Layer3HuffmanTable(int number);

// The lookup entry of the leaf for the codeword at the front of `window` (the next 32 bits of
// the stream, most significant first), and in `prefix` the bits taken by the lookup steps
// before the last. Entry bits 0-7: the leaf value; 8-15: the rest of the code length; 16-23:
// that plus one sign bit per non-zero value of a pair; 24-25: the values of 15 in a pair
// (which take linbits).
inline uint32_t DecodeHuffmanEntry(const HuffmanTable& table, uint32_t window, int& prefix) {
  constexpr uint32_t Subtable = 0x80000000u;
  uint32_t entry = table.Lookup[window >> (32 - table.FirstBits)];
  int used = 0;
  int bits = table.FirstBits;
  while (entry & Subtable) {
    used += bits;
    bits = static_cast<int>(entry & 0xFF);
    entry = table.Lookup[((entry >> 8) & 0x7FFFFF) + ((window << used) >> (32 - bits))];
  }
  prefix = used;
  return entry;
}

// The quadruple tables A (`select` 0) and B (1) resolved with their sign bits: the entry for
// the next QuadrupleBits bits of the stream, enough for the longest codeword and four signs.
// Entry bits 0-3: the leaf (v highest); 4-7: the sign bits of the non-zero values in the same
// places; 8-11: the bits taken by the codeword and its signs.
inline constexpr int QuadrupleBits = 10;
const uint16_t* QuadrupleLookup(int select);

// Decodes the codeword at the front of `window`: returns the leaf value and sets `length` to
// the code length.
inline uint32_t DecodeHuffman(const HuffmanTable& table, uint32_t window, int& length) {
  int prefix;
  const uint32_t entry = DecodeHuffmanEntry(table, window, prefix);
  length = prefix + static_cast<int>((entry >> 8) & 0xFF);
  return entry & 0xFF;
}

}  // namespace mpeg
