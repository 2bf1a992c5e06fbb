#include "engine/modules/mpeg/Layer2Decoder.h"

#include <cstring>

namespace mpeg {

namespace {

// The codes of one allocated subband and channel (or of both channels of a shared subband)
// as every granule holds them: where they start in the granule, how wide they are and how
// they requantise. Worked out once per frame, so that the granules only read and multiply.
struct CodePlan {
  uint32_t Offset;             // bits from the granule's start
  uint32_t Width;              // bits per code
  const uint8_t (*Groups)[3];  // grouped: the class triples of the codewords; null: single codes
  uint32_t GroupSize;          // grouped: codewords from here on are silent
  int32_t D;                   // single codes: added to each code
  int32_t Subband;
  int32_t Channel;  // 0 or 1; -1: both channels (a shared subband)
};

// A codeword beyond its group table decodes as silence: class 0 has the factor 0.0.
constexpr uint8_t SilentTriple[3] = {0, 0, 0};

// The 64 bits from `at` bits after the cursor on, most significant first: through one plain
// load, or with the bits at or beyond the cursor's end read as 0, as the cursor reads them.
template <bool Plain>
[[gnu::always_inline]] inline uint64_t Window(const BitCursor& bits, size_t at) {
  const size_t bit = bits.Bit + at;
  if (Plain) {
    uint64_t window;
    std::memcpy(&window, bits.Pos + (bit >> 3), 8);
    return __builtin_bswap64(window) << (bit & 7);
  }
  const uint8_t* p = bits.Pos + (bit >> 3);
  if (p >= bits.End) return 0;
  return bits.Load64(p) << (bit & 7);
}

// The codes of one plan item in all twelve granules, into the slots of its channel (or of both,
// `Shared`). Sample k = factor x ScaleMultipliers[class][scale index]; a grouped code's factors
// are 1.0, so its samples are the table entries themselves.
template <bool Plain, bool Grouped, bool Shared>
void DecodeCodes(const BitCursor& bits, const CodePlan& item, uint32_t granuleBits,
                 const Layer2Tables& tables, const int (*scale)[32][3], SubbandSlots& slots) {
  const int sb = item.Subband;
  const int first = Shared ? 0 : item.Channel;
  const uint32_t width = item.Width;
  size_t at = item.Offset;
  for (int part = 0; part < 3; ++part) {
    const int index0 = scale[first][sb][part];
    const int index1 = Shared ? scale[1][sb][part] : 0;
    double(*out0)[32] = slots.Samples[first] + 12 * part;
    double(*out1)[32] = slots.Samples[1] + 12 * part;
    for (int granule = 0; granule < 4; ++granule, at += granuleBits) {
      const uint64_t window = Window<Plain>(bits, at);
      if (Grouped) {
        const auto c = static_cast<uint32_t>(window >> (64 - width));
        const uint8_t* rows = c < item.GroupSize ? item.Groups[c] : SilentTriple;
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) {
          out0[3 * granule + k][sb] = tables.ScaleMultipliers[rows[k]][index0];
          if (Shared) out1[3 * granule + k][sb] = tables.ScaleMultipliers[rows[k]][index1];
        }
      } else {
        // Three codes of up to 16 bits lie within the window: 48 bits behind at most 7 read.
        const double multiplier0 = tables.ScaleMultipliers[width][index0];
        const double multiplier1 = Shared ? tables.ScaleMultipliers[width][index1] : 0.0;
#pragma GCC unroll 3
        for (int k = 0; k < 3; ++k) {
          const double factor =
              static_cast<int>(static_cast<uint32_t>((window << (k * width)) >> (64 - width))) +
              item.D;
          out0[3 * granule + k][sb] = factor * multiplier0;
          if (Shared) out1[3 * granule + k][sb] = factor * multiplier1;
        }
      }
    }
  }
}

template <bool Plain>
void DecodeItem(const BitCursor& bits, const CodePlan& item, uint32_t granuleBits,
                const Layer2Tables& tables, const int (*scale)[32][3], SubbandSlots& slots) {
  const bool shared = item.Channel < 0;
  if (item.Groups != nullptr) {
    if (shared) {
      DecodeCodes<Plain, true, true>(bits, item, granuleBits, tables, scale, slots);
    } else {
      DecodeCodes<Plain, true, false>(bits, item, granuleBits, tables, scale, slots);
    }
  } else if (shared) {
    DecodeCodes<Plain, false, true>(bits, item, granuleBits, tables, scale, slots);
  } else {
    DecodeCodes<Plain, false, false>(bits, item, granuleBits, tables, scale, slots);
  }
}

}  // namespace

int DecodeLayer2(BitCursor& bits, const FrameHeader& header, const Layer2Tables& tables,
                 int32_t downsampleLevel, SubbandSlots& slots) {
  const AllocationTable& table = AllocationTableByNumber(header.AllocationTable);
  const bool stereo = header.Channels == 2;
  const int channels = stereo ? 2 : 1;
  const int coded = table.Subbands;
  int bound = stereo ? header.StereoBound : coded;
  if (bound > coded) bound = coded;
  if (bound < 0) bound = 0;

  int allocation[2][32] = {};
  for (int sb = 0; sb < bound; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      allocation[ch][sb] =
          static_cast<int>(bits.ReadBits(static_cast<uint32_t>(table.Rows[sb].Nbal)));
  for (int sb = bound; sb < coded; ++sb)
    allocation[0][sb] = allocation[1][sb] =
        static_cast<int>(bits.ReadBits(static_cast<uint32_t>(table.Rows[sb].Nbal)));

  int selection[2][32] = {};
  for (int sb = 0; sb < coded; ++sb)
    for (int ch = 0; ch < channels; ++ch)
      if (allocation[ch][sb] != 0) selection[ch][sb] = static_cast<int>(bits.ReadBitsShort(2));

  // Three scale indexes per subband and channel, one for each third of the frame.
  int scale[2][32][3] = {};
  for (int sb = 0; sb < coded; ++sb)
    for (int ch = 0; ch < channels; ++ch) {
      if (allocation[ch][sb] == 0) continue;
      int* s = scale[ch][sb];
      const int a = static_cast<int>(bits.ReadBitsShort(6));
      switch (selection[ch][sb]) {
        case 0:
          s[0] = a;
          s[1] = static_cast<int>(bits.ReadBitsShort(6));
          s[2] = static_cast<int>(bits.ReadBitsShort(6));
          break;
        case 1:
          s[0] = s[1] = a;
          s[2] = static_cast<int>(bits.ReadBitsShort(6));
          break;
        case 2: s[0] = s[1] = s[2] = a; break;
        default:
          s[0] = a;
          s[1] = s[2] = static_cast<int>(bits.ReadBitsShort(6));
          break;
      }
    }

  // Every granule holds the same codes with the same widths: where each subband's codes lie
  // in a granule is known before the first is read, so the reads need not wait for each other.
  CodePlan plan[64];
  int planned = 0;
  uint32_t granuleBits = 0;
  for (int sb = 0; sb < coded; ++sb)
    for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) {
      const int a = allocation[ch][sb];
      if (a == 0) continue;
      const AllocationEntry& entry = table.Rows[sb].Entries[a - 1];
      CodePlan& item = plan[planned++];
      item.Offset = granuleBits;
      item.Width = static_cast<uint32_t>(entry.Bits);
      item.Groups = entry.D == 3   ? tables.Group3
                    : entry.D == 5 ? tables.Group5
                    : entry.D > 0  ? tables.Group9
                                   : nullptr;
      item.GroupSize = entry.D > 0 ? static_cast<uint32_t>(entry.D * entry.D * entry.D) : 0;
      item.D = entry.D;
      item.Subband = sb;
      item.Channel = sb < bound ? ch : -1;
      granuleBits += entry.D > 0 ? item.Width : 3 * item.Width;
    }

  const int silentFrom = coded < (32 >> downsampleLevel) ? coded : (32 >> downsampleLevel);
  // The subbands no code reaches are silent in every slot.
  uint32_t written[2] = {0, 0};
  for (int i = 0; i < planned; ++i) {
    if (plan[i].Subband >= silentFrom) continue;
    const uint32_t bit = 1u << plan[i].Subband;
    if (plan[i].Channel != 1) written[0] |= bit;
    if (plan[i].Channel != 0) written[1] |= bit;
  }
  for (int ch = 0; ch < channels; ++ch)
    for (int sb = 0; sb < 32; ++sb)
      if ((written[ch] & (1u << sb)) == 0)
        for (int slot = 0; slot < 36; ++slot) slots.Samples[ch][slot][sb] = 0.0;
  // When every read, and the eight bytes behind it, lies before the cursor's end, plain loads
  // serve; otherwise each read stops at the end as the cursor does.
  const bool plain = static_cast<size_t>(bits.End - bits.Pos) >=
                     (bits.Bit + 12 * static_cast<size_t>(granuleBits)) / 8 + 8;
  for (int i = 0; i < planned; ++i) {
    const CodePlan& item = plan[i];
    if (item.Subband >= silentFrom) continue;
    if (plain) {
      DecodeItem<true>(bits, item, granuleBits, tables, scale, slots);
    } else {
      DecodeItem<false>(bits, item, granuleBits, tables, scale, slots);
    }
  }
  bits.SkipBits(12 * granuleBits);
  return 36;
}

}  // namespace mpeg
