// Layer I and II requantisation tables: the constant allocation tables and the tables that
// BuildLayer2Tables computes at every decoder set-up.
#pragma once

#include <cstdint>

namespace mpeg {

// One allocation table entry: a grouped code (d > 0: d levels in one codeword of `bits`)
// or single codes of `bits` bits (d = -(2^(bits-1) - 1)).
struct AllocationEntry {
  int16_t Bits;
  int16_t D;
};

// Row r of a table: Rows[r].Nbal bits of allocation, entries 1 .. 2^nbal - 1.
struct AllocationRow {
  int32_t Nbal;
  const AllocationEntry* Entries;  // Entries[a - 1] for allocation a
};

struct AllocationTable {
  int32_t Subbands;
  const AllocationRow* Rows;
};

// Tables 0-3: MPEG-1 (chosen by AllocationTableFor); table 4: lower sampling frequencies.
const AllocationTable& AllocationTableByNumber(int32_t number);
// MPEG-1 table number for rate index 0-2, channel count and bit-rate index.
int32_t AllocationTableFor(int32_t rateIndex, int32_t channels, int32_t bitRateIndex);

struct Layer2Tables {
  static constexpr int32_t Classes = 27;

  // Requantisation class factor times scale factor: [class][scale index]; index 63 is 0.
  double ScaleMultipliers[Classes][64];
  // Class triples of the grouped codewords of 3, 5 and 9 levels.
  uint8_t Group3[27][3];
  uint8_t Group5[125][3];
  uint8_t Group9[729][3];
};

void BuildLayer2Tables(Layer2Tables& tables);

}  // namespace mpeg
