// Antialias and hybrid synthesis against the transforms written out directly.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <random>

#include "engine/modules/mpeg/Layer3Frame.h"
#include "engine/modules/mpeg/Layer3Hybrid.h"
#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

namespace {

class Layer3Hybrid : public testing::Test {
 protected:
  void SetUp() override {
    BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
    std::mt19937 random(5);
    std::uniform_real_distribution<double> value(-1.0, 1.0);
    for (double& v : lines) v = value(random);
  }

  // The windowed 36 values of one subband by the definitions.
  static void Direct(const double* x, int blockType, double* z) {
    for (int i = 0; i < 36; ++i) z[i] = 0.0;
    if (blockType != 2) {
      for (int i = 0; i < 36; ++i) {
        double sum = 0.0;
        for (int k = 0; k < 18; ++k) sum += x[k] * std::cos(M_PI / 72 * (2 * i + 19) * (2 * k + 1));
        z[i] = sum * Window(blockType, i);
      }
      return;
    }
    for (int n = 0; n < 3; ++n) {
      for (int i = 0; i < 12; ++i) {
        double sum = 0.0;
        for (int k = 0; k < 6; ++k)
          sum += x[3 * k + n] * std::cos(M_PI / 24 * (2 * i + 7) * (2 * k + 1));
        z[6 + 6 * n + i] += sum * std::sin(M_PI * (2 * i + 1) / 24);
      }
    }
  }

  static double Window(int type, int i) {
    const double longSine = std::sin(M_PI * (2 * i + 1) / 72);
    switch (type) {
      case 1:
        return i < 18 ? longSine : i < 24 ? 1.0 : i < 30 ? std::sin(M_PI * (2 * i - 35) / 24) : 0.0;
      case 3:
        return i < 6 ? 0.0 : i < 12 ? std::sin(M_PI * (2 * i - 11) / 24) : i < 18 ? 1.0 : longSine;
      default: return longSine;
    }
  }

  std::unique_ptr<Layer3State> state = std::make_unique<Layer3State>();
  std::unique_ptr<SubbandSlots> slots = std::make_unique<SubbandSlots>();
  double lines[576];
};

TEST_F(Layer3Hybrid, TransformsMatchTheDefinitionsWithOddSubbandsInverted) {
  struct Case {
    int BlockType;
    int Mixed;
  };
  // A mixed flag on a start or stop block gives its two lowest subbands the normal window.
  for (Case c :
       {Case{0, 0}, Case{1, 0}, Case{3, 0}, Case{2, 0}, Case{2, 1}, Case{1, 1}, Case{3, 1}}) {
    BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
    GranuleInfo info{};
    info.BlockType = c.BlockType;
    info.MixedBlockFlag = c.Mixed;
    info.Maxb = 32;
    // Two granules: the second adds the first's second halves.
    for (int granule = 0; granule < 2; ++granule) {
      double spectrum[576];
      std::copy(lines, lines + 576, spectrum);
      HybridSynthesis(*state, spectrum, 0, info, slots->Samples[0]);
      for (int sb = 0; sb < 32; ++sb) {
        const int type = c.Mixed && sb < 2 ? 0 : c.BlockType;
        double z[36];
        Direct(lines + 18 * sb, type, z);
        for (int k = 0; k < 18; ++k) {
          double expected = z[k] + (granule ? z[18 + k] : 0.0);
          if (sb & 1 && k & 1) expected = -expected;
          ASSERT_NEAR(slots->Samples[0][k][sb], expected, 1e-12)
              << c.BlockType << " sb " << sb << " k " << k;
        }
      }
    }
  }
}

// Long blocks go four subbands at a time, the long part of a mixed block two at a time: both
// give the same values to the last bit, through the overlap too (the windowed value is
// rounded before the overlap is added). A mixed flag on a long block takes the second way.
TEST_F(Layer3Hybrid, LongTransformsFourOrTwoAtATimeAgreeExactly) {
  for (int blockType : {0, 1, 3}) {
    auto mixed = std::make_unique<Layer3State>();
    BuildLayer3Tables(*mixed, 0, mpegtest::ChosenKernels());
    BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
    GranuleInfo four{};
    four.BlockType = blockType;
    four.Maxb = 32;
    GranuleInfo two = four;
    two.MixedBlockFlag = 1;
    for (int granule = 0; granule < 2; ++granule) {
      double spectrum[576];
      double copy[576];
      for (int i = 0; i < 576; ++i) spectrum[i] = copy[i] = lines[(i + 97 * granule) % 576];
      auto other = std::make_unique<SubbandSlots>();
      HybridSynthesis(*state, spectrum, 0, four, slots->Samples[0]);
      HybridSynthesis(*mixed, copy, 0, two, other->Samples[0]);
      // The two lowest subbands of the mixed block take the normal window.
      for (int k = 0; k < 18; ++k)
        for (int sb = blockType == 0 ? 0 : 2; sb < 32; ++sb)
          ASSERT_EQ(slots->Samples[0][k][sb], other->Samples[0][k][sb])
              << blockType << " granule " << granule << " sb " << sb << " k " << k;
    }
  }
}

TEST_F(Layer3Hybrid, OnlyPairsBelowMaxbAreTransformed) {
  GranuleInfo info{};
  info.Maxb = 32;
  double spectrum[576];
  std::copy(lines, lines + 576, spectrum);
  HybridSynthesis(*state, spectrum, 1, info,
                  slots->Samples[1]);  // leaves second halves for every subband
  double stored[32][18];
  for (int sb = 0; sb < 32; ++sb) {
    double z[36];
    Direct(lines + 18 * sb, 0, z);
    for (int k = 0; k < 18; ++k) stored[sb][k] = (sb & 1 && k & 1) ? -z[18 + k] : z[18 + k];
  }
  info.Maxb = 3;
  std::copy(lines, lines + 576, spectrum);
  HybridSynthesis(*state, spectrum, 1, info, slots->Samples[1]);
  for (int sb = 4; sb < 32; ++sb)
    for (int k = 0; k < 18; ++k) ASSERT_NEAR(slots->Samples[1][k][sb], stored[sb][k], 1e-12) << sb;
  for (int k = 0; k < 18; ++k)
    EXPECT_NE(slots->Samples[1][k][3], stored[3][k]);  // pair 2, 3 transformed
  // The untransformed subbands leave nothing for the next granule.
  info.Maxb = 0;
  HybridSynthesis(*state, spectrum, 1, info, slots->Samples[1]);
  for (int sb = 4; sb < 32; ++sb)
    for (int k = 0; k < 18; ++k) ASSERT_EQ(slots->Samples[1][k][sb], 0.0);
}

TEST_F(Layer3Hybrid, StreamSetUpClearsTheOverlap) {
  GranuleInfo info{};
  info.Maxb = 32;
  double spectrum[576];
  std::copy(lines, lines + 576, spectrum);
  HybridSynthesis(*state, spectrum, 0, info, slots->Samples[0]);
  BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
  info.Maxb = 0;
  HybridSynthesis(*state, spectrum, 0, info, slots->Samples[0]);
  for (int k = 0; k < 18; ++k)
    for (int sb = 0; sb < 32; ++sb) ASSERT_EQ(slots->Samples[0][k][sb], 0.0);
}

TEST_F(Layer3Hybrid, AntialiasBoundariesByBlockType) {
  struct Case {
    int BlockType;
    int Mixed;
    int Maxb;
    int Boundaries;
  };
  for (Case c : {Case{0, 0, 32, 31}, Case{0, 0, 3, 2}, Case{1, 0, 1, 0}, Case{2, 0, 32, 0},
                 Case{2, 1, 32, 1}}) {
    double spectrum[576];
    std::copy(lines, lines + 576, spectrum);
    GranuleInfo info{};
    info.BlockType = c.BlockType;
    info.MixedBlockFlag = c.Mixed;
    info.Maxb = c.Maxb;
    Antialias(*state, spectrum, info);
    for (int sb = 0; sb < 31; ++sb) {
      const bool touched = spectrum[18 * sb + 17] != lines[18 * sb + 17];
      EXPECT_EQ(touched, sb < c.Boundaries) << c.BlockType << " " << sb;
    }
    if (c.Boundaries > 0) {
      const double cs = 1 / std::sqrt(1 + 0.36), ca = -0.6 / std::sqrt(1 + 0.36);
      EXPECT_NEAR(spectrum[17], lines[17] * cs - lines[18] * ca, 1e-15);
      EXPECT_NEAR(spectrum[18], lines[18] * cs + lines[17] * ca, 1e-15);
    }
  }
}

}  // namespace

namespace {

// The butterflies of every boundary against the formula with the constants of the standard,
// one boundary after the other.
TEST_F(Layer3Hybrid, AntialiasButterfliesMatchTheFormula) {
  const double c[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};
  for (int maxb : {32, 7, 2}) {
    double spectrum[576];
    double expected[576];
    std::copy(lines, lines + 576, spectrum);
    std::copy(lines, lines + 576, expected);
    for (int sb = 0; sb < maxb - 1; ++sb)
      for (int i = 0; i < 8; ++i) {
        const double cs = 1.0 / std::sqrt(1.0 + c[i] * c[i]);
        const double ca = c[i] / std::sqrt(1.0 + c[i] * c[i]);
        const double u = expected[18 * sb + 17 - i];
        const double d = expected[18 * (sb + 1) + i];
        expected[18 * sb + 17 - i] = u * cs - d * ca;
        expected[18 * (sb + 1) + i] = d * cs + u * ca;
      }
    GranuleInfo info{};
    info.Maxb = maxb;
    Antialias(*state, spectrum, info);
    for (int i = 0; i < 576; ++i)
      ASSERT_NEAR(spectrum[i], expected[i], 1e-14) << "maxb " << maxb << " line " << i;
  }
}

}  // namespace
