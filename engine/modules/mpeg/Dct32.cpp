#include "engine/modules/mpeg/Dct32.h"

#include "engine/modules/mpeg/KernelChoice.h"

namespace {

typedef double Pair __attribute__((vector_size(16)));

// The unnormalised DCT-II X[k] = sum of x[m] cos(pi k (2m + 1) / 2N), split recursively
// into the sums (even outputs) and the scaled differences (odd outputs) of mirrored pairs.
// T is a double, or a pair of doubles (both channels) whose lanes see the same operations.
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

// Both channels at once: the first butterfly stage in pairs (left, right), then the two
// 16-point transforms of the sums and of the differences side by side in four lanes (left
// sums, right sums, left differences, right differences). Every lane does the operations of
// Dct<32> on its own values, so the results are those of Dct32.
[[gnu::always_inline]] inline void Dct32PairOf(double* outA0, double* outB0, double* outA1,
                                               double* outB1, const double (*cosine)[16],
                                               const double* samples0, const double* samples1) {
  Quad halves[16];
#pragma GCC unroll 32
  for (int m = 0; m < 16; ++m) {
    const Pair upper{samples0[m], samples1[m]};
    const Pair lower{samples0[31 - m], samples1[31 - m]};
    const Pair sum = upper + lower;
    const Pair difference = (upper - lower) * cosine[0][m];
    halves[m] = Quad{sum[0], sum[1], difference[0], difference[1]};
  }
  Quad y[16];
  Dct<16, 1, Quad>(halves, y, cosine);
  // x[2k] = even[k], x[2k + 1] = odd[k] + odd[k + 1], x[30] = even[15], x[31] = odd[15].
  Pair x[32];
#pragma GCC unroll 32
  for (int k = 0; k < 15; ++k) {
    x[2 * k] = Pair{y[k][0], y[k][1]};
    x[2 * k + 1] = Pair{y[k][2], y[k][3]} + Pair{y[k + 1][2], y[k + 1][3]};
  }
  x[30] = Pair{y[15][0], y[15][1]};
  x[31] = Pair{y[15][2], y[15][3]};
#pragma GCC unroll 32
  for (int j = 0; j <= 16; ++j) {
    outA0[j] = x[16 - j][0];
    outA1[j] = x[16 - j][1];
  }
#pragma GCC unroll 32
  for (int j = 0; j < 16; ++j) {
    outB0[j] = x[16 + j][0];
    outB1[j] = x[16 + j][1];
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
