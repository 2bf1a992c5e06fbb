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
  for (int granule = 0; granule < 12; ++granule) {
    const int part = granule / 4;
    const size_t start = granule * static_cast<size_t>(granuleBits);
    // The granule's three slots of each channel.
    double(*samples[2])[32] = {slots.Samples[0] + 3 * granule, slots.Samples[1] + 3 * granule};
    for (int ch = 0; ch < channels; ++ch) std::memset(samples[ch], 0, 3 * sizeof samples[ch][0]);
    for (int i = 0; i < planned; ++i) {
      const CodePlan& item = plan[i];
      const size_t at = start + item.Offset;
      // Sample k of a channel = factors[k] x ScaleMultipliers[rows[k]][that channel's scale
      // index]: a grouped code gives its class triple with factors 1.0 (the table entries
      // themselves), single codes their bit count and their values.
      const uint8_t* rows;
      uint8_t single[3];
      double factors[3];
      if (item.Groups != nullptr) {
        const uint32_t c = bits.PeekAhead(at, item.Width);
        rows = c < item.GroupSize ? item.Groups[c] : SilentTriple;
        factors[0] = factors[1] = factors[2] = 1.0;
      } else {
        single[0] = single[1] = single[2] = static_cast<uint8_t>(item.Width);
        rows = single;
        for (int k = 0; k < 3; ++k)
          factors[k] = static_cast<int>(bits.PeekAhead(at + k * item.Width, item.Width)) + item.D;
      }
      const int sb = item.Subband;
      const int first = item.Channel < 0 ? 0 : item.Channel;
      const int last = item.Channel < 0 ? 1 : item.Channel;
      for (int ch = first; ch <= last; ++ch) {
        const int scaleIndex = scale[ch][sb][part];
        for (int k = 0; k < 3; ++k)
          samples[ch][k][sb] = factors[k] * tables.ScaleMultipliers[rows[k]][scaleIndex];
      }
    }
    for (int ch = 0; ch < channels; ++ch)
      for (int k = 0; k < 3; ++k)
        for (int sb = silentFrom; sb < 32; ++sb) samples[ch][k][sb] = 0.0;
  }
  bits.SkipBits(12 * granuleBits);
  return 36;
}

}  // namespace mpeg
