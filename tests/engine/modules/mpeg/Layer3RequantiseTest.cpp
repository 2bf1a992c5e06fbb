// Huffman decoding and requantisation of one granule, from hand-made bits.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <memory>
#include <random>

#include "engine/modules/mpeg/Layer3Frame.h"
#include "engine/modules/mpeg/Layer3Hybrid.h"
#include "engine/modules/mpeg/Layer3Requantise.h"
#include "tests/engine/modules/mpeg/DecodeHarness.h"
#include "tests/engine/modules/mpeg/Layer3TestBits.h"

using namespace mpeg;

using namespace layer3test;

namespace {

class Layer3Requantise : public testing::Test {
 protected:
  void SetUp() override { BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels()); }

  // A long-block granule with gain 1.0 (global_gain 210) and all scale factors 0.
  static GranuleInfo LongGranule(int bigValues, int table0) {
    GranuleInfo g{};
    g.BigValues = bigValues;
    g.TableSelect[0] = g.TableSelect[1] = g.TableSelect[2] = table0;
    g.Region1Start = 288;
    g.Region2Start = 288;
    g.GlobalGain = 256 - 210;
    g.WindowGain[0] = g.WindowGain[1] = g.WindowGain[2] = g.GlobalGain;
    return g;
  }

  // Requantises `bits` as one granule whose part2_3_length is `length` bits (default: all).
  int Run(const BitWriter& bits, GranuleInfo& g, int length = -1, int rate = 0) {
    data = bits.Bytes();
    g.Part23Length = length < 0 ? static_cast<int>(bits.Bits()) : length;
    BitCursor reader;
    reader.Start(data.data(), data.data() + bits.Size());
    int result = Requantise(*state, reader, state->Spectrum[0], scalefac, g, rate, 0);
    endPosition = reader.Tell();
    return result;
  }

  std::unique_ptr<Layer3State> state = std::make_unique<Layer3State>();
  int32_t scalefac[39] = {};
  std::vector<uint8_t> data;
  size_t endPosition = 0;
};

TEST_F(Layer3Requantise, EmptyGranuleIsSilentWithOneSubband) {
  BitWriter bits;
  GranuleInfo g = LongGranule(0, 1);
  for (double& v : state->Spectrum[0]) v = 7.0;
  EXPECT_EQ(Run(bits, g), 0);
  for (double v : state->Spectrum[0]) ASSERT_EQ(v, 0.0);
  EXPECT_EQ(g.Maxbandl, 0);
  EXPECT_EQ(g.Maxb, 1);
}

TEST_F(Layer3Requantise, PairValuesWithSignsAndEscapes) {
  struct Case {
    int Table;
    int Leaf;
    std::vector<std::pair<uint32_t, int>> After;  // linbits and sign bits after the code
    double First;
    double Second;
  };
  const double p25 = std::pow(25.0, 4.0 / 3.0);
  const Case cases[] = {
      {1, 0x10, {{1, 1}}, -1.0, 0.0},               // (1, 0), first negative
      {1, 0x11, {{0, 1}, {1, 1}}, 1.0, -1.0},       // (1, 1)
      {24, 0xF0, {{0b1010, 4}, {0, 1}}, p25, 0.0},  // escape: 15 + 10
      {5, 0x30, {{1, 1}}, -std::pow(3.0, 4.0 / 3.0), 0.0},
      {13, 0x08, {{0, 1}}, 0.0, std::pow(8.0, 4.0 / 3.0)},  // magnitude 8 as pow yields it
  };
  for (const Case& c : cases) {
    BitWriter bits;
    bits.PutCode(CodeOf(c.Table, c.Leaf));
    for (auto [value, width] : c.After) bits.Put(value, width);
    GranuleInfo g = LongGranule(1, c.Table);
    ASSERT_EQ(Run(bits, g), 0) << c.Table;
    EXPECT_EQ(state->Spectrum[0][0], c.First) << c.Table;
    EXPECT_EQ(state->Spectrum[0][1], c.Second) << c.Table;
    for (int i = 2; i < 576; ++i) ASSERT_EQ(state->Spectrum[0][i], 0.0);
    EXPECT_EQ(g.Maxbandl, 1);
    EXPECT_EQ(endPosition, bits.Bits());
  }
}

TEST_F(Layer3Requantise, ScaleFactorsStepByTheirScale) {
  for (int scale = 0; scale < 2; ++scale) {
    BitWriter bits;
    bits.PutCode(CodeOf(1, 0x10));
    bits.Put(0, 1);
    GranuleInfo g = LongGranule(1, 1);
    g.ScalefacScale = scale;
    scalefac[0] = 1;
    ASSERT_EQ(Run(bits, g), 0);
    EXPECT_DOUBLE_EQ(state->Spectrum[0][0], scale ? 0.5 : std::pow(2.0, -0.5));
  }
}

TEST_F(Layer3Requantise, PreemphasisAddsToLongBands) {
  // 12 pairs of (1, 1) through table 1: lines 0 to 23, bands 0 to 5 at 44.1 kHz: no pretab;
  // band 11 (lines 62 to 73) gets pretab 1 through the band walk of a later pair.
  BitWriter bits;
  for (int i = 0; i < 32; ++i) {
    bits.PutCode(CodeOf(1, i == 31 ? 0x10 : 0x00));
    if (i == 31) bits.Put(0, 1);
  }
  GranuleInfo g = LongGranule(32, 1);
  g.Preflag = 1;
  ASSERT_EQ(Run(bits, g), 0);
  EXPECT_DOUBLE_EQ(state->Spectrum[0][62], std::pow(2.0, -0.5));  // band 11: pretab 1
  EXPECT_EQ(g.Maxbandl, 12);
}

TEST_F(Layer3Requantise, Count1QuadrupleEndingOnTheLastBitIsWhole) {
  // big_values 0; quadruple 1111 in table B (code 0000) with four sign bits.
  for (int missing = 0; missing < 2; ++missing) {
    BitWriter bits;
    bits.PutCode(CodeOf(33, 0xF));
    bits.Put(0b0101, 4);
    GranuleInfo g = LongGranule(0, 0);
    g.Count1TableSelect = 1;
    ASSERT_EQ(Run(bits, g, static_cast<int>(bits.Bits()) - missing), 0);
    EXPECT_EQ(state->Spectrum[0][0], 1.0);
    EXPECT_EQ(state->Spectrum[0][1], -1.0);
    EXPECT_EQ(state->Spectrum[0][2], 1.0);
    EXPECT_EQ(state->Spectrum[0][3], missing ? 0.0 : -1.0);
    for (int i = 4; i < 576; ++i) ASSERT_EQ(state->Spectrum[0][i], 0.0);
  }
}

TEST_F(Layer3Requantise, Count1StopsWhenTheCodeDoesNotFit) {
  BitWriter bits;
  bits.PutCode(CodeOf(32, 0xF));  // 6 bits
  bits.Put(0, 4);
  GranuleInfo g = LongGranule(0, 0);
  ASSERT_EQ(Run(bits, g, 5), 0);
  for (double v : state->Spectrum[0]) ASSERT_EQ(v, 0.0);
  EXPECT_EQ(endPosition, 5u);
}

// Quadruples of table B (a fixed four-bit code) land line by line in long blocks and window
// by window in short blocks, alone or combined with the middle channel; a zero quadruple
// leaves its lines as they were.
TEST_F(Layer3Requantise, Count1QuadruplesLandByBlockAndStereo) {
  struct Case {
    bool ShortBlocks;
    bool MiddleSide;
  };
  for (const Case c :
       {Case{false, false}, Case{true, false}, Case{false, true}, Case{true, true}}) {
    BitWriter bits;
    bits.PutCode(CodeOf(33, 0xF));  // +1 -1 +1 -1
    bits.Put(0b0101, 4);
    bits.PutCode(CodeOf(33, 0x6));  // 0 -1 +1 0
    bits.Put(0b10, 2);
    bits.PutCode(CodeOf(33, 0x0));
    GranuleInfo g = LongGranule(0, 0);
    g.Count1TableSelect = 1;
    if (c.ShortBlocks) {
      g.BlockType = 2;
      g.WindowGain[1] = g.GlobalGain + 4;  // subblock_gain: 2^-1
    }
    data = bits.Bytes();
    g.Part23Length = static_cast<int>(bits.Bits());
    BitCursor reader;
    reader.Start(data.data(), data.data() + bits.Size());
    for (int i = 0; i < 576; ++i) state->Spectrum[0][i] = 0.5 + i;
    const int result = c.MiddleSide
                           ? RequantiseMiddleSide(*state, reader, state->Spectrum[0],
                                                  state->Spectrum[1], scalefac, g, 0, 0)
                           : Requantise(*state, reader, state->Spectrum[1], scalefac, g, 0, 0);
    ASSERT_EQ(result, 0);
    // Short blocks: band 0 holds one quadruple per window, three lines apart.
    const int step = c.ShortBlocks ? 3 : 1;
    double side[576] = {};
    const double signs[4] = {1.0, -1.0, 1.0, -1.0};
    for (int k = 0; k < 4; ++k) side[k * step] = signs[k];
    // The second: window 1 of band 0 with its gain, or lines 4 to 7.
    const double second = c.ShortBlocks ? 0.5 : 1.0;
    side[(c.ShortBlocks ? 1 : 4) + step] = -second;
    side[(c.ShortBlocks ? 1 : 4) + 2 * step] = second;
    for (int i = 0; i < 576; ++i) {
      const double m = 0.5 + i;
      if (c.MiddleSide) {
        ASSERT_EQ(state->Spectrum[0][i], m + side[i]) << i;
        ASSERT_EQ(state->Spectrum[1][i], m - side[i]) << i;
      } else {
        ASSERT_EQ(state->Spectrum[1][i], side[i]) << i;
      }
    }
  }
}

// A quadruple whose second pair starts the next band takes that band's gain for it.
TEST_F(Layer3Requantise, Count1QuadrupleAcrossBandsTakesEachBandsGain) {
  // Band 6 is lines 24 to 29: the quadruple at 28 covers 28, 29 and 30, 31 of band 7.
  BitWriter bits;
  for (int q = 0; q < 8; ++q) {
    bits.PutCode(CodeOf(33, 0xF));
    bits.Put(0, 4);
  }
  GranuleInfo g = LongGranule(0, 0);
  g.Count1TableSelect = 1;
  scalefac[7] = 1;  // 2^-0.5
  ASSERT_EQ(Run(bits, g), 0);
  for (int i = 0; i < 30; ++i) ASSERT_EQ(state->Spectrum[0][i], 1.0) << i;
  for (int i = 30; i < 32; ++i) ASSERT_EQ(state->Spectrum[0][i], std::pow(2.0, -0.5)) << i;
  for (int i = 32; i < 576; ++i) ASSERT_EQ(state->Spectrum[0][i], 0.0) << i;
  EXPECT_EQ(g.Maxbandl, 8);
}

// In long blocks the stages stop above the subband of the last non-zero line, or the one
// after it where the butterflies reach into that (lines 10 to 17 of a subband), and what
// they make is exactly what all 32 subbands make, in this granule and through the overlap
// in the next.
TEST_F(Layer3Requantise, LongBlockLimitFollowsTheLastNonZeroLine) {
  struct Case {
    int Line;
    bool Quadruple;  // the value in the count1 part
    int Maxb;
  };
  for (const Case c : {Case{0, false, 1}, Case{9, false, 1}, Case{10, false, 2}, Case{27, false, 2},
                       Case{28, false, 3}, Case{420, false, 24}, Case{575, false, 32},
                       Case{31, true, 3}, Case{47, true, 4}, Case{419, true, 24}}) {
    // Table 1 or quadruple table B: zeros, then the line's value.
    BitWriter bits;
    GranuleInfo g = LongGranule(c.Quadruple ? 0 : c.Line / 2 + 1, 1);
    if (c.Quadruple) {
      g.Count1TableSelect = 1;
      for (int quadruple = 0; quadruple < c.Line / 4; ++quadruple) bits.PutCode(CodeOf(33, 0x0));
      bits.PutCode(CodeOf(33, 8 >> (c.Line % 4)));
    } else {
      for (int pair = 0; pair < c.Line / 2; ++pair) bits.PutCode(CodeOf(1, 0x00));
      bits.PutCode(CodeOf(1, c.Line & 1 ? 0x01 : 0x10));
    }
    bits.Put(1, 1);
    ASSERT_EQ(Run(bits, g), 0);
    ASSERT_EQ(state->Spectrum[0][c.Line], -1.0) << c.Line;
    EXPECT_EQ(g.Maxb, c.Maxb) << c.Line;

    GranuleInfo all = g;
    all.Maxb = 32;
    const double first[576] = {};
    std::vector<double> spectrum(state->Spectrum[0], state->Spectrum[0] + 576);
    auto limited = std::make_unique<Layer3State>();
    auto whole = std::make_unique<Layer3State>();
    BuildLayer3Tables(*limited, 0, mpegtest::ChosenKernels());
    BuildLayer3Tables(*whole, 0, mpegtest::ChosenKernels());
    for (int granule = 0; granule < 2; ++granule) {
      // The second granule is silent: only the overlap is heard.
      if (granule == 1) {
        spectrum.assign(first, first + 576);
        g.Maxb = 1;
      }
      std::vector<double> copy = spectrum;
      SubbandSlots a{};
      SubbandSlots b{};
      Antialias(*limited, spectrum.data(), g);
      HybridSynthesis(*limited, spectrum.data(), 0, g, a.Samples[0]);
      Antialias(*whole, copy.data(), all);
      HybridSynthesis(*whole, copy.data(), 0, all, b.Samples[0]);
      for (int k = 0; k < 18; ++k)
        for (int sb = 0; sb < 32; ++sb)
          ASSERT_EQ(a.Samples[0][k][sb], b.Samples[0][k][sb])
              << "line " << c.Line << " granule " << granule << " slot " << k << " sb " << sb;
    }
  }
}

// The SSE2 and the AVX2 forms decode arbitrary bits to the same values, bit for bit, through
// every kind of table, block and stereo.
TEST_F(Layer3Requantise, BothKernelFormsGiveTheSameValues) {
  static const DecoderKernels baseline = ChooseKernels(true);
  struct Case {
    int Table;
    int BlockType;
    bool MiddleSide;
  };
  std::mt19937 random(11);
  for (const Case c :
       {Case{1, 0, false}, Case{7, 0, true}, Case{13, 0, false}, Case{15, 2, true},
        Case{16, 0, false}, Case{23, 1, true}, Case{24, 2, false}, Case{31, 3, false}}) {
    BitWriter bits;
    for (int i = 0; i < 6000; ++i) bits.PutBit(random() & 1);
    data = bits.Bytes();
    std::vector<double> spectra[2];
    std::vector<int> limits;
    for (const DecoderKernels* kernels : {&mpegtest::ChosenKernels(), &baseline}) {
      auto own = std::make_unique<Layer3State>();
      BuildLayer3Tables(*own, 0, *kernels);
      GranuleInfo g = LongGranule(150, c.Table);
      g.BlockType = c.BlockType;
      g.Region1Start = c.BlockType == 2 ? 18 : 40;
      g.Region2Start = 100;
      g.TableSelect[1] = 5;
      g.Count1TableSelect = c.Table & 1;
      g.Part23Length = 5000;
      for (int i = 0; i < 576; ++i) own->Spectrum[0][i] = 0.25 * i;
      BitCursor reader;
      reader.Start(data.data(), data.data() + data.size());
      const int result = c.MiddleSide
                             ? RequantiseMiddleSide(*own, reader, own->Spectrum[0],
                                                    own->Spectrum[1], scalefac, g, 0, 0)
                             : Requantise(*own, reader, own->Spectrum[1], scalefac, g, 0, 0);
      limits.insert(limits.end(), {result, g.Maxb, g.Maxbandl, static_cast<int>(reader.Tell())});
      spectra[kernels == &baseline].assign(own->Spectrum[0], own->Spectrum[0] + 1152);
    }
    EXPECT_EQ(std::vector<int>(limits.begin(), limits.begin() + 4),
              std::vector<int>(limits.begin() + 4, limits.end()))
        << c.Table;
    for (int i = 0; i < 1152; ++i)
      ASSERT_EQ(std::bit_cast<uint64_t>(spectra[0][i]), std::bit_cast<uint64_t>(spectra[1][i]))
          << "table " << c.Table << " line " << i;
  }
}

TEST_F(Layer3Requantise, BigValuesPastTheLengthOverrun) {
  BitWriter bits;
  bits.PutCode(CodeOf(1, 0x11));
  bits.Put(0, 2);
  GranuleInfo g = LongGranule(1, 1);
  EXPECT_EQ(Run(bits, g, static_cast<int>(bits.Bits()) - 1), 1);
}

TEST_F(Layer3Requantise, ShortBlocksInterleaveWindowsWithTheirGains) {
  // Pairs go band by band and window by window: the first pair of window 1 of band 0 is
  // the third pair (band 0 is 4 lines, 2 pairs per window); it lands at lines 1 and 4.
  BitWriter bits;
  for (int pair = 0; pair < 3; ++pair) {
    bits.PutCode(CodeOf(1, pair == 2 ? 0x11 : 0x00));
    if (pair == 2) bits.Put(0, 2);
  }
  GranuleInfo g = LongGranule(3, 1);
  g.BlockType = 2;
  g.Region1Start = 18;
  g.WindowGain[1] = g.GlobalGain + 8;  // subblock_gain 1: 2^-2
  ASSERT_EQ(Run(bits, g), 0);
  EXPECT_EQ(state->Spectrum[0][1], 0.25);
  EXPECT_EQ(state->Spectrum[0][4], 0.25);
  EXPECT_EQ(g.Maxband[0], 0);
  EXPECT_EQ(g.Maxband[1], 1);
  EXPECT_EQ(g.Maxband[2], 0);
  EXPECT_EQ(g.Maxb, state->Tables.ShortLimit[0][1]);
}

TEST_F(Layer3Requantise, MixedBlocksKeepThreeShortBandsAndShortLimits) {
  BitWriter bits;
  bits.PutCode(CodeOf(1, 0x10));
  bits.Put(0, 1);
  GranuleInfo g = LongGranule(1, 1);
  g.BlockType = 2;
  g.MixedBlockFlag = 1;
  g.Region1Start = 18;
  ASSERT_EQ(Run(bits, g), 0);
  EXPECT_EQ(state->Spectrum[0][0], 1.0);
  for (int n = 0; n < 3; ++n) EXPECT_EQ(g.Maxband[n], 3);
  EXPECT_EQ(g.Maxbandl, 1);
  EXPECT_EQ(g.Maxb, state->Tables.ShortLimit[0][3]);
}

TEST_F(Layer3Requantise, HalfRateLimitsStopAtSixteen) {
  BuildLayer3Tables(*state, 1, mpegtest::ChosenKernels());
  for (int rate = 0; rate < 9; ++rate) {
    for (int i = 0; i < 23; ++i) EXPECT_LE(state->Tables.LongLimit[rate][i], 16);
    for (int i = 0; i < 14; ++i) EXPECT_LE(state->Tables.ShortLimit[rate][i], 16);
  }
  BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
  EXPECT_EQ(state->Tables.LongLimit[0][22], 32);
  EXPECT_EQ(state->Tables.LongLimit[0][0], 1);
  EXPECT_EQ(state->Tables.ShortLimit[0][0], 1);
}

TEST_F(Layer3Requantise, MiddleSideCombinesWithTheMiddleChannel) {
  for (int i = 0; i < 576; ++i) state->Spectrum[0][i] = 0.5 + i;
  BitWriter bits;
  bits.PutCode(CodeOf(1, 0x01));  // (0, 1): side 0 then side +1
  bits.Put(0, 1);
  GranuleInfo g = LongGranule(1, 1);
  data = bits.Bytes();
  g.Part23Length = static_cast<int>(bits.Bits());
  BitCursor reader;
  reader.Start(data.data(), data.data() + bits.Size());
  ASSERT_EQ(RequantiseMiddleSide(*state, reader, state->Spectrum[0], state->Spectrum[1], scalefac,
                                 g, 0, 0),
            0);
  EXPECT_EQ(state->Spectrum[0][0], 0.5);
  EXPECT_EQ(state->Spectrum[1][0], 0.5);
  EXPECT_EQ(state->Spectrum[0][1], 2.5);
  EXPECT_EQ(state->Spectrum[1][1], 0.5);
  for (int i = 2; i < 576; ++i) ASSERT_EQ(state->Spectrum[1][i], state->Spectrum[0][i]);
}

TEST_F(Layer3Requantise, GainPositionsOfCorruptDataStayInTheTable) {
  BitWriter bits;
  bits.PutCode(CodeOf(1, 0x10));
  bits.Put(0, 1);
  GranuleInfo g = LongGranule(1, 1);
  g.GlobalGain = 258;
  g.ScalefacScale = 1;
  scalefac[0] = 31;
  ASSERT_EQ(Run(bits, g), 0);
  EXPECT_TRUE(std::isfinite(state->Spectrum[0][0]));
  EXPECT_GT(state->Spectrum[0][0], 0.0);
}

}  // namespace

// Pairs and quadruples that run past the end of the main data read zeros there, whatever
// bytes the buffer holds beyond it (the reservoir's older frames): with table 1 a zero
// codeword is (1, 1), with quadruple table B 0000 is 1111 with its signs +. The quadruples
// stop where the part ends.
TEST_F(Layer3Requantise, ValuesPastTheEndOfTheDataReadZeros) {
  struct Case {
    int BigValues;
    int Table;
    int Length;
    int Ones;  // lines of 1.0: 5 bits a pair, 8 a quadruple
  };
  for (const Case c : {Case{20, 1, 200, 88}, Case{0, 0, 80, 40}}) {
    for (const uint8_t beyond : {uint8_t{0x00}, uint8_t{0xFF}}) {
      std::vector<uint8_t> buffer(64, beyond);
      buffer[0] = buffer[1] = 0x00;  // 16 bits of data
      GranuleInfo g = LongGranule(c.BigValues, c.Table);
      g.Count1TableSelect = 1;
      g.Part23Length = c.Length;
      BitCursor reader;
      reader.Start(buffer.data(), buffer.data() + 2);
      for (double& v : state->Spectrum[0]) v = 7.0;
      ASSERT_EQ(Requantise(*state, reader, state->Spectrum[0], scalefac, g, 0, 0), 0);
      for (int line = 0; line < 576; ++line)
        ASSERT_EQ(state->Spectrum[0][line], line < c.Ones ? 1.0 : 0.0)
            << c.Table << " line " << line << " beyond " << int(beyond);
      EXPECT_EQ(reader.Tell(), static_cast<size_t>(c.Length));
    }
  }
}
