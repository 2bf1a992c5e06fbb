#include "engine/modules/mpeg/Dct32.h"

namespace {

// The unnormalised DCT-II X[k] = sum of x[m] cos(pi k (2m + 1) / 2N), split recursively
// into the sums (even outputs) and the scaled differences (odd outputs) of mirrored pairs.
template <int N, int Table>
[[gnu::always_inline]] inline void Dct(const double* x, double* out, const double (*cosine)[16]) {
  if constexpr (N == 1) {
    out[0] = x[0];
  } else {
    constexpr int Half = N / 2;
    double sums[Half];
    double differences[Half];
    for (int m = 0; m < Half; ++m) {
      sums[m] = x[m] + x[N - 1 - m];
      differences[m] = (x[m] - x[N - 1 - m]) * cosine[Table][m];
    }
    double even[Half];
    double odd[Half];
    Dct<Half, Table + 1>(sums, even, cosine);
    Dct<Half, Table + 1>(differences, odd, cosine);
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
  Dct<32, 0>(samples, x, cosine);
  // V[j] = X[16 + j] for j < 16, V[32 + j] = -X[16 - j] for j <= 16.
  for (int j = 0; j <= 16; ++j) outA[16 * j] = x[16 - j];
  for (int j = 0; j < 16; ++j) outB[16 * j] = x[16 + j];
}
