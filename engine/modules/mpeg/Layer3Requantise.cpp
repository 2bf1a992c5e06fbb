#include "engine/modules/mpeg/Layer3Requantise.h"

#include <array>
#include <bit>
#include <cmath>
#include <cstring>
#include <initializer_list>

#include "engine/modules/mpeg/Layer3BandTables.h"
#include "engine/modules/mpeg/Layer3Huffman.h"

namespace mpeg {

namespace {

constexpr int32_t PreemphasisTable[2][22] = {
    {0},
    {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 3, 3, 3, 2, 0},
};

inline int ClampGain(int position) {
  if (position < 0) return 0;
  return position < GainTableSize ? position : GainTableSize - 1;
}

// Four values at once (two SSE2 operations each).
typedef double Lanes __attribute__((vector_size(32)));
typedef uint64_t LaneBits __attribute__((vector_size(32)));

// Row n: lane k all ones where bit 3 - k of n is set.
constexpr std::array<std::array<uint64_t, 4>, 16> LaneMasks = [] {
  std::array<std::array<uint64_t, 4>, 16> masks{};
  for (int n = 0; n < 16; ++n)
    for (int k = 0; k < 4; ++k) masks[n][k] = ((n >> (3 - k)) & 1) ? ~0ull : 0;
  return masks;
}();

[[gnu::always_inline]] inline Lanes LoadLanes(const double* p) {
  Lanes v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

[[gnu::always_inline]] inline void StoreLanes(double* p, Lanes v) { std::memcpy(p, &v, sizeof v); }

// The four values of a quadruple (v first): the gain where `leaf` has a bit, negated where
// `signs` has one, +0.0 elsewhere.
[[gnu::always_inline]] inline Lanes QuadrupleValues(double gain, uint32_t leaf, uint32_t signs) {
  LaneBits present;
  LaneBits negative;
  std::memcpy(&present, LaneMasks[leaf].data(), sizeof present);
  std::memcpy(&negative, LaneMasks[signs].data(), sizeof negative);
  const LaneBits gains = LaneBits{} + std::bit_cast<uint64_t>(gain);
  return std::bit_cast<Lanes>((gains & present) ^ (negative & (1ull << 63)));
}

// Walks the band map: where the next pair of values goes and with which gain.
struct BandWalk {
  const Layer3Tables& Tables;
  const int32_t* Scalefac;
  const GranuleInfo& Info;
  const BandMapEntry* Map;
  const int32_t* Pretab;
  int MapSize;
  int Shift;
  bool LongBlocks;

  int Entry = -1;
  int PairsLeft = 0;
  int Position = 0;
  int Step = 1;
  int Band = 0;
  int Window = 3;
  double Gain = 0.0;

  // Moves to the next band when the current one is used up; false once the map has ended.
  bool NextPair() {
    if (PairsLeft == 0 && !NextBand()) return false;
    --PairsLeft;
    return true;
  }

  // Takes the next band with pairs in it: its gain, first line and step.
  bool NextBand() {
    do {
      if (++Entry >= MapSize) return false;
      PairsLeft = Map[Entry].Pairs;
    } while (PairsLeft == 0);
    const BandMapEntry& e = Map[Entry];
    Band = e.Band;
    Window = e.Window;
    if (LongBlocks) {
      Gain = Tables.Gain[ClampGain(Info.GlobalGain + ((Scalefac[Entry] + Pretab[Band]) << Shift))];
      Step = 1;
    } else {
      Position = e.Start;
      if (Window == 3) {
        Gain = Tables.Gain[ClampGain(Info.GlobalGain + (Scalefac[Entry] << Shift))];
        Step = 1;
      } else {
        Gain = Tables.Gain[ClampGain(Info.WindowGain[Window] + (Scalefac[Entry] << Shift))];
        Step = 3;
      }
    }
    return true;
  }
};

// The sign masks of a pair's two values by their sign bits (bit 0 the first value's).
typedef double PairLanes __attribute__((vector_size(16)));
typedef uint64_t PairBits __attribute__((vector_size(16)));
constexpr uint64_t Negative = 1ull << 63;
alignas(16) constexpr uint64_t PairSignMasks[4][2] = {
    {0, 0}, {Negative, 0}, {0, Negative}, {Negative, Negative}};

// One pair of the big-values part from `window` (the stream from its codeword on, most
// significant bit first) into lines 0 and Step of `out` (middle/side: combined with the middle
// values in `left`); ORs its leaf into `leaves` and returns the bits the pair takes.
//
// `window` need hold only the codeword and two sign bits (21 bits); a pair whose values take
// linbits reads the stream again through `whole`, which gives the next 64 bits.
template <bool MiddleSide, bool WithLinbits, int Step, typename Whole>
[[gnu::always_inline]] inline int DecodePair(const HuffmanTable& table, uint64_t window,
                                             Whole whole, const double* power, double gain,
                                             double* left, double* out, uint32_t& leaves) {
  int prefix;
  const uint32_t entry = DecodeHuffmanEntry(table, static_cast<uint32_t>(window >> 32), prefix);
  const uint32_t leaf = entry & 0xFF;
  leaves |= leaf;
  // Without branches on the values: a zero magnitude reads no sign bit and stays +0.0.
  int at = prefix + static_cast<int>((entry >> 8) & 0xFF);
  uint32_t x = leaf >> 4;
  uint32_t y = leaf & 15;
  const uint32_t xPresent = x != 0;
  const uint32_t yPresent = y != 0;
  uint32_t signs;
  int reach;
  if (!WithLinbits || (entry >> 24) == 0) {
    // No value takes linbits: the sign bits follow the codeword.
    const uint64_t after = window << at;
    signs = (static_cast<uint32_t>(after >> 63) & xPresent) |
            ((static_cast<uint32_t>((after << xPresent) >> 63) & yPresent) << 1);
    reach = prefix + static_cast<int>((entry >> 16) & 0xFF);
  } else {
    window = whole();
    const int linbits = table.Linbits;
    const uint32_t xEscape = x == 15;
    x += static_cast<uint32_t>((window << at) >> (64 - linbits)) & (0u - xEscape);
    at += linbits & (0 - static_cast<int>(xEscape));
    signs = static_cast<uint32_t>((window << at) >> 63) & xPresent;
    at += static_cast<int>(xPresent);
    const uint32_t yEscape = y == 15;
    y += static_cast<uint32_t>((window << at) >> (64 - linbits)) & (0u - yEscape);
    at += linbits & (0 - static_cast<int>(yEscape));
    signs |= (static_cast<uint32_t>((window << at) >> 63) & yPresent) << 1;
    reach = at + static_cast<int>(yPresent);
  }
  PairBits mask;
  std::memcpy(&mask, PairSignMasks[signs], sizeof mask);
  const PairLanes magnitudes = PairLanes{power[x], power[y]} * gain;
  const PairLanes values = std::bit_cast<PairLanes>(std::bit_cast<PairBits>(magnitudes) ^ mask);
  if (MiddleSide) {
    // A zero side value leaves the middle value in both channels: m + 0 and m - 0.
    const PairLanes m{left[0], left[Step]};
    const PairLanes sum = m + values;
    const PairLanes difference = m - values;
    left[0] = sum[0];
    left[Step] = sum[1];
    out[0] = difference[0];
    out[Step] = difference[1];
  } else {
    out[0] = values[0];
    out[Step] = values[1];
  }
  return reach;
}

// `run` pairs of the big-values part into lines 0, Step, 2 Step ... of `out` (and `left`); returns
// the leaves ORed together (0: all pairs were zero). One look at the stream covers a codeword (up
// to 19 bits) and both values' linbits and signs (up to 14 bits each).
template <bool MiddleSide, bool WithLinbits, int Step>
[[gnu::always_inline]] inline uint32_t DecodePairs(const HuffmanTable& table, BitCursor& reader,
                                                   const double* power, double gain, int run,
                                                   double* left, double* out) {
  uint32_t leaves = 0;
  const size_t longest = WithLinbits ? 19 + 2 * (static_cast<size_t>(table.Linbits) + 1) : 21;
  const size_t left_bytes = static_cast<size_t>(reader.End - reader.Pos);
  if (left_bytes >= (reader.Bit + longest * static_cast<size_t>(run)) / 8 + 8) {
    // The whole run and eight bytes beyond it lie before the end: plain loads, and the cursor
    // moved once. The stream ahead is kept in a register and loaded again only when fewer
    // bits than a codeword and its signs are left in it.
    const uint8_t* from = reader.Pos;
    size_t bit = reader.Bit;
    auto load = [from](size_t at) {
      uint64_t window;
      std::memcpy(&window, from + (at >> 3), 8);
      return __builtin_bswap64(window) << (at & 7);
    };
    uint64_t buffer = 0;
    int held = 0;
    for (double* const end = out + 2 * Step * run; out != end; out += 2 * Step) {
      if (held < 21) {
        buffer = load(bit);
        held = 64 - static_cast<int>(bit & 7);
      }
      const int reach = DecodePair<MiddleSide, WithLinbits, Step>(
          table, buffer, [&] { return load(bit); }, power, gain, left, out, leaves);
      bit += static_cast<size_t>(reach);
      held -= reach;
      // A pair with linbits may reach beyond what was held: the next one loads again.
      buffer <<= reach;
      if (MiddleSide) left += 2 * Step;
    }
    reader.SkipBits(bit - reader.Bit);
    return leaves;
  }
  for (int i = 0; i < run; ++i, out += 2 * Step) {
    const uint64_t window = reader.Peek64();
    const int reach = DecodePair<MiddleSide, WithLinbits, Step>(
        table, window, [window] { return window; }, power, gain, left, out, leaves);
    reader.SkipBits(static_cast<size_t>(reach));
    if (MiddleSide) left += 2 * Step;
  }
  return leaves;
}

template <bool MiddleSide>
[[gnu::always_inline]] inline int RequantiseGranule(const Layer3Tables& tables, BitCursor& reader,
                                                    double* left, double* out,
                                                    const int32_t* scalefac, GranuleInfo& info,
                                                    int rateIndex, int scaleBits) {
  if (MiddleSide) {
    std::memcpy(out, left, 576 * sizeof(double));
  } else {
    std::memset(out, 0, 576 * sizeof(double));
  }

  const long budget = static_cast<long>(info.Part23Length) - scaleBits;
  const size_t start = reader.Tell();
  const bool shortBlocks = info.BlockType == 2;
  const bool mixed = shortBlocks && info.MixedBlockFlag;

  BandWalk walk{tables,
                scalefac,
                info,
                !shortBlocks ? tables.LongMap[rateIndex]
                : mixed      ? tables.MixedMap[rateIndex]
                             : tables.ShortMap[rateIndex],
                PreemphasisTable[info.Preflag ? 1 : 0],
                !shortBlocks ? 22
                : mixed      ? tables.MixedMapSize[rateIndex]
                             : 39,
                1 + info.ScalefacScale,
                !shortBlocks};

  int lastShort[3];
  lastShort[0] = lastShort[1] = lastShort[2] = mixed ? 2 : -1;
  int lastLong = -1;
  const double* power = tables.Power;

  // Stores the two values of a pair (or half a quadruple) at the walk's position.
  auto storeValue = [&](double value) {
    int p = walk.Position;
    walk.Position += walk.Step;
    if (MiddleSide) {
      if (value == 0.0) return;
      double m = left[p];
      left[p] = m + value;
      out[p] = m - value;
    } else {
      out[p] = value;
    }
  };
  // Called once the walk has passed a non-zero value: its band, and in long blocks the end
  // of the lines that may be non-zero.
  int lineEnd = 0;
  auto recordBand = [&]() {
    if (walk.Window == 3) {
      lastLong = walk.Band;
      lineEnd = walk.Position;
    } else {
      lastShort[walk.Window] = walk.Band;
    }
  };

  // Big values: three regions (two with window switching), each with its own table.
  const int bigValues = info.BigValues;
  int regionEnd[3];
  if (bigValues <= info.Region1Start) {
    regionEnd[0] = regionEnd[1] = regionEnd[2] = bigValues;
  } else if (bigValues <= info.Region2Start) {
    regionEnd[0] = info.Region1Start;
    regionEnd[1] = regionEnd[2] = bigValues;
  } else {
    regionEnd[0] = info.Region1Start;
    regionEnd[1] = info.Region2Start;
    regionEnd[2] = bigValues;
  }

  int pair = 0;
  bool mapEnded = false;
  for (int region = 0; region < 3 && !mapEnded; ++region) {
    const HuffmanTable& table = Layer3HuffmanTable(info.TableSelect[region] & 31);
    const int linbits = table.Linbits;
    // A run of pairs that stays in one band and one region: one gain, one step, no checks
    // between the pairs.
    while (pair < regionEnd[region]) {
      if (walk.PairsLeft == 0 && !walk.NextBand()) {
        mapEnded = true;
        break;
      }
      const int run =
          walk.PairsLeft < regionEnd[region] - pair ? walk.PairsLeft : regionEnd[region] - pair;
      walk.PairsLeft -= run;
      pair += run;
      const int step = walk.Step;
      int p = walk.Position;
      walk.Position += 2 * step * run;
      if (table.Lookup == nullptr) continue;
      // Long blocks step through the lines one by one, short blocks window by window.
      double* const l = MiddleSide ? left + p : nullptr;
      const uint32_t leaves =
          step == 1 ? (linbits != 0 ? DecodePairs<MiddleSide, true, 1>(table, reader, power,
                                                                       walk.Gain, run, l, out + p)
                                    : DecodePairs<MiddleSide, false, 1>(table, reader, power,
                                                                        walk.Gain, run, l, out + p))
                    : (linbits != 0 ? DecodePairs<MiddleSide, true, 3>(table, reader, power,
                                                                       walk.Gain, run, l, out + p)
                                    : DecodePairs<MiddleSide, false, 3>(
                                          table, reader, power, walk.Gain, run, l, out + p));
      if (leaves != 0) recordBand();
    }
  }

  long used = static_cast<long>(reader.Tell() - start);
  if (used > budget) return 1;

  // Count1 part: quadruples of values -1, 0 or 1 while bits remain. The reader is not moved
  // here (the part's end is sought below): `bit` counts from its position, and plain loads
  // serve while every look stays eight bytes before the end.
  const HuffmanTable& quad = Layer3HuffmanTable(32 + (info.Count1TableSelect & 1));
  const uint16_t* quadLookup = QuadrupleLookup(info.Count1TableSelect & 1);
  const uint8_t* from = reader.Pos;
  const size_t remaining = budget > used ? static_cast<size_t>(budget - used) : 0;
  const bool plain = static_cast<size_t>(reader.End - from) >= (reader.Bit + remaining) / 8 + 8;
  size_t bit = reader.Bit;
  auto look = [&]() {
    if (plain) {
      uint64_t window;
      std::memcpy(&window, from + (bit >> 3), 8);
      return __builtin_bswap64(window) << (bit & 7);
    }
    return reader.Load64(from + (bit >> 3)) << (bit & 7);
  };
  int quadruples = (288 - bigValues) / 2;
  const bool zeroRuns = (info.Count1TableSelect & 1) == 0;
  while (!mapEnded && quadruples > 0 && used < budget) {
    // The band the next quadruple starts in, once the last one is used up.
    if (walk.PairsLeft == 0 && !walk.NextBand()) break;
    const uint64_t window = look();
    // The common case: the whole quadruple in the current band and all its sign bits within
    // the budget. A zero quadruple leaves its lines as they are (+0.0, or middle/side m).
    const uint32_t entry = quadLookup[window >> (64 - QuadrupleBits)];
    const int whole = static_cast<int>(entry >> 8);
    if (walk.PairsLeft >= 2 && whole <= budget - used) {
      const uint32_t leaf = entry & 15;
      if (leaf != 0) {
        const int step = walk.Step;
        const int p = walk.Position;
        const Lanes values = QuadrupleValues(walk.Gain, leaf, (entry >> 4) & 15);
        if (step == 1) {
          if (MiddleSide) {
            const Lanes m = LoadLanes(left + p);
            StoreLanes(left + p, m + values);
            StoreLanes(out + p, m - values);
          } else {
            StoreLanes(out + p, values);
          }
        } else {
#pragma GCC unroll 4
          for (int k = 0; k < 4; ++k) {
            if (MiddleSide) {
              const double m = left[p + k * step];
              left[p + k * step] = m + values[k];
              out[p + k * step] = m - values[k];
            } else {
              out[p + k * step] = values[k];
            }
          }
        }
        walk.Position += 4 * step;
        recordBand();
      } else if (zeroRuns) {
        // Table A codes 0000 as a single 1: the leading ones of the window are as many zero
        // quadruples, taken at once as far as the band, the count and the budget allow.
        int zeros = std::countl_one(window);
        if (zeros > walk.PairsLeft / 2) zeros = walk.PairsLeft / 2;
        if (zeros > quadruples) zeros = quadruples;
        if (zeros > budget - used) zeros = static_cast<int>(budget - used);
        walk.Position += 4 * walk.Step * zeros;
        walk.PairsLeft -= 2 * zeros;
        used += zeros;
        bit += static_cast<size_t>(zeros);
        quadruples -= zeros;
        continue;
      } else {
        walk.Position += 4 * walk.Step;
      }
      walk.PairsLeft -= 2;
      used += whole;
      bit += static_cast<size_t>(whole);
      --quadruples;
      continue;
    }
    int length;
    const uint32_t leaf = DecodeHuffman(quad, static_cast<uint32_t>(window >> 32), length);
    if (length > budget - used) break;  // the walk would run out of bits: 0000, and the end
    used += length;
    int consumed = length;
    bool stop = false;
    for (int k = 0; k < 4; ++k) {
      if ((k & 1) == 0 && !walk.NextPair()) {
        mapEnded = true;
        break;
      }
      if (leaf & (8u >> k)) {
        if (used >= budget) {
          stop = true;
          break;
        }
        ++used;
        const bool negative = ((window << consumed) >> 63) != 0;
        ++consumed;
        storeValue(negative ? -walk.Gain : walk.Gain);
        recordBand();
      } else {
        storeValue(0.0);
      }
    }
    bit += static_cast<size_t>(consumed);
    if (stop) break;
    --quadruples;
  }

  reader.Seek(start + static_cast<size_t>(budget));

  // Limits for the stereo, antialias and hybrid stages.
  info.Maxbandl = lastLong + 1;
  if (shortBlocks) {
    int largest = 0;
    for (int n = 0; n < 3; ++n) {
      info.Maxband[n] = lastShort[n] + 1;
      if (info.Maxband[n] > largest) largest = info.Maxband[n];
    }
    info.Maxb = largest > 0 ? tables.ShortLimit[rateIndex][largest]
                            : tables.LongLimit[rateIndex][info.Maxbandl];
  } else {
    info.Maxband[0] = info.Maxband[1] = info.Maxband[2] = 0;
    // The subband of the last line that may be non-zero, and the next one where the
    // butterflies reach into it; above them the lines are all zero. Wide upper bands make
    // this much less than their limit.
    const int lineLimit = (lineEnd + 7) / 18 + 1;
    const int bandLimit = tables.LongLimit[rateIndex][info.Maxbandl];
    info.Maxb = lineLimit < bandLimit ? lineLimit : bandLimit;
  }
  return 0;
}

}  // namespace

void BuildRequantiseTables(Layer3Tables& tables, int downsampleLevel) {
  for (int j = 0; j < GainTableSize; ++j) tables.Gain[j] = std::pow(2.0, -0.25 * (j - 46));
  for (int i = 0; i < PowerTableSize; ++i)
    tables.Power[i] = std::pow(static_cast<double>(i), 4.0 / 3.0);

  const int cap = 32 >> downsampleLevel;
  for (int rate = 0; rate < 9; ++rate) {
    const Layer3BandTable& bands = BandTables[rate];
    for (int b = 0; b < 22; ++b) {
      tables.LongMap[rate][b] = {
          static_cast<int16_t>((bands.LongBoundary[b + 1] - bands.LongBoundary[b]) / 2),
          bands.LongBoundary[b], 3, static_cast<int8_t>(b)};
    }
    int s = 0;
    for (int b = 0; b < 13; ++b) {
      int width = bands.ShortBoundary[b + 1] - bands.ShortBoundary[b];
      for (int n = 0; n < 3; ++n) {
        tables.ShortMap[rate][3 * b + n] = {static_cast<int16_t>(width / 2),
                                            static_cast<int16_t>(s + n), static_cast<int8_t>(n),
                                            static_cast<int8_t>(b)};
      }
      s += 3 * width;
    }
    const int longBands = MixedLongBands(rate);
    int count = 0;
    for (int b = 0; b < longBands; ++b) {
      tables.MixedMap[rate][count++] = {
          static_cast<int16_t>((bands.LongBoundary[b + 1] - bands.LongBoundary[b]) / 2),
          bands.LongBoundary[b], 3, static_cast<int8_t>(b)};
    }
    s = bands.LongBoundary[longBands];
    for (int b = 3; b < 13; ++b) {
      int width = bands.ShortBoundary[b + 1] - bands.ShortBoundary[b];
      for (int n = 0; n < 3; ++n) {
        tables.MixedMap[rate][count++] = {static_cast<int16_t>(width / 2),
                                          static_cast<int16_t>(s + n), static_cast<int8_t>(n),
                                          static_cast<int8_t>(b)};
      }
      s += 3 * width;
    }
    tables.MixedMapSize[rate] = count;

    for (int i = 0; i < 23; ++i) {
      int limit = (bands.LongBoundary[i] + 7) / 18 + 1;
      tables.LongLimit[rate][i] = limit < cap ? limit : cap;
    }
    for (int i = 0; i < 14; ++i) {
      int limit = (3 * bands.ShortBoundary[i] - 1) / 18 + 1;
      tables.ShortLimit[rate][i] = limit < cap ? limit : cap;
    }
  }
}

namespace {

// The same for processors with AVX2 and BMI2 (chosen at run time): shifts by a bit count
// without the count register, four values in one instruction. Nothing here multiplies and
// adds, so there is nothing to fuse: the values are those of the SSE2 form.
__attribute__((target("avx2,bmi2"))) int RequantiseAvx2(const Layer3Tables& tables,
                                                        BitCursor& reader, double* left,
                                                        double* out, const int32_t* scalefac,
                                                        GranuleInfo& info, int rateIndex,
                                                        int scaleBits) {
  return RequantiseGranule<false>(tables, reader, left, out, scalefac, info, rateIndex, scaleBits);
}

__attribute__((target("avx2,bmi2"))) int RequantiseMiddleSideAvx2(
    const Layer3Tables& tables, BitCursor& reader, double* left, double* out,
    const int32_t* scalefac, GranuleInfo& info, int rateIndex, int scaleBits) {
  return RequantiseGranule<true>(tables, reader, left, out, scalefac, info, rateIndex, scaleBits);
}

int RequantiseBaseline(const Layer3Tables& tables, BitCursor& reader, double* left, double* out,
                       const int32_t* scalefac, GranuleInfo& info, int rateIndex, int scaleBits) {
  return RequantiseGranule<false>(tables, reader, left, out, scalefac, info, rateIndex, scaleBits);
}

int RequantiseMiddleSideBaseline(const Layer3Tables& tables, BitCursor& reader, double* left,
                                 double* out, const int32_t* scalefac, GranuleInfo& info,
                                 int rateIndex, int scaleBits) {
  return RequantiseGranule<true>(tables, reader, left, out, scalefac, info, rateIndex, scaleBits);
}

}  // namespace

int Requantise(const Layer3State& state, BitCursor& reader, double* spectrum,
               const int32_t* scalefac, GranuleInfo& info, int rateIndex, int scaleBits) {
  return state.Kernels->Requantise(state.Tables, reader, nullptr, spectrum, scalefac, info,
                                   rateIndex, scaleBits);
}

int RequantiseMiddleSide(const Layer3State& state, BitCursor& reader, double* left, double* right,
                         const int32_t* scalefac, GranuleInfo& info, int rateIndex, int scaleBits) {
  return state.Kernels->RequantiseMiddleSide(state.Tables, reader, left, right, scalefac, info,
                                             rateIndex, scaleBits);
}

void ChooseRequantiseKernels(DecoderKernels& kernels, bool avx2) {
  kernels.Requantise = avx2 ? RequantiseAvx2 : RequantiseBaseline;
  kernels.RequantiseMiddleSide = avx2 ? RequantiseMiddleSideAvx2 : RequantiseMiddleSideBaseline;
}

}  // namespace mpeg
