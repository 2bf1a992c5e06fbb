// The 32-point matrixing of the synthesis filter.
#pragma once

namespace mpeg {

// With V[i] = sum over m of cos((16 + i)(2m + 1) pi / 64) x samples[m]: writes -V[32 + j]
// for j = 0..16 at outA[j] and V[j] for j = 0..15 at outB[j]. `cosine` holds the five
// butterfly tables, table i at cosine[i], entry k = 1 / (2 cos(pi (2k + 1) / (64 >> i))).
void Dct32(double* outA, double* outB, const double (*cosine)[16], const double* samples);

// DecoderKernels::Dct32Pair does both channels of a slot at once, each lane doing exactly the
// arithmetic of Dct32, so the values are the same as two calls of Dct32.

}  // namespace mpeg
