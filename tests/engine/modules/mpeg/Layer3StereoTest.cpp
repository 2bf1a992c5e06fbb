// Intensity stereo: the ratio tables and which lines each band's position moves.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>

#include "engine/modules/mpeg/Layer3BandTables.h"
#include "engine/modules/mpeg/Layer3Frame.h"
#include "engine/modules/mpeg/Layer3Stereo.h"
#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

namespace {

class Layer3Intensity : public testing::Test {
 protected:
  void SetUp() override {
    BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
    for (int i = 0; i < 576; ++i) {
      left[i] = 1.0 + i;
      right[i] = 0.0;
    }
  }
  std::unique_ptr<Layer3State> state = std::make_unique<Layer3State>();
  double left[576];
  double right[576];
  int32_t scalefac[39] = {};
};

TEST_F(Layer3Intensity, RatioTables) {
  const auto& r = state->Tables.Intensity;
  EXPECT_NEAR(r[0][0][0][0], 0.0, 1e-15);  // MPEG-1 position 0: all to the right
  EXPECT_DOUBLE_EQ(r[0][0][0][1], 1.0);
  EXPECT_DOUBLE_EQ(r[0][0][3][0], 0.5);  // tan(pi/4) = 1: both halves
  EXPECT_DOUBLE_EQ(r[0][0][3][1], 0.5);
  const double k0 = std::pow(2.0, -0.25);
  EXPECT_DOUBLE_EQ(r[1][0][0][0], 1.0);
  EXPECT_DOUBLE_EQ(r[1][0][0][1], 1.0);
  EXPECT_DOUBLE_EQ(r[1][0][1][0], k0);
  EXPECT_DOUBLE_EQ(r[1][0][1][1], 1.0);
  EXPECT_DOUBLE_EQ(r[1][0][2][0], 1.0);
  EXPECT_DOUBLE_EQ(r[1][0][2][1], k0);
  EXPECT_DOUBLE_EQ(r[2][0][3][0], 0.5);                // scale 1: k = 2^-0.5, position 3: k^2
  EXPECT_DOUBLE_EQ(r[1][0][31][0], std::pow(k0, 16));  // 5-bit positions by the same rule
  EXPECT_DOUBLE_EQ(r[1][0][30][1], std::pow(k0, 15));
  for (int set = 0; set < 3; ++set)
    for (int p = 0; p < IntensityPositions; ++p)
      for (int side = 0; side < 2; ++side)
        EXPECT_DOUBLE_EQ(r[set][1][p][side], r[set][0][p][side] * 1.4142135623730951);
}

TEST_F(Layer3Intensity, LongBlocksAboveTheLastNonZeroBand) {
  GranuleInfo info{};
  info.Maxbandl = 5;
  scalefac[4] = 0;   // below the region: untouched
  scalefac[5] = 7;   // illegal position: untouched
  scalefac[6] = 0;   // all to the right
  scalefac[20] = 3;  // band 20 and band 21: half and half
  IntensityStereo(state->Tables, left, right, scalefac, info, 0, false, false);
  const Layer3BandTable& bands = BandTables[0];
  for (int i = 0; i < bands.LongBoundary[7]; ++i) {
    const bool moved = i >= bands.LongBoundary[6];
    EXPECT_NEAR(left[i], moved ? 0.0 : 1.0 + i, 1e-12) << i;
    EXPECT_EQ(right[i], moved ? 1.0 + i : 0.0) << i;
  }
  for (int i = bands.LongBoundary[20]; i < 576; ++i) {
    EXPECT_DOUBLE_EQ(left[i], 0.5 * (1.0 + i));
    EXPECT_DOUBLE_EQ(right[i], 0.5 * (1.0 + i));
  }
}

// The highest long band takes the position of band 20 when band 20 is in the intensity region
// as well; otherwise (the right channel's last line in band 20) it has position 0: both
// channels equal. Middle/side adds its sqrt(2) to the factors.
TEST_F(Layer3Intensity, LsfHighestBand) {
  struct Case {
    int maxbandl;
    bool middleSide;
    double left, right;  // factors over band 21
  };
  const double k = std::pow(2.0, -0.5);  // intensity scale 1, position 1
  const double root2 = 1.4142135623730951;
  for (const Case& c : {Case{20, false, k, 1.0}, Case{20, true, k * root2, root2},
                        Case{21, false, 1.0, 1.0}, Case{21, true, root2, root2}}) {
    SetUp();
    GranuleInfo info{};
    info.Maxbandl = c.maxbandl;
    info.ScalefacCompress = 1;
    scalefac[20] = 1;
    int32_t illegal[39];
    for (int32_t& i : illegal) i = 7;
    IntensityStereo(state->Tables, left, right, scalefac, info, 3, c.middleSide, true, illegal);
    const int first = BandTables[3].LongBoundary[21];
    EXPECT_DOUBLE_EQ(left[first], (1.0 + first) * c.left) << c.maxbandl << c.middleSide;
    EXPECT_DOUBLE_EQ(right[first], (1.0 + first) * c.right) << c.maxbandl << c.middleSide;
    EXPECT_EQ(left[first - 1], c.maxbandl == 20 ? (1.0 + first - 1) * c.left : first) << c.maxbandl;
  }
}

// At the lower sampling frequencies a band is left as decoded when its position is the largest
// value of its scale factor width (0 for a width of 0), with or without middle/side.
TEST_F(Layer3Intensity, LsfIllegalPositionIsTheLargestValueOfItsWidth) {
  for (const bool middleSide : {false, true}) {
    SetUp();
    GranuleInfo info{};
    info.Maxbandl = 10;
    int32_t illegal[39];
    for (int b = 0; b < 39; ++b) illegal[b] = 7;
    scalefac[10] = 3;
    illegal[10] = 3;   // 2-bit width: 3 is illegal
    scalefac[11] = 3;  // 3-bit width: position 3 holds
    scalefac[12] = 0;
    illegal[12] = 0;                                // no bits: 0 is illegal
    for (int b = 13; b < 21; ++b) scalefac[b] = 7;  // illegal for 3 bits
    IntensityStereo(state->Tables, left, right, scalefac, info, 3, middleSide, true, illegal);
    const Layer3BandTable& bands = BandTables[3];
    const double factor = middleSide ? 1.4142135623730951 : 1.0;
    const double k3 = std::pow(2.0, -0.25 * 2);  // scale 0, odd position 3: left k^2
    for (int i = bands.LongBoundary[10]; i < 576; ++i) {
      const bool moved = i >= bands.LongBoundary[11] && i < bands.LongBoundary[12];
      if (moved) {
        EXPECT_DOUBLE_EQ(left[i], (1.0 + i) * k3 * factor) << i;
        EXPECT_DOUBLE_EQ(right[i], (1.0 + i) * factor) << i;
      } else {
        EXPECT_EQ(left[i], 1.0 + i) << i;
        EXPECT_EQ(right[i], 0.0) << i;
      }
    }
  }
}

TEST_F(Layer3Intensity, ShortBlocksPerWindow) {
  GranuleInfo info{};
  info.BlockType = 2;
  info.Maxband[0] = 13;  // window 0 fully coded
  info.Maxband[1] = 11;  // window 1: bands 11 and 12 from positions 3 x 11 + 1
  info.Maxband[2] = 13;
  scalefac[34] = 0;
  IntensityStereo(state->Tables, left, right, scalefac, info, 0, false, false);
  const Layer3BandTable& bands = BandTables[0];
  for (int p = 3 * bands.ShortBoundary[11]; p < 576; ++p) {
    const bool moved = p % 3 == 1;
    EXPECT_EQ(right[p], moved ? 1.0 + p : 0.0) << p;
  }
  for (int p = 0; p < 3 * bands.ShortBoundary[11]; ++p) ASSERT_EQ(right[p], 0.0);
}

TEST_F(Layer3Intensity, MixedBlocksTakeTheLongPartWhenNoShortBandIsCoded) {
  GranuleInfo info{};
  info.BlockType = 2;
  info.MixedBlockFlag = 1;
  info.Maxband[0] = info.Maxband[1] = info.Maxband[2] = 3;
  info.Maxbandl = 6;
  for (int& s : scalefac) s = 7;
  scalefac[6] = 0;  // long band 6
  scalefac[8] = 0;  // short band 3, window 0: entry 3 x 3 + 0 - 1
  IntensityStereo(state->Tables, left, right, scalefac, info, 0, false, false);
  const Layer3BandTable& bands = BandTables[0];
  for (int i = 0; i < 36; ++i) {
    const bool moved = i >= bands.LongBoundary[6] && i < bands.LongBoundary[7];
    EXPECT_EQ(right[i], moved ? 1.0 + i : 0.0) << i;
  }
  for (int p = 36; p < 3 * bands.ShortBoundary[4]; ++p)
    EXPECT_EQ(right[p], p % 3 == 0 ? 1.0 + p : 0.0) << p;
}

TEST_F(Layer3Intensity, CorruptPositionsStayInTheTable) {
  GranuleInfo info{};
  for (int& s : scalefac) s = 100000;
  IntensityStereo(state->Tables, left, right, scalefac, info, 8, false, true);
  for (int i = 0; i < 576; ++i) ASSERT_TRUE(std::isfinite(left[i]) && std::isfinite(right[i]));
}

}  // namespace
