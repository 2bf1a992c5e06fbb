#include "engine/modules/mpeg/PolyphaseSynthesis.h"

#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/modules/mpeg/Dct32.h"

namespace {

// ISO/IEC 11172-3 Table 3-B.3, D[0] to D[256] times 65536, the blocks 64-127 and 192-255
// with their sign inverted: one half of the symmetric prototype filter.
// clang-format off
constexpr int32_t IntegerWindow[257] = {
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

// Little-endian.
inline void StoreSample(uint8_t* at, double y) {
  const auto v = static_cast<uint16_t>(PolyphaseSynthesis::PcmSample(y));
  at[0] = static_cast<uint8_t>(v & 0xFF);
  at[1] = static_cast<uint8_t>(v >> 8);
}

// A 16-term dot product in four independent lanes, which the compiler keeps in vector
// registers.
inline double Dot16(const double* window, const double* history) {
  double lanes[4] = {0.0, 0.0, 0.0, 0.0};
  for (int t = 0; t < 16; t += 4)
    for (int j = 0; j < 4; ++j) lanes[j] += window[t + j] * history[t + j];
  return (lanes[0] + lanes[2]) + (lanes[1] + lanes[3]);
}

// Output value 16: the even terms only.
inline double MiddleSum(const double* window, const double* history) {
  double sum = 0.0;
  for (int t = 0; t < 16; t += 2) sum += window[t] * history[t];
  return sum;
}

}  // namespace

void PolyphaseSynthesis::BuildSynthesisTables(int32_t scale) {
  for (int i = 0; i < 5; ++i)
    for (int k = 0; k < (16 >> i); ++k)
      cosine_[i][k] = 1.0 / (2.0 * std::cos(std::numbers::pi * (2 * k + 1) / (64 >> i)));

  double c = -static_cast<double>(scale);
  int p = 0;
  for (int i = 0; i < 512; ++i) {
    const int j = i <= 255 ? i : 512 - i;
    if (p < 528) window_[p] = window_[p + 16] = IntegerWindow[j] * c / 65536;
    if (i % 32 == 31) p -= 1023;
    if (i % 64 == 63) c = -c;
    p += 32;
  }
  // The sums of outputs 0-15 alternate their signs from their first term on, the sums of
  // outputs 17-31 read the window backwards: both as plain dot products over copies.
  for (int i = 0; i < 544; ++i) {
    alternating_[0][i] = i % 2 == 0 ? window_[i] : -window_[i];
    alternating_[1][i] = -alternating_[0][i];
    reversed_[543 - i] = -window_[i];
  }
}

void PolyphaseSynthesis::ClearHistory() {
  std::memset(full_.Planes, 0, sizeof full_.Planes);
  std::memset(half_.Planes, 0, sizeof half_.Planes);
  full_.Slot = 1;
  half_.Slot = 1;
}

const double* PolyphaseSynthesis::Prepare(HistorySet& set, double* samples, int32_t channel,
                                          int32_t& k) {
  if (equalizer_.On.load(std::memory_order_relaxed) != 0) {
    const double* gains = equalizer_.Gains[channel];
    for (int b = 0; b < 32; ++b) samples[b] *= gains[b];
  }
  if (channel == 0) set.Slot = (set.Slot - 1) & 15;
  const int s = set.Slot;
  double* h0 = set.Planes[channel][0];
  double* h1 = set.Planes[channel][1];
  if (s & 1) {
    Dct32(h1 + ((s + 1) & 15), h0 + s, cosine_, samples);
    k = s;
    return h0;
  }
  Dct32(h0 + s, h1 + s + 1, cosine_, samples);
  k = s + 1;
  return h1;
}

void PolyphaseSynthesis::SynthesizeChannel(double* samples, int32_t channel, uint8_t* block,
                                           uint32_t* fill) {
  int32_t k = 0;
  const double* plane = Prepare(full_, samples, channel, k);
  const double* window = window_ + 16 - k;
  uint8_t* out = block + *fill + 2 * channel;
  // (-1)^t with t counted from w0: the copy whose sign pattern starts at w0's parity.
  const double* alternating = alternating_[(16 - k) & 1] + 16 - k;
  const double* reversed = reversed_ + 543 - 495 - k;
  for (int n = 0; n < 16; ++n)
    StoreSample(out + 4 * n, Dot16(alternating + 32 * n, plane + 16 * n));
  StoreSample(out + 64, MiddleSum(window + 512, plane + 256));
  for (int m = 1; m < 16; ++m)
    StoreSample(out + 4 * (16 + m), Dot16(reversed + 32 * (m - 1), plane + 16 * (16 - m)));
  *fill += 128;
}

void PolyphaseSynthesis::SynthesizeChannelHalf(double* samples, int32_t channel, uint8_t* block,
                                               uint32_t* fill) {
  int32_t k = 0;
  const double* plane = Prepare(half_, samples, channel, k);
  const double* window = window_ + 16 - k;
  uint8_t* out = block + *fill + 2 * channel;
  const double* alternating = alternating_[(16 - k) & 1] + 16 - k;
  const double* reversed = reversed_ + 543 - 495 - k;
  for (int n = 0; n < 16; n += 2)
    StoreSample(out + 2 * n, Dot16(alternating + 32 * n, plane + 16 * n));
  StoreSample(out + 32, MiddleSum(window + 512, plane + 256));
  for (int m = 2; m < 16; m += 2)
    StoreSample(out + 2 * (16 + m), Dot16(reversed + 32 * (m - 1), plane + 16 * (16 - m)));
  *fill += 64;
}

void PolyphaseSynthesis::SynthesizeMono(double* samples, uint8_t* block, uint32_t* fill) {
  uint8_t* frames = block + *fill;
  SynthesizeChannel(samples, 0, block, fill);
  for (int n = 0; n < 32; ++n) std::memcpy(frames + 4 * n + 2, frames + 4 * n, 2);
}

void PolyphaseSynthesis::SynthesizeMonoHalf(double* samples, uint8_t* block, uint32_t* fill) {
  uint8_t* frames = block + *fill;
  SynthesizeChannelHalf(samples, 0, block, fill);
  for (int n = 0; n < 16; ++n) std::memcpy(frames + 4 * n + 2, frames + 4 * n, 2);
}
