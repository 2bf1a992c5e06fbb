#include "engine/modules/mpeg/Dct32.h"

#include "engine/modules/mpeg/KernelChoice.h"

namespace mpeg {

namespace {

// The unnormalised DCT-II X[k] = sum of x[m] cos(pi k (2m + 1) / 2N), split recursively
// into the sums (even outputs) and the scaled differences (odd outputs) of mirrored pairs.
// T is a double, or a vector of doubles whose lanes see the same operations.
template <int N, int Table, class T>
[[gnu::always_inline]] inline void Dct(const T* x, T* out, const double (*cosine)[16]) {
  if constexpr (N == 1) {
    out[0] = x[0];
  } else {
    constexpr int Half = N / 2;
    T sums[Half];
    T differences[Half];
#pragma GCC unroll 32
    for (int m = 0; m < Half; ++m) {
      sums[m] = x[m] + x[N - 1 - m];
      differences[m] = (x[m] - x[N - 1 - m]) * cosine[Table][m];
    }
    T even[Half];
    T odd[Half];
    Dct<Half, Table + 1, T>(sums, even, cosine);
    Dct<Half, Table + 1, T>(differences, odd, cosine);
#pragma GCC unroll 32
    for (int k = 0; k < Half - 1; ++k) {
      out[2 * k] = even[k];
      out[2 * k + 1] = odd[k] + odd[k + 1];
    }
    out[N - 2] = even[Half - 1];
    out[N - 1] = odd[Half - 1];
  }
}

}  // namespace

void Dct32(double* outA, double* outB, const double (*cosine)[16], const double* samples) {
  double x[32];
  Dct<32, 0, double>(samples, x, cosine);
// V[j] = X[16 + j] for j < 16, V[32 + j] = -X[16 - j] for j <= 16.
#pragma GCC unroll 32
  for (int j = 0; j <= 16; ++j) outA[j] = x[16 - j];
#pragma GCC unroll 32
  for (int j = 0; j < 16; ++j) outB[j] = x[16 + j];
}

namespace {

typedef double Quad __attribute__((vector_size(32)));
typedef double QuadUnaligned __attribute__((vector_size(32), aligned(8)));

// Both channels at once: the first butterfly stage four samples of a channel at a time, then the
// two 16-point transforms of the sums and of the differences side by side in four lanes (left sums,
// right sums, left differences, right differences). Every lane does the operations of Dct<32> on
// its own values, so the results are those of Dct32.
[[gnu::always_inline]] inline void Dct32PairOf(double* outA0, double* outB0, double* outA1,
                                               double* outB1, const double (*cosine)[16],
                                               const double* samples0, const double* samples1) {
  // Four m at a time: samples m..m + 3 against 31 - m down to 28 - m of each channel.
  auto at = [](const double* p) { return *reinterpret_cast<const QuadUnaligned*>(p); };
  auto reversed = [](Quad v) { return __builtin_shufflevector(v, v, 3, 2, 1, 0); };
  Quad halves[16];
#pragma GCC unroll 4
  for (int m = 0; m < 16; m += 4) {
    const Quad upper0 = at(samples0 + m);
    const Quad upper1 = at(samples1 + m);
    const Quad lower0 = reversed(at(samples0 + 28 - m));
    const Quad lower1 = reversed(at(samples1 + 28 - m));
    const Quad c = at(cosine[0] + m);
    const Quad sum0 = upper0 + lower0;
    const Quad sum1 = upper1 + lower1;
    const Quad difference0 = (upper0 - lower0) * c;
    const Quad difference1 = (upper1 - lower1) * c;
    // halves[m + i] = {sum0[i], sum1[i], difference0[i], difference1[i]}.
    const Quad sumsEven = __builtin_shufflevector(sum0, sum1, 0, 4, 2, 6);
    const Quad sumsOdd = __builtin_shufflevector(sum0, sum1, 1, 5, 3, 7);
    const Quad differencesEven = __builtin_shufflevector(difference0, difference1, 0, 4, 2, 6);
    const Quad differencesOdd = __builtin_shufflevector(difference0, difference1, 1, 5, 3, 7);
    halves[m] = __builtin_shufflevector(sumsEven, differencesEven, 0, 1, 4, 5);
    halves[m + 1] = __builtin_shufflevector(sumsOdd, differencesOdd, 0, 1, 4, 5);
    halves[m + 2] = __builtin_shufflevector(sumsEven, differencesEven, 2, 3, 6, 7);
    halves[m + 3] = __builtin_shufflevector(sumsOdd, differencesOdd, 2, 3, 6, 7);
  }
  Quad y[16];
  Dct<16, 1, Quad>(halves, y, cosine);
  // x[2k] = even[k], x[2k + 1] = odd[k] + odd[k + 1], x[30] = even[15], x[31] = odd[15]:
  // z[k] holds x[2k] and x[2k + 1] of both channels (left, right, left, right).
  Quad z[16];
#pragma GCC unroll 16
  for (int k = 0; k < 15; ++k) z[k] = __builtin_shufflevector(y[k], y[k] + y[k + 1], 0, 1, 6, 7);
  z[15] = y[15];
  auto store = [](double* at, Quad v) { *reinterpret_cast<QuadUnaligned*>(at) = v; };
  // outB[j] = x[16 + j]; outA[0] = x[16], outA[j] = x[16 - j] four at a time from j = 1.
  outA0[0] = z[8][0];
  outA1[0] = z[8][1];
#pragma GCC unroll 4
  for (int q = 0; q < 4; ++q) {
    store(outB0 + 4 * q, __builtin_shufflevector(z[8 + 2 * q], z[9 + 2 * q], 0, 2, 4, 6));
    store(outB1 + 4 * q, __builtin_shufflevector(z[8 + 2 * q], z[9 + 2 * q], 1, 3, 5, 7));
    store(outA0 + 1 + 4 * q, __builtin_shufflevector(z[7 - 2 * q], z[6 - 2 * q], 2, 0, 6, 4));
    store(outA1 + 1 + 4 * q, __builtin_shufflevector(z[7 - 2 * q], z[6 - 2 * q], 3, 1, 7, 5));
  }
}

__attribute__((target("avx2"))) void Dct32PairAvx2(double* outA0, double* outB0, double* outA1,
                                                   double* outB1, const double (*cosine)[16],
                                                   const double* samples0, const double* samples1) {
  Dct32PairOf(outA0, outB0, outA1, outB1, cosine, samples0, samples1);
}

void Dct32PairBaseline(double* outA0, double* outB0, double* outA1, double* outB1,
                       const double (*cosine)[16], const double* samples0, const double* samples1) {
  Dct32PairOf(outA0, outB0, outA1, outB1, cosine, samples0, samples1);
}

}  // namespace

void ChooseDct32Kernels(DecoderKernels& kernels, bool avx2) {
  kernels.Dct32Pair = avx2 ? Dct32PairAvx2 : Dct32PairBaseline;
}

}  // namespace mpeg
