#include "engine/modules/mpeg/Dct32.h"

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
    for (int m = 0; m < Half; ++m) {
      sums[m] = x[m] + x[N - 1 - m];
      differences[m] = (x[m] - x[N - 1 - m]) * cosine[Table][m];
    }
    T even[Half];
    T odd[Half];
    Dct<Half, Table + 1, T>(sums, even, cosine);
    Dct<Half, Table + 1, T>(differences, odd, cosine);
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
  for (int j = 0; j <= 16; ++j) outA[16 * j] = x[16 - j];
  for (int j = 0; j < 16; ++j) outB[16 * j] = x[16 + j];
}

void Dct32Pair(double* outA0, double* outB0, double* outA1, double* outB1, const double (*cosine)[16],
               const double* samples0, const double* samples1) {
  Pair in[32];
  for (int m = 0; m < 32; ++m) in[m] = Pair{samples0[m], samples1[m]};
  Pair x[32];
  Dct<32, 0, Pair>(in, x, cosine);
  for (int j = 0; j <= 16; ++j) {
    outA0[16 * j] = x[16 - j][0];
    outA1[16 * j] = x[16 - j][1];
  }
  for (int j = 0; j < 16; ++j) {
    outB0[16 * j] = x[16 + j][0];
    outB1[16 * j] = x[16 + j][1];
  }
}
