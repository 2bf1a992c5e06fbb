// Layer III decoder state: the side information of a granule, the tables built at each decoder
// set-up, the spectra, the overlap of the hybrid synthesis and the bit reservoir. One object,
// held by the decoder core's state and passed to every stage.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/KernelChoice.h"

namespace mpeg {

// Side information of one granule and channel, completed by the requantisation (maxband,
// maxbandl, maxb) and obeyed by the stereo and hybrid stages.
struct GranuleInfo {
  int32_t Scfsi;
  int32_t Part23Length;
  int32_t BigValues;
  int32_t ScalefacCompress;
  int32_t BlockType;
  int32_t MixedBlockFlag;
  int32_t TableSelect[3];
  int32_t Maxband[3];
  int32_t Maxbandl;
  int32_t Maxb;
  int32_t Region1Start;
  int32_t Region2Start;
  int32_t Preflag;
  int32_t ScalefacScale;
  int32_t Count1TableSelect;
  int32_t WindowGain[3];  // GainTable positions of the three short windows
  int32_t GlobalGain;     // GainTable position of the global gain
};

struct Layer3SideInfo {
  int32_t MainDataBegin;
  int32_t PrivateBits;
  GranuleInfo Granule[2][2];  // [granule][channel]
};

// One band of a band map: `pairs` pairs of lines from `start`, in window `window` (3: long)
// of scale factor band `band`.
struct BandMapEntry {
  int16_t Pairs;
  int16_t Start;
  int8_t Window;
  int8_t Band;
};

// Positions 0 to 449 cover every gain a granule can select, including the 5-bit scale factors
// of an lsf intensity channel: 258 + 8 x 7 + ((31 + 3) << 2).
inline constexpr int GainTableSize = 450;
inline constexpr int PowerTableSize = 8207;
inline constexpr int IntensityPositions = 32;

struct Layer3Tables {
  double Gain[GainTableSize];
  double Power[PowerTableSize];

  // AliasCoefficients
  double Cs[8];
  double Ca[8];

  // IMDCT kernels by input line, using the symmetries x[17 - i] = -x[i] and x[35 - i] = x[18 + i]
  // of the 36-point output (and the same of the 12-point one). Long: outputs 0 to 7 give
  // x[0..7], outputs 8 to 15 give x[18..25], 16 and 17 give x[8] and x[26]; short: outputs
  // 0 to 5 give x[0..2] and x[6..8]. The rest of a row is zero padding to whole vectors. One
  // line updates all outputs at once.
  alignas(32) double ImdctLong[18][20];
  alignas(32) double ImdctShort[6][8];

  // The long kernels again for four neighbouring subbands at once, one in each lane: each
  // coefficient of ImdctLong[k][0..17] repeated four times.
  alignas(32) double ImdctLanes[18][18][4];
  // The folded long windows for four neighbouring subbands, even and odd alternating:
  // [block type][output][lane].
  alignas(32) double WindowLanes[4][36][4];

  // ImdctWindows (block types 0 to 3) and the same with odd coefficients negated.
  double Window[4][36];
  double WindowOdd[4][36];
  // The long windows (plain, odd) with coefficients 9 to 17 negated: x[9..17] = -x[8..0].
  double WindowFolded[2][4][36];

  // IntensityRatios: [0] MPEG-1, [1] and [2] lsf intensity scale 0 and 1; [set][ms][pos][l/r]
  double Intensity[3][2][IntensityPositions][2];

  BandMapEntry LongMap[9][22];
  BandMapEntry ShortMap[9][39];
  BandMapEntry MixedMap[9][38];
  int32_t MixedMapSize[9];

  int32_t LongLimit[9][23];
  int32_t ShortLimit[9][14];

  uint16_t LsfScaleLayout[512];
  uint16_t LsfIntensityLayout[256];
};

// Main data of the current frame after up to 511 bytes carried over from earlier frames.
inline constexpr size_t ReservoirBytes = 512;
inline constexpr size_t MainDataCapacity = ReservoirBytes + 1792;

struct Layer3State {
  Layer3Tables Tables;

  // Spectra: per channel 32 subbands of 18 lines.
  alignas(64) double Spectrum[2][576];
  // OverlapStore: two halves per channel; `OverlapToggle` names the half holding the previous
  // granule's second halves. Laid out like the slots (18 rows of 32 subbands), so that
  // neighbouring subbands are neighbours here too.
  alignas(64) double Overlap[2][2][18][32];
  int32_t OverlapToggle[2];

  // Bit reservoir: the last main data bytes of the stream, `ReservoirFill` of them valid, at
  // the start of `mainData`; the current frame's main data is appended behind them.
  uint8_t MainData[MainDataCapacity];
  size_t ReservoirFill;

  int32_t DownsampleLevel;
  // The decoder's kernel table, chosen at set-up.
  const DecoderKernels* Kernels;
};

}  // namespace mpeg
