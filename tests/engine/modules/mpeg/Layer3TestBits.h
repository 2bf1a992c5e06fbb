// Helpers of the Layer III unit tests: a bit writer for hand-made granules and the codes of
// the Huffman trees.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/Layer3Huffman.h"

namespace layer3test {
using namespace mpeg;

class BitWriter {
 public:
  void Put(uint32_t value, int bits) {
    for (int i = bits - 1; i >= 0; --i) PutBit((value >> i) & 1);
  }
  void PutBit(uint32_t bit) {
    if (count_ % 8 == 0) bytes_.push_back(0);
    if (bit) bytes_.back() |= static_cast<uint8_t>(0x80 >> (count_ % 8));
    ++count_;
  }
  void PutCode(const std::string& code) {
    for (char c : code) PutBit(c == '1');
  }
  size_t Bits() const { return count_; }
  std::vector<uint8_t> Bytes() const { return bytes_; }
  size_t Size() const { return bytes_.size(); }

 private:
  std::vector<uint8_t> bytes_;
  size_t count_ = 0;
};

struct Codeword {
  std::string Bits;
  int Leaf;
};

// Every codeword of a tree, by walking it depth first.
inline void CollectCodes(const int16_t* tree, int node, const std::string& prefix,
                         std::vector<Codeword>& out) {
  if (tree[node] >= 0) {
    out.push_back({prefix, tree[node]});
    return;
  }
  CollectCodes(tree, node + 1, prefix + "0", out);
  CollectCodes(tree, node + 1 - tree[node], prefix + "1", out);
}

inline std::vector<Codeword> Codes(int table) {
  std::vector<Codeword> out;
  const HuffmanTable& t = Layer3HuffmanTable(table);
  if (t.Tree != nullptr) CollectCodes(t.Tree, 0, "", out);
  return out;
}

// The code of leaf value `leaf` (16x + y, or the quadruple's bits) in table `table`.
inline std::string CodeOf(int table, int leaf) {
  for (const Codeword& c : Codes(table))
    if (c.Leaf == leaf) return c.Bits;
  return "?";
}

}  // namespace layer3test
