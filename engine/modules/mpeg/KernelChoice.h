// The forms of the decoder's arithmetic kernels: the AVX2 and FMA forms where the processor has
// both, else the SSE2 forms that every x86-64 processor runs. The decoder chooses them once, at
// set-up, into a table of functions it holds and hands to its stages; the tests ask for the
// SSE2 table as well, so that both forms are checked on any machine.
#pragma once

#include <cstdint>

namespace mpeg {

struct BitCursor;
struct GranuleInfo;
struct Layer3State;
struct Layer3Tables;

struct DecoderKernels {
  // Dct32Pair (Dct32.h).
  void (*Dct32Pair)(double* outA0, double* outB0, double* outA1, double* outB1,
                    const double (*cosine)[16], const double* samples0, const double* samples1);
  // The synthesis window (PolyphaseSynthesis.cpp): one channel's sums, both channels' sums,
  // and the 16-bit interleaved frames of two channels' windowed values.
  void (*WindowSums)(const double* plane, const double* alternating, const double* middle,
                     const double* reversed, double* y);
  void (*WindowSumsPair)(const double* plane0, const double* plane1, const double* alternating,
                         const double* middle, const double* reversed, double* y0, double* y1);
  void (*StoreFrames)(const double* left, const double* right, int frames, uint8_t* out);
  // The Layer III butterflies over `boundaries` subband boundaries, and the hybrid synthesis
  // (Layer3Hybrid.h).
  void (*Antialias)(const Layer3Tables& tables, double* spectrum, int boundaries);
  void (*HybridSynthesis)(Layer3State& state, double* spectrum, int channel,
                          const GranuleInfo& info, double (*slots)[32]);
  // The Layer III Huffman decoding and requantisation of a granule, plain and middle/side
  // (Layer3Requantise.h); the AVX2 forms also need BMI2.
  int (*Requantise)(const Layer3Tables& tables, BitCursor& reader, double* left, double* out,
                    const int32_t* scalefac, GranuleInfo& info, int rateIndex, int scaleBits);
  int (*RequantiseMiddleSide)(const Layer3Tables& tables, BitCursor& reader, double* left,
                              double* out, const int32_t* scalefac, GranuleInfo& info,
                              int rateIndex, int scaleBits);
};

// The best table the processor runs, or the SSE2 one (`baseline`) on any processor.
DecoderKernels ChooseKernels(bool baseline);

// Each kernel file fills its entries: the AVX2/FMA forms, or the SSE2 ones.
void ChooseDct32Kernels(DecoderKernels& kernels, bool avx2);
void ChooseSynthesisKernels(DecoderKernels& kernels, bool avx2);
void ChooseHybridKernels(DecoderKernels& kernels, bool avx2);
void ChooseRequantiseKernels(DecoderKernels& kernels, bool avx2);

}  // namespace mpeg
