#include "engine/modules/mpeg/PolyphaseSynthesis.h"

#include <immintrin.h>

#include <bit>
#include <cmath>
#include <cstring>
#include <numbers>

#include "engine/modules/mpeg/Dct32.h"
#include "engine/modules/mpeg/KernelChoice.h"

namespace mpeg {

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

// Eight windowed values as eight 16-bit samples by the rule of PcmSample: min(32767, y) keeps
// a NaN, and max(that, -32768) turns it into -32768.
inline __m128i Samples8(const double* y) {
  const __m128d high = _mm_set1_pd(32767.0);
  const __m128d low = _mm_set1_pd(-32768.0);
  __m128i words[4];
  for (int i = 0; i < 4; ++i)
    words[i] = _mm_cvttpd_epi32(_mm_max_pd(_mm_min_pd(high, _mm_loadu_pd(y + 2 * i)), low));
  return _mm_packs_epi32(_mm_unpacklo_epi64(words[0], words[1]),
                         _mm_unpacklo_epi64(words[2], words[3]));
}

// `frames` frames (a multiple of 8) of both channels' samples, interleaved, little-endian.
static_assert(std::endian::native == std::endian::little);

void StoreFramesBaseline(const double* left, const double* right, int frames, uint8_t* out) {
  for (int n = 0; n < frames; n += 8) {
    const __m128i l = Samples8(left + n);
    const __m128i r = Samples8(right + n);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * n), _mm_unpacklo_epi16(l, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * n + 16), _mm_unpackhi_epi16(l, r));
  }
}

// The same four values per conversion, where AVX2 is there.
__attribute__((target("avx2"))) __m128i Samples8Avx2(const double* y) {
  const __m256d high = _mm256_set1_pd(32767.0);
  const __m256d low = _mm256_set1_pd(-32768.0);
  const __m128i first =
      _mm256_cvttpd_epi32(_mm256_max_pd(_mm256_min_pd(high, _mm256_loadu_pd(y)), low));
  const __m128i second =
      _mm256_cvttpd_epi32(_mm256_max_pd(_mm256_min_pd(high, _mm256_loadu_pd(y + 4)), low));
  return _mm_packs_epi32(first, second);
}

__attribute__((target("avx2"))) void StoreFramesAvx2(const double* left, const double* right,
                                                     int frames, uint8_t* out) {
  for (int n = 0; n < frames; n += 8) {
    const __m128i l = Samples8Avx2(left + n);
    const __m128i r = Samples8Avx2(right + n);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * n), _mm_unpacklo_epi16(l, r));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * n + 16), _mm_unpackhi_epi16(l, r));
  }
}

typedef double Quad __attribute__((vector_size(32)));
typedef double QuadUnaligned __attribute__((vector_size(32), aligned(8)));

constexpr int ColumnStride = PolyphaseSynthesis::ColumnStride;

// The windowed sums of rows 4g to 4g + 3 of one plane, four rows to a vector: terms t = 0..15
// are the plane's columns with the coefficients at alternating + 16t and reversed + 16t. Each
// row's sum is split by t mod 4 into four partial sums, added pairwise at the end. Where a
// multiply and the add that follows it become one fused instruction, the first multiply of each
// partial sum is the one fused with the add of the second term.
[[gnu::always_inline]] inline void RowSums(const double* plane, const double* alternating,
                                           const double* reversed, int g, Quad& forward,
                                           Quad& backward) {
  auto at = [](const double* p) { return *reinterpret_cast<const Quad*>(p); };
  const int row = 4 * g;
  Quad a[4];
  Quad b[4];
#pragma GCC unroll 4
  for (int r = 0; r < 4; ++r) {
    const Quad h = at(plane + ColumnStride * r + row);
    a[r] = at(alternating + 16 * r + row) * h;
    b[r] = at(reversed + 16 * r + row) * h;
  }
#pragma GCC unroll 3
  for (int c = 4; c < 16; c += 4) {
#pragma GCC unroll 4
    for (int r = 0; r < 4; ++r) {
      const Quad h = at(plane + ColumnStride * (c + r) + row);
      a[r] += at(alternating + 16 * (c + r) + row) * h;
      b[r] += at(reversed + 16 * (c + r) + row) * h;
    }
  }
  forward = (a[0] + a[1]) + (a[2] + a[3]);
  backward = (b[0] + b[1]) + (b[2] + b[3]);
}

// Output value 16: row 16, the even terms only.
[[gnu::always_inline]] inline double MiddleSum(const double* window, const double* plane) {
  double sum = 0.0;
#pragma GCC unroll 8
  for (int t = 0; t < 16; t += 2) sum += window[t] * plane[ColumnStride * t + 16];
  return sum;
}

// The windowed sums y[0..31] of one channel from the plane the DCT has just filled;
// `alternating`, `middle` and `reversed` are the coefficients for its column. Row r gives
// output r and output 32 - r; y[32] (row 0's second) is overwritten.
[[gnu::always_inline]] inline void WindowSumsOf(const double* plane, const double* alternating,
                                                const double* middle, const double* reversed,
                                                double* y) {
#pragma GCC unroll 4
  for (int g = 0; g < 4; ++g) {
    Quad forward;
    Quad backward;
    RowSums(plane, alternating, reversed, g, forward, backward);
    *reinterpret_cast<QuadUnaligned*>(y + 4 * g) = forward;
    // Rows 4g..4g + 3 are outputs 32 - 4g down to 29 - 4g.
    *reinterpret_cast<QuadUnaligned*>(y + 29 - 4 * g) =
        __builtin_shufflevector(backward, backward, 3, 2, 1, 0);
  }
  y[16] = MiddleSum(middle, plane);
}

// The same kernel for processors with AVX2 and FMA (chosen at run time), where a multiply and
// the add that follows it become one fused instruction.
__attribute__((target("avx2,fma"))) void WindowSumsAvx2(const double* plane,
                                                        const double* alternating,
                                                        const double* middle,
                                                        const double* reversed, double* y) {
  WindowSumsOf(plane, alternating, middle, reversed, y);
}

__attribute__((target("avx2,fma"))) void WindowSumsPairAvx2(
    const double* plane0, const double* plane1, const double* alternating, const double* middle,
    const double* reversed, double* y0, double* y1) {
  WindowSumsOf(plane0, alternating, middle, reversed, y0);
  WindowSumsOf(plane1, alternating, middle, reversed, y1);
}

void WindowSumsBaseline(const double* plane, const double* alternating, const double* middle,
                        const double* reversed, double* y) {
  WindowSumsOf(plane, alternating, middle, reversed, y);
}

void WindowSumsPairBaseline(const double* plane0, const double* plane1, const double* alternating,
                            const double* middle, const double* reversed, double* y0, double* y1) {
  WindowSumsOf(plane0, alternating, middle, reversed, y0);
  WindowSumsOf(plane1, alternating, middle, reversed, y1);
}

}  // namespace

// Every entry point goes through these, so a channel gets the same values whichever entry
// point synthesises it. k is odd: the terms start at age 16 - k.
void PolyphaseSynthesis::WindowSumsPair(const double* plane0, const double* plane1, int32_t k,
                                        double* y0, double* y1) const {
  kernels_.WindowSumsPair(plane0, plane1, alternatingByAge_[16 - k], window_ + 528 - k,
                          reversedByAge_[16 - k], y0, y1);
}

void PolyphaseSynthesis::WindowSums(const double* plane, int32_t k, double* y) const {
  kernels_.WindowSums(plane, alternatingByAge_[16 - k], window_ + 528 - k, reversedByAge_[16 - k],
                      y);
}

void ChooseSynthesisKernels(DecoderKernels& kernels, bool avx2) {
  kernels.WindowSums = avx2 ? WindowSumsAvx2 : WindowSumsBaseline;
  kernels.WindowSumsPair = avx2 ? WindowSumsPairAvx2 : WindowSumsPairBaseline;
  kernels.StoreFrames = avx2 ? StoreFramesAvx2 : StoreFramesBaseline;
}

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
  // Output n < 16 reads window_[a + 32n] at age a with the sign (-1)^t of its term t =
  // a - 16 + k (k odd), output 32 - r reads the window backwards, negated.
  for (int a = 0; a < 32; ++a) {
    for (int n = 0; n < 16; ++n) {
      alternatingByAge_[a][n] = a % 2 == 1 ? window_[a + 32 * n] : -window_[a + 32 * n];
      reversedByAge_[a][n] = n == 0 ? 0.0 : -window_[543 - a - 32 * (16 - n)];
    }
  }
}

void PolyphaseSynthesis::ClearHistory() {
  std::memset(full_.Planes, 0, sizeof full_.Planes);
  std::memset(half_.Planes, 0, sizeof half_.Planes);
  full_.Slot = 1;
  half_.Slot = 1;
}

void PolyphaseSynthesis::Equalize(double* samples, int32_t channel) const {
  if (equalizer_.On.load(std::memory_order_relaxed) != 0) {
    const double* gains = equalizer_.Gains[channel];
    for (int b = 0; b < 32; ++b) samples[b] *= gains[b];
  }
}

const double* PolyphaseSynthesis::Prepare(HistorySet& set, double* samples, int32_t channel,
                                          int32_t& k) {
  Equalize(samples, channel);
  if (channel == 0) set.Slot = (set.Slot - 1) & 15;
  const int s = set.Slot;
  double* h0 = set.Planes[channel][0];
  double* h1 = set.Planes[channel][1];
  if (s & 1) {
    Dct32(h1 + ColumnStride * ((s + 1) & 15), h0 + ColumnStride * s, cosine_, samples);
    k = s;
    return h0;
  }
  Dct32(h0 + ColumnStride * s, h1 + ColumnStride * (s + 1), cosine_, samples);
  k = s + 1;
  return h1;
}

[[gnu::always_inline]] inline int32_t PolyphaseSynthesis::PreparePair(HistorySet& set, double* left,
                                                                      double* right, int32_t& k) {
  Equalize(left, 0);
  Equalize(right, 1);
  set.Slot = (set.Slot - 1) & 15;
  const int s = set.Slot;
  double(*planes)[2][PlaneSize] = set.Planes;
  if (s & 1) {
    const int a = ColumnStride * ((s + 1) & 15);
    const int b = ColumnStride * s;
    kernels_.Dct32Pair(planes[0][1] + a, planes[0][0] + b, planes[1][1] + a, planes[1][0] + b,
                       cosine_, left, right);
    k = s;
    return 0;
  }
  const int a = ColumnStride * s;
  const int b = ColumnStride * (s + 1);
  kernels_.Dct32Pair(planes[0][0] + a, planes[0][1] + b, planes[1][0] + a, planes[1][1] + b,
                     cosine_, left, right);
  k = s + 1;
  return 1;
}

void PolyphaseSynthesis::SynthesizeChannel(double* samples, int32_t channel, uint8_t* block,
                                           uint32_t* fill) {
  int32_t k = 0;
  const double* plane = Prepare(full_, samples, channel, k);
  alignas(32) double y[36];
  WindowSums(plane, k, y);
  uint8_t* out = block + *fill + 2 * channel;
  for (int n = 0; n < 32; ++n) StoreSample(out + 4 * n, y[n]);
  *fill += 128;
}

void PolyphaseSynthesis::SynthesizeChannelHalf(double* samples, int32_t channel, uint8_t* block,
                                               uint32_t* fill) {
  int32_t k = 0;
  const double* plane = Prepare(half_, samples, channel, k);
  alignas(32) double y[36];
  WindowSums(plane, k, y);
  uint8_t* out = block + *fill + 2 * channel;
  for (int q = 0; q < 16; ++q) StoreSample(out + 4 * q, y[2 * q]);
  *fill += 64;
}

void PolyphaseSynthesis::SynthesizeSlot(double* left, double* right, uint8_t* block,
                                        uint32_t* fill) {
  int32_t k = 0;
  const int32_t plane = PreparePair(full_, left, right, k);
  alignas(32) double y[2][36];
  WindowSumsPair(full_.Planes[0][plane], full_.Planes[1][plane], k, y[0], y[1]);
  kernels_.StoreFrames(y[0], y[1], 32, block + *fill);
  *fill += 128;
}

void PolyphaseSynthesis::SynthesizeSlotHalf(double* left, double* right, uint8_t* block,
                                            uint32_t* fill) {
  int32_t k = 0;
  const int32_t plane = PreparePair(half_, left, right, k);
  alignas(32) double y[2][36];
  WindowSumsPair(half_.Planes[0][plane], half_.Planes[1][plane], k, y[0], y[1]);
  double even[2][16];
  for (int q = 0; q < 16; ++q) {
    even[0][q] = y[0][2 * q];
    even[1][q] = y[1][2 * q];
  }
  kernels_.StoreFrames(even[0], even[1], 16, block + *fill);
  *fill += 64;
}

void PolyphaseSynthesis::SynthesizeMono(double* samples, uint8_t* block, uint32_t* fill) {
  int32_t k = 0;
  const double* plane = Prepare(full_, samples, 0, k);
  alignas(32) double y[36];
  WindowSums(plane, k, y);
  kernels_.StoreFrames(y, y, 32, block + *fill);
  *fill += 128;
}

void PolyphaseSynthesis::SynthesizeMonoHalf(double* samples, uint8_t* block, uint32_t* fill) {
  int32_t k = 0;
  const double* plane = Prepare(half_, samples, 0, k);
  alignas(32) double y[36];
  WindowSums(plane, k, y);
  double even[16];
  for (int q = 0; q < 16; ++q) even[q] = y[2 * q];
  kernels_.StoreFrames(even, even, 16, block + *fill);
  *fill += 64;
}

}  // namespace mpeg
