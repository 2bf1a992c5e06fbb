#include "engine/modules/mpeg/Layer2Tables.h"

#include <cmath>

namespace mpeg {

namespace {

// The entry of a quantiser with `levels` levels: grouped codes for 3, 5 and 9 levels (three
// samples in one codeword), single codes of b bits for 2^b - 1 levels.
constexpr AllocationEntry Quantizer(int levels) {
  if (levels == 3) return {5, 3};
  if (levels == 5) return {7, 5};
  if (levels == 9) return {10, 9};
  int bits = 0;
  while ((1 << bits) - 1 < levels) ++bits;
  return {static_cast<int16_t>(bits), static_cast<int16_t>(-((1 << (bits - 1)) - 1))};
}

constexpr AllocationEntry Wide4[15] = {
    Quantizer(3),    Quantizer(7),    Quantizer(15),    Quantizer(31),    Quantizer(63),
    Quantizer(127),  Quantizer(255),  Quantizer(511),   Quantizer(1023),  Quantizer(2047),
    Quantizer(4095), Quantizer(8191), Quantizer(16383), Quantizer(32767), Quantizer(65535)};
constexpr AllocationEntry Mid4[15] = {
    Quantizer(3),    Quantizer(5),    Quantizer(7),    Quantizer(9),    Quantizer(15),
    Quantizer(31),   Quantizer(63),   Quantizer(127),  Quantizer(255),  Quantizer(511),
    Quantizer(1023), Quantizer(2047), Quantizer(4095), Quantizer(8191), Quantizer(65535)};
constexpr AllocationEntry High3[7] = {Quantizer(3),  Quantizer(5),  Quantizer(7),    Quantizer(9),
                                      Quantizer(15), Quantizer(31), Quantizer(65535)};
constexpr AllocationEntry Top2[3] = {Quantizer(3), Quantizer(5), Quantizer(65535)};
constexpr AllocationEntry Low4[15] = {
    Quantizer(3),    Quantizer(5),    Quantizer(9),    Quantizer(15),    Quantizer(31),
    Quantizer(63),   Quantizer(127),  Quantizer(255),  Quantizer(511),   Quantizer(1023),
    Quantizer(2047), Quantizer(4095), Quantizer(8191), Quantizer(16383), Quantizer(32767)};
constexpr AllocationEntry Low3[7] = {Quantizer(3),  Quantizer(5),  Quantizer(9),  Quantizer(15),
                                     Quantizer(31), Quantizer(63), Quantizer(127)};
constexpr AllocationEntry Lsf4[15] = {
    Quantizer(3),    Quantizer(5),    Quantizer(7),    Quantizer(9),    Quantizer(15),
    Quantizer(31),   Quantizer(63),   Quantizer(127),  Quantizer(255),  Quantizer(511),
    Quantizer(1023), Quantizer(2047), Quantizer(4095), Quantizer(8191), Quantizer(16383)};
constexpr AllocationEntry Lsf2[3] = {Quantizer(3), Quantizer(5), Quantizer(9)};

constexpr AllocationRow W4{4, Wide4};
constexpr AllocationRow M4{4, Mid4};
constexpr AllocationRow H3{3, High3};
constexpr AllocationRow T2{2, Top2};
constexpr AllocationRow L4{4, Low4};
constexpr AllocationRow L3{3, Low3};
constexpr AllocationRow S4{4, Lsf4};
constexpr AllocationRow S2{2, Lsf2};

// ISO/IEC 11172-3 Tables B.2a to B.2d and ISO/IEC 13818-3 Table B.1.
constexpr AllocationRow TableA[27] = {W4, W4, W4, M4, M4, M4, M4, M4, M4, M4, M4, H3, H3, H3,
                                      H3, H3, H3, H3, H3, H3, H3, H3, H3, T2, T2, T2, T2};
constexpr AllocationRow TableB[30] = {W4, W4, W4, M4, M4, M4, M4, M4, M4, M4, M4, H3, H3, H3, H3,
                                      H3, H3, H3, H3, H3, H3, H3, H3, T2, T2, T2, T2, T2, T2, T2};
constexpr AllocationRow TableC[8] = {L4, L4, L3, L3, L3, L3, L3, L3};
constexpr AllocationRow TableD[12] = {L4, L4, L3, L3, L3, L3, L3, L3, L3, L3, L3, L3};
constexpr AllocationRow TableLsf[30] = {S4, S4, S4, S4, L3, L3, L3, L3, L3, L3, L3, S2, S2, S2, S2,
                                        S2, S2, S2, S2, S2, S2, S2, S2, S2, S2, S2, S2, S2, S2, S2};

constexpr AllocationTable AllocationTables[5] = {
    {27, TableA}, {30, TableB}, {8, TableC}, {12, TableD}, {30, TableLsf}};

// Table number by rate index (44.1, 48, 32 kHz), channels (two first) and bit-rate index.
constexpr uint8_t AllocationTableChoice[3][2][16] = {
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 0},
     {0, 2, 2, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
    {{0, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0},
     {0, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
    {{0, 3, 3, 3, 3, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 0},
     {0, 3, 3, 0, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0}},
};

// Requantisation factor of each class: 0 silence, 1-2 and 17-26 the levels of grouped codes
// ((2v - (L - 1)) / L), 3-16 single codes of that many bits (2 / (2^b - 1)).
constexpr double ClassFactors[Layer2Tables::Classes] = {
    0.0,         -2.0 / 3,    2.0 / 3,     2.0 / 7,    2.0 / 15,   2.0 / 31,   2.0 / 63,
    2.0 / 127,   2.0 / 255,   2.0 / 511,   2.0 / 1023, 2.0 / 2047, 2.0 / 4095, 2.0 / 8191,
    2.0 / 16383, 2.0 / 32767, 2.0 / 65535, -4.0 / 5,   -2.0 / 5,   2.0 / 5,    4.0 / 5,
    -8.0 / 9,    -4.0 / 9,    -2.0 / 9,    2.0 / 9,    4.0 / 9,    8.0 / 9};

// The class of each level of a grouped code.
constexpr uint8_t LevelClasses3[3] = {1, 0, 2};
constexpr uint8_t LevelClasses5[5] = {17, 18, 0, 19, 20};
constexpr uint8_t LevelClasses9[9] = {21, 1, 22, 23, 0, 24, 25, 2, 26};

template <int L>
void BuildGroupTable(uint8_t (*table)[3], const uint8_t* classes) {
  int c = 0;
  for (int third = 0; third < L; ++third)
    for (int second = 0; second < L; ++second)
      for (int first = 0; first < L; ++first, ++c) {
        table[c][0] = classes[first];
        table[c][1] = classes[second];
        table[c][2] = classes[third];
      }
}

}  // namespace

const AllocationTable& AllocationTableByNumber(int32_t number) {
  return AllocationTables[number < 0 || number > 4 ? 0 : number];
}

int32_t AllocationTableFor(int32_t rateIndex, int32_t channels, int32_t bitRateIndex) {
  return AllocationTableChoice[rateIndex % 3][channels == 1 ? 1 : 0][bitRateIndex & 15];
}

void BuildLayer2Tables(Layer2Tables& tables) {
  for (int q = 0; q < Layer2Tables::Classes; ++q) {
    for (int s = 0; s < 63; ++s)
      tables.ScaleMultipliers[q][s] = ClassFactors[q] * std::pow(2.0, (3 - s) * (1.0 / 3));
    tables.ScaleMultipliers[q][63] = 0.0;
  }
  BuildGroupTable<3>(tables.Group3, LevelClasses3);
  BuildGroupTable<5>(tables.Group5, LevelClasses5);
  BuildGroupTable<9>(tables.Group9, LevelClasses9);
}

}  // namespace mpeg
