// The synthesis subband filter: 32 subband samples of one channel and time slot become 32
// PCM samples (16 at half rate) in the PcmBlock.
#pragma once

#include <cstdint>

#include "engine/modules/mpeg/EqualizerGains.h"
#include "engine/modules/mpeg/KernelChoice.h"

namespace mpeg {

class PolyphaseSynthesis {
 public:
  // A plane holds 16 columns (time slots) of 17 rows, each column's rows side by side (the
  // rest of the stride unused), so that the windowing reads four rows of a column at once.
  static constexpr int ColumnStride = 20;
  static constexpr int PlaneSize = 16 * ColumnStride;

  // A windowed value as a 16-bit sample: clipped to the 16-bit range, otherwise truncated
  // toward zero (1.9 gives 1, -1.9 gives -1); a NaN gives -32768.
  static int16_t PcmSample(double y) {
    if (y >= 32767.0) return 32767;
    if (y > -32768.0) return static_cast<int16_t>(y);
    return -32768;
  }

  // The kernels are those of `kernels`, a table that outlives the synthesis (the decoder's).
  PolyphaseSynthesis(EqualizerGains& equalizer, const DecoderKernels& kernels)
      : equalizer_(equalizer), kernels_(kernels) {}

  // The cosine tables and the working window for the output scale.
  void BuildSynthesisTables(int32_t scale);
  // Zeroes both history sets, so that a stream carries nothing of the one before it.
  void ClearHistory();

  // One channel of a two-channel slot: writes that channel of 32 frames at *fill and adds
  // 128. Call channel 0 first with a copy of the fill, then channel 1 with the fill itself.
  void SynthesizeChannel(double* samples, int32_t channel, uint8_t* block, uint32_t* fill);
  // The same at half rate: 16 frames, 64 bytes.
  void SynthesizeChannelHalf(double* samples, int32_t channel, uint8_t* block, uint32_t* fill);
  // Both channels of a two-channel slot in one call, the same samples as the two calls of
  // SynthesizeChannel: 32 frames, 128 bytes.
  void SynthesizeSlot(double* left, double* right, uint8_t* block, uint32_t* fill);
  // The same at half rate: 16 frames, 64 bytes.
  void SynthesizeSlotHalf(double* left, double* right, uint8_t* block, uint32_t* fill);
  // A one-channel slot, the left sample repeated in the right slot: 128 bytes.
  void SynthesizeMono(double* samples, uint8_t* block, uint32_t* fill);
  // The same at half rate: 64 bytes.
  void SynthesizeMonoHalf(double* samples, uint8_t* block, uint32_t* fill);

 private:
  struct HistorySet {
    alignas(32) double Planes[2][2][PlaneSize];  // [channel][H0, H1][column][row]
    int32_t Slot = 1;                            // current column, shared by both channels
  };

  // Steps shared by both rates: equaliser, column choice, DCT into the planes. Returns the
  // plane the windowing reads and sets k.
  const double* Prepare(HistorySet& set, double* samples, int32_t channel, int32_t& k);
  // The same for both channels of a slot; sets k and returns the plane to read (0: H0, 1: H1).
  int32_t PreparePair(HistorySet& set, double* left, double* right, int32_t& k);
  void Equalize(double* samples, int32_t channel) const;
  // The windowed sums y[0..31] of one channel; y[32] is overwritten.
  void WindowSums(const double* plane, int32_t k, double* y) const;
  // The same for both channels, with the same values.
  void WindowSumsPair(const double* plane0, const double* plane1, int32_t k, double* y0,
                      double* y1) const;

  EqualizerGains& equalizer_;
  const DecoderKernels& kernels_;
  double cosine_[5][16] = {};
  alignas(32) double window_[544] = {};
  // The window coefficients by age a (0-31, each age twice) for rows 0-15: those of outputs
  // 0-15 with their signs alternating per term, and those of outputs 32 - row, read
  // backwards and negated (row 0 none).
  alignas(32) double alternatingByAge_[32][16] = {};
  alignas(32) double reversedByAge_[32][16] = {};
  HistorySet full_ = {};
  HistorySet half_ = {};
};

}  // namespace mpeg
