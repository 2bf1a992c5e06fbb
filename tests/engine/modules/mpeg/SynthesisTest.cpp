// The polyphase synthesis against a direct transcription of the standard's procedure
// (1024-value V vector, matrixing, windowing), and its half-rate, one-channel and
// equaliser forms.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <random>
#include <vector>

#include "engine/modules/mpeg/PolyphaseSynthesis.h"
#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

namespace {

// The standard's procedure, written out directly with the full 512-value window D.
class ReferenceSynthesis {
 public:
  explicit ReferenceSynthesis(const std::vector<double>& window) : d_(window) {}

  // 32 values, 32768 times the standard's output, before conversion.
  std::vector<double> Slot(const double* samples) {
    for (int i = 1023; i >= 64; --i) v_[i] = v_[i - 64];
    for (int i = 0; i < 64; ++i) {
      double sum = 0.0;
      for (int k = 0; k < 32; ++k)
        sum += std::cos((16 + i) * (2 * k + 1) * std::numbers::pi / 64) * samples[k];
      v_[i] = sum;
    }
    double u[512];
    for (int i = 0; i < 8; ++i)
      for (int j = 0; j < 32; ++j) {
        u[64 * i + j] = v_[128 * i + j];
        u[64 * i + 32 + j] = v_[128 * i + 96 + j];
      }
    std::vector<double> out(32, 0.0);
    for (int j = 0; j < 32; ++j)
      for (int i = 0; i < 16; ++i) out[j] += u[j + 32 * i] * d_[j + 32 * i];
    for (double& y : out) y *= 32768.0;
    return out;
  }

 private:
  std::vector<double> d_;
  double v_[1024] = {};
};

int Convert(double y) { return PolyphaseSynthesis::PcmSample(y); }

TEST(Synthesis, SamplesAreClippedAndTruncatedTowardZero) {
  const struct {
    double Y;
    int Sample;
  } cases[] = {{32767.0, 32767},
               {32767.4, 32767},
               {40000.0, 32767},
               {-32768.0, -32768},
               {-32768.6, -32768},
               {-1e9, -32768},
               {-0.9, 0},
               {1.9, 1},
               {-1.9, -1},
               {16384.99, 16384},
               {std::nan(""), -32768}};
  for (const auto& c : cases) EXPECT_EQ(PolyphaseSynthesis::PcmSample(c.Y), c.Sample) << c.Y;
}

int16_t SampleAt(const std::vector<uint8_t>& block, size_t frame, int channel) {
  const size_t at = 4 * frame + 2 * channel;
  return static_cast<int16_t>(block[at] | (block[at + 1] << 8));
}

struct Fixture {
  EqualizerGains Gains;
  std::unique_ptr<PolyphaseSynthesis> Synthesis =
      std::make_unique<PolyphaseSynthesis>(Gains, mpegtest::ChosenKernels());
  Fixture() {
    Synthesis->BuildSynthesisTables(32768);
    Synthesis->ClearHistory();
  }
};

// D[i] = (-1)^(i div 64) x P[i] / 65536 with the prototype P[i] = P[512 - i].
std::vector<double> StandardWindow();

std::vector<std::vector<double>> RandomSlots(int count, double amplitude, unsigned seed) {
  std::mt19937 random(seed);
  std::uniform_real_distribution<double> value(-amplitude, amplitude);
  std::vector<std::vector<double>> slots(count, std::vector<double>(32));
  for (auto& slot : slots)
    for (double& s : slot) s = value(random);
  return slots;
}

TEST(Synthesis, FullRateMatchesTheStandardProcedure) {
  Fixture f;
  ReferenceSynthesis left(StandardWindow());
  ReferenceSynthesis right(StandardWindow());
  auto slotsL = RandomSlots(200, 0.25, 1);
  auto slotsR = RandomSlots(200, 0.25, 2);
  std::vector<uint8_t> block(128);
  int inexact = 0;
  for (size_t n = 0; n < slotsL.size(); ++n) {
    std::vector<double> l = slotsL[n];
    std::vector<double> r = slotsR[n];
    uint32_t fill = 0;
    uint32_t copy = fill;
    f.Synthesis->SynthesizeChannel(l.data(), 0, block.data(), &copy);
    f.Synthesis->SynthesizeChannel(r.data(), 1, block.data(), &fill);
    ASSERT_EQ(fill, 128u);
    ASSERT_EQ(copy, 128u);
    std::vector<double> yl = left.Slot(slotsL[n].data());
    std::vector<double> yr = right.Slot(slotsR[n].data());
    for (int j = 0; j < 32; ++j) {
      // Different but equivalent orders of additions may only flip a truncation boundary.
      EXPECT_NEAR(SampleAt(block, j, 0), Convert(yl[j]), 1) << "slot " << n << " sample " << j;
      EXPECT_NEAR(SampleAt(block, j, 1), Convert(yr[j]), 1) << "slot " << n << " sample " << j;
      inexact += SampleAt(block, j, 0) != Convert(yl[j]);
      inexact += SampleAt(block, j, 1) != Convert(yr[j]);
    }
  }
  EXPECT_LE(inexact, 10);
}

TEST(Synthesis, HalfRateIsEverySecondFullRateSample) {
  Fixture full;
  Fixture half;
  auto slots = RandomSlots(100, 0.25, 3);
  std::vector<uint8_t> a(128);
  std::vector<uint8_t> b(64);
  for (auto& slot : slots) {
    for (int k = 16; k < 32; ++k) slot[k] = 0.0;
    std::vector<double> s1 = slot, s2 = slot, s3 = slot, s4 = slot;
    uint32_t fa = 0, ca = 0, fb = 0, cb = 0;
    full.Synthesis->SynthesizeChannel(s1.data(), 0, a.data(), &ca);
    full.Synthesis->SynthesizeChannel(s2.data(), 1, a.data(), &fa);
    half.Synthesis->SynthesizeChannelHalf(s3.data(), 0, b.data(), &cb);
    half.Synthesis->SynthesizeChannelHalf(s4.data(), 1, b.data(), &fb);
    ASSERT_EQ(fb, 64u);
    for (int q = 0; q < 16; ++q)
      for (int ch = 0; ch < 2; ++ch) ASSERT_EQ(SampleAt(b, q, ch), SampleAt(a, 2 * q, ch));
  }
}

TEST(Synthesis, OneChannelRepeatsTheLeftSampleOnTheRight) {
  Fixture mono;
  Fixture stereo;
  Fixture monoHalf;
  auto slots = RandomSlots(40, 0.25, 4);
  std::vector<uint8_t> a(256), b(128), c(64);
  for (auto& slot : slots) {
    std::vector<double> s1 = slot, s2 = slot, s3 = slot, s4 = slot;
    uint32_t fill = 128;  // writes from the caller's fill on
    mono.Synthesis->SynthesizeMono(s1.data(), a.data(), &fill);
    ASSERT_EQ(fill, 256u);
    uint32_t sf = 0, sc = 0;
    stereo.Synthesis->SynthesizeChannel(s2.data(), 0, b.data(), &sc);
    stereo.Synthesis->SynthesizeChannel(s3.data(), 1, b.data(), &sf);
    uint32_t hf = 0;
    monoHalf.Synthesis->SynthesizeMonoHalf(s4.data(), c.data(), &hf);
    ASSERT_EQ(hf, 64u);
    for (int n = 0; n < 32; ++n) {
      ASSERT_EQ(SampleAt(a, 32 + n, 0), SampleAt(b, n, 0));
      ASSERT_EQ(SampleAt(a, 32 + n, 1), SampleAt(b, n, 0));
    }
    for (int q = 0; q < 16; ++q) ASSERT_EQ(SampleAt(c, q, 0), SampleAt(c, q, 1));
  }
}

TEST(Synthesis, ConstantFirstSubbandSettlesAtHalfAndClipsAtFullScale) {
  for (double level : {0.5, 1.0}) {
    Fixture f;
    std::vector<uint8_t> block(128);
    for (int slot = 0; slot < 40; ++slot) {
      std::vector<double> s(32, 0.0);
      s[0] = level;
      uint32_t fill = 0;
      f.Synthesis->SynthesizeMono(s.data(), block.data(), &fill);
      if (slot < 16) continue;
      for (int n = 0; n < 32; ++n) {
        const int16_t v = SampleAt(block, n, 0);
        if (level == 0.5)
          EXPECT_TRUE(v == 16384 || v == 16385) << v << " in slot " << slot;
        else
          EXPECT_EQ(v, 32767) << "slot " << slot;
      }
    }
  }
}

TEST(Synthesis, EqualizerScalesEachChannelsSubbands) {
  auto slots = RandomSlots(30, 0.25, 5);
  auto run = [&](bool on, int silencedBand) {
    Fixture f;
    f.Gains.On = on ? 1 : 0;
    if (silencedBand >= 0) f.Gains.Gains[0][silencedBand] = 0.0;
    std::vector<uint8_t> out;
    std::vector<uint8_t> block(128);
    for (auto slot : slots) {
      std::vector<double> right = slot;
      uint32_t fill = 0, copy = 0;
      f.Synthesis->SynthesizeChannel(slot.data(), 0, block.data(), &copy);
      f.Synthesis->SynthesizeChannel(right.data(), 1, block.data(), &fill);
      out.insert(out.end(), block.begin(), block.end());
    }
    return out;
  };
  EXPECT_EQ(run(true, -1), run(false, -1));

  std::vector<uint8_t> plain = run(false, -1);
  std::vector<uint8_t> equalised = run(true, 5);
  // The expected channel 0: the same input without subband 5.
  Fixture f;
  std::vector<uint8_t> block(128);
  bool channel0Changed = false;
  for (size_t n = 0; n < slots.size(); ++n) {
    std::vector<double> s = slots[n];
    s[5] = 0.0;
    uint32_t fill = 0;
    f.Synthesis->SynthesizeMono(s.data(), block.data(), &fill);
    for (int j = 0; j < 32; ++j) {
      const size_t at = n * 128;
      ASSERT_EQ(SampleAt(equalised, at / 4 + j, 0), SampleAt(block, j, 0));
      ASSERT_EQ(SampleAt(equalised, at / 4 + j, 1), SampleAt(plain, at / 4 + j, 1));
      channel0Changed |= SampleAt(equalised, at / 4 + j, 0) != SampleAt(plain, at / 4 + j, 0);
    }
  }
  EXPECT_TRUE(channel0Changed);
}

// The decoder synthesises both channels of a slot in one call: its samples are those of the
// two channel calls, loud slots that clip included, at both rates and with the equaliser on.
TEST(Synthesis, BothChannelsInOneCallEqualTheTwoChannelCalls) {
  const struct {
    bool Half;
    bool Equalizer;
    double Amplitude;
  } cases[] = {{false, false, 0.25}, {false, false, 1.5}, {true, false, 0.25},
               {true, false, 1.5},   {false, true, 0.25}, {true, true, 1.5}};
  for (const auto& c : cases) {
    Fixture pair;
    Fixture single;
    for (Fixture* f : {&pair, &single}) {
      f->Gains.On = c.Equalizer ? 1 : 0;
      for (int b = 0; b < 32; ++b) {
        f->Gains.Gains[0][b] = 1.0 - b / 40.0;
        f->Gains.Gains[1][b] = 0.5 + b / 20.0;
      }
    }
    const auto left = RandomSlots(60, c.Amplitude, 7);
    const auto right = RandomSlots(60, c.Amplitude, 8);
    const uint32_t bytes = c.Half ? 64 : 128;
    std::vector<uint8_t> a(bytes), b(bytes);
    bool clipped = false;
    for (size_t n = 0; n < left.size(); ++n) {
      std::vector<double> l1 = left[n], r1 = right[n], l2 = left[n], r2 = right[n];
      uint32_t fill = 0, copy = 0, pairFill = 0;
      if (c.Half) {
        pair.Synthesis->SynthesizeSlotHalf(l1.data(), r1.data(), a.data(), &pairFill);
        single.Synthesis->SynthesizeChannelHalf(l2.data(), 0, b.data(), &copy);
        single.Synthesis->SynthesizeChannelHalf(r2.data(), 1, b.data(), &fill);
      } else {
        pair.Synthesis->SynthesizeSlot(l1.data(), r1.data(), a.data(), &pairFill);
        single.Synthesis->SynthesizeChannel(l2.data(), 0, b.data(), &copy);
        single.Synthesis->SynthesizeChannel(r2.data(), 1, b.data(), &fill);
      }
      ASSERT_EQ(pairFill, bytes);
      ASSERT_EQ(a, b) << "slot " << n << (c.Half ? " half rate" : " full rate");
      for (uint32_t j = 0; j < bytes / 4; ++j)
        clipped |= SampleAt(a, j, 0) == 32767 || SampleAt(a, j, 1) == -32768;
    }
    if (c.Amplitude > 1.0) {
      EXPECT_TRUE(clipped);
    }
  }
}

TEST(Synthesis, ClearedHistoryForgetsThePreviousAudio) {
  Fixture f;
  auto slots = RandomSlots(20, 0.25, 6);
  std::vector<uint8_t> first(128), again(128);
  for (auto slot : slots) {
    uint32_t fill = 0;
    f.Synthesis->SynthesizeMono(slot.data(), first.data(), &fill);
  }
  f.Synthesis->ClearHistory();
  std::vector<double> silence(32, 0.0);
  uint32_t fill = 0;
  f.Synthesis->SynthesizeMono(silence.data(), again.data(), &fill);
  for (int n = 0; n < 32; ++n) EXPECT_EQ(SampleAt(again, n, 0), 0);
}

// The standard's table 3-B.3, D[0..256] x 65536, signs of 64-127 and 192-255 inverted.
// clang-format off
constexpr int32_t Prototype[257] = {
         0,     -1,     -1,     -1,     -1,     -1,     -1,     -2,
        -2,     -2,     -2,     -3,     -3,     -4,     -4,     -5,
        -5,     -6,     -7,     -7,     -8,     -9,    -10,    -11,
       -13,    -14,    -16,    -17,    -19,    -21,    -24,    -26,
       -29,    -31,    -35,    -38,    -41,    -45,    -49,    -53,
       -58,    -63,    -68,    -73,    -79,    -85,    -91,    -97,
      -104,   -111,   -117,   -125,   -132,   -139,   -147,   -154,
      -161,   -169,   -176,   -183,   -190,   -196,   -202,   -208,
      -213,   -218,   -222,   -225,   -227,   -228,   -228,   -227,
      -224,   -221,   -215,   -208,   -200,   -189,   -177,   -163,
      -146,   -127,   -106,    -83,    -57,    -29,      2,     36,
        72,    111,    153,    197,    244,    294,    347,    401,
       459,    519,    581,    645,    711,    779,    848,    919,
       991,   1064,   1137,   1210,   1283,   1356,   1428,   1498,
      1567,   1634,   1698,   1759,   1817,   1870,   1919,   1962,
      2001,   2032,   2057,   2075,   2085,   2087,   2080,   2063,
      2037,   2000,   1952,   1893,   1822,   1739,   1644,   1535,
      1414,   1280,   1131,    970,    794,    605,    402,    185,
       -45,   -288,   -545,   -814,  -1095,  -1388,  -1692,  -2006,
     -2330,  -2663,  -3004,  -3351,  -3705,  -4063,  -4425,  -4788,
     -5153,  -5517,  -5879,  -6237,  -6589,  -6935,  -7271,  -7597,
     -7910,  -8209,  -8491,  -8755,  -8998,  -9219,  -9416,  -9585,
     -9727,  -9838,  -9916,  -9959,  -9966,  -9935,  -9863,  -9750,
     -9592,  -9389,  -9139,  -8840,  -8492,  -8092,  -7640,  -7134,
     -6574,  -5959,  -5288,  -4561,  -3776,  -2935,  -2037,  -1082,
       -70,    998,   2122,   3300,   4533,   5818,   7154,   8540,
      9975,  11455,  12980,  14548,  16155,  17799,  19478,  21189,
     22929,  24694,  26482,  28289,  30112,  31947,  33791,  35640,
     37489,  39336,  41176,  43006,  44821,  46617,  48390,  50137,
     51853,  53534,  55178,  56778,  58333,  59838,  61289,  62684,
     64019,  65290,  66494,  67629,  68692,  69679,  70590,  71420,
     72169,  72835,  73415,  73908,  74313,  74630,  74856,  74992,
     75038};
// clang-format on

std::vector<double> StandardWindow() {
  std::vector<double> d(512);
  for (int i = 0; i < 512; ++i) {
    const int p = i <= 256 ? Prototype[i] : Prototype[512 - i];
    d[i] = ((i / 64) % 2 ? -p : p) / 65536.0;
  }
  return d;
}

}  // namespace
