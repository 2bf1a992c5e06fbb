// The Huffman code tables: their shape, codes of ISO/IEC 11172-3 Table B.7 and the fast
// decoding against the tree walk.
#include <gtest/gtest.h>

#include "tests/engine/modules/mpeg/Layer3TestBits.h"

using namespace layer3test;

namespace {

TEST(Layer3Huffman, TablesHaveTheirSizesAndLinbits) {
  struct Case {
    int Table;
    int Codes;
    int Linbits;
  };
  const Case cases[] = {{1, 4, 0},     {2, 9, 0},    {3, 9, 0},    {5, 16, 0},    {6, 16, 0},
                        {7, 36, 0},    {8, 36, 0},   {9, 36, 0},   {10, 64, 0},   {11, 64, 0},
                        {12, 64, 0},   {13, 256, 0}, {15, 256, 0}, {16, 256, 1},  {19, 256, 4},
                        {23, 256, 13}, {24, 256, 4}, {27, 256, 7}, {30, 256, 11}, {31, 256, 13},
                        {32, 16, 0},   {33, 16, 0}};
  for (const Case& c : cases) {
    const HuffmanTable& t = Layer3HuffmanTable(c.Table);
    EXPECT_EQ(t.TreeSize, 2 * c.Codes - 1) << c.Table;
    EXPECT_EQ(t.Linbits, c.Linbits) << c.Table;
    EXPECT_EQ(static_cast<int>(Codes(c.Table).size()), c.Codes) << c.Table;
  }
  for (int empty : {0, 4, 14}) EXPECT_EQ(Layer3HuffmanTable(empty).Lookup, nullptr) << empty;
  EXPECT_EQ(Layer3HuffmanTable(16).Tree, Layer3HuffmanTable(23).Tree);
  EXPECT_EQ(Layer3HuffmanTable(24).Tree, Layer3HuffmanTable(31).Tree);
}

TEST(Layer3Huffman, KnownCodesOfTheStandard) {
  struct Case {
    int Table;
    int Leaf;
    const char* Code;
  };
  const Case cases[] = {
      {1, 0x00, "1"},         {1, 0x01, "001"},        {1, 0x10, "01"},
      {1, 0x11, "000"},       {2, 0x22, "000000"},     {5, 0x33, "00000000"},
      {7, 0x00, "1"},         {13, 0x00, "1"},         {15, 0x00, "111"},
      {16, 0xFF, "00000011"}, {16, 0xF0, "000001100"}, {24, 0xFF, "0011"},
      {24, 0x00, "1111"},     {32, 0x0, "1"},          {32, 0xF, "000001"},
      {33, 0x0, "1111"},      {33, 0xF, "0000"},       {13, 0xFF, "0000000000000001"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(CodeOf(c.Table, c.Leaf), c.Code) << c.Table << " " << c.Leaf;
}

// Every codeword of every table, followed by arbitrary bits, decodes to its leaf and length.
TEST(Layer3Huffman, LookupAgreesWithTreeWalkForEveryCode) {
  for (int table = 1; table < 34; ++table) {
    const HuffmanTable& t = Layer3HuffmanTable(table);
    if (t.Lookup == nullptr) continue;
    for (const Codeword& c : Codes(table)) {
      for (uint32_t tail : {0u, 0xFFFFFFFFu, 0xA5A5A5A5u}) {
        uint32_t code = 0;
        for (char b : c.Bits) code = (code << 1) | (b == '1');
        const int n = static_cast<int>(c.Bits.size());
        uint32_t window = (code << (32 - n)) | (tail >> n);
        int length = 0;
        EXPECT_EQ(static_cast<int>(DecodeHuffman(t, window, length)), c.Leaf)
            << table << " " << c.Bits;
        EXPECT_EQ(length, n) << table << " " << c.Bits;
      }
    }
  }
}

// Every quadruple codeword with every pattern of sign bits, followed by arbitrary bits,
// resolves to its leaf, the signs of its non-zero values and the bits of both.
TEST(Layer3Huffman, QuadrupleLookupResolvesCodesWithTheirSigns) {
  for (int select = 0; select < 2; ++select) {
    const uint16_t* lookup = QuadrupleLookup(select);
    for (const Codeword& c : Codes(32 + select)) {
      const int values = __builtin_popcount(static_cast<unsigned>(c.Leaf));
      for (int signs = 0; signs < (1 << values); ++signs) {
        for (uint32_t tail : {0u, 0x3FFu, 0x2A5u}) {
          uint32_t pattern = 0;
          for (char b : c.Bits) pattern = (pattern << 1) | (b == '1');
          pattern = (pattern << values) | static_cast<uint32_t>(signs);
          const int n = static_cast<int>(c.Bits.size()) + values;
          pattern = ((pattern << (QuadrupleBits - n)) | (tail >> n)) & 0x3FFu;
          // The sign bits in the places of their values, the first sign at the highest.
          int expectSigns = 0;
          for (int k = 3, next = values - 1; k >= 0; --k)
            if ((c.Leaf >> k) & 1) expectSigns |= ((signs >> next--) & 1) << k;
          const uint16_t entry = lookup[pattern];
          EXPECT_EQ(entry & 15, c.Leaf) << select << " " << c.Bits;
          EXPECT_EQ((entry >> 4) & 15, expectSigns) << select << " " << c.Bits << " " << signs;
          EXPECT_EQ(entry >> 8, n) << select << " " << c.Bits;
        }
      }
    }
  }
}

}  // namespace
