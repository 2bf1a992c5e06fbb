#include "engine/modules/mpeg/Layer2Decoder.h"

#include "engine/modules/mpeg/MpegDecoder.h"

namespace {

// The three codes of one subband (and of both channels in a shared subband), as three rows of
// ScaleMultipliers and three factors: sample k = factors[k] x ScaleMultipliers[rows[k]][scale
// index]. A grouped code gives its class triple with factors 1.0 (so a sample is the table
// entry itself), single codes give their bit count with the codes (d already added).
struct Layer2Codes {
  int Rows[3];
  double Factors[3];
};

// The codes start `at` bits after the cursor.
[[gnu::always_inline]] inline void ReadCodes(const BitCursor& bits, size_t at, const AllocationEntry& entry,
                                             const Layer2Tables& tables, Layer2Codes& codes) {
  const auto width = static_cast<uint32_t>(entry.Bits);
  if (entry.D > 0) {
    const uint32_t c = bits.PeekAhead(at, width);
    // A codeword beyond its group table decodes as silence.
    const uint8_t* classes = nullptr;
    switch (entry.D) {
      case 3:
        classes = c < 27 ? tables.Group3[c] : nullptr;
        break;
      case 5:
        classes = c < 125 ? tables.Group5[c] : nullptr;
        break;
      default:
        classes = c < 729 ? tables.Group9[c] : nullptr;
        break;
    }
    for (int k = 0; k < 3; ++k) {
      codes.Rows[k] = classes ? classes[k] : 0;
      codes.Factors[k] = classes ? 1.0 : 0.0;
    }
  } else {
    for (int k = 0; k < 3; ++k) {
      codes.Rows[k] = entry.Bits;
      codes.Factors[k] = static_cast<int>(bits.PeekAhead(at + k * width, width)) + entry.D;
    }
  }
}

[[gnu::always_inline]] inline void Requantize(const Layer2Codes& codes, const Layer2Tables& tables, int scale,
                                              double* out0, double* out1, double* out2) {
  *out0 = codes.Factors[0] * tables.ScaleMultipliers[codes.Rows[0]][scale];
  *out1 = codes.Factors[1] * tables.ScaleMultipliers[codes.Rows[1]][scale];
  *out2 = codes.Factors[2] * tables.ScaleMultipliers[codes.Rows[2]][scale];
}

}  // namespace

void DecodeLayer2(MpegDecoder& decoder) {
  BitCursor& bits = decoder.Cursor;
  const FrameHeader& header = decoder.Header();
  const Layer2Tables& tables = decoder.Layer2;
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
        case 2:
          s[0] = s[1] = s[2] = a;
          break;
        default:
          s[0] = a;
          s[1] = s[2] = static_cast<int>(bits.ReadBitsShort(6));
          break;
      }
    }

  // Every granule holds the same codes with the same widths: where each subband's codes lie
  // in a granule is known before the first is read, so the reads need not wait for each other.
  size_t offset[2][32] = {};
  size_t granuleBits = 0;
  for (int sb = 0; sb < coded; ++sb)
    for (int ch = 0; ch < (sb < bound ? channels : 1); ++ch) {
      const int a = allocation[ch][sb];
      if (a == 0) continue;
      const AllocationEntry& entry = table.Rows[sb].Entries[a - 1];
      offset[ch][sb] = granuleBits;
      granuleBits += static_cast<size_t>(entry.D > 0 ? entry.Bits : 3 * entry.Bits);
    }

  const int silentFrom =
      coded < (32 >> decoder.DownsampleLevel) ? coded : (32 >> decoder.DownsampleLevel);
  double samples[2][3][32];
  for (int granule = 0; granule < 12; ++granule) {
    const int part = granule / 4;
    const size_t start = granule * granuleBits;
    for (int sb = 0; sb < coded; ++sb) {
      const AllocationRow& row = table.Rows[sb];
      if (sb < bound) {
        for (int ch = 0; ch < channels; ++ch) {
          const int a = allocation[ch][sb];
          if (a == 0) {
            samples[ch][0][sb] = samples[ch][1][sb] = samples[ch][2][sb] = 0.0;
            continue;
          }
          Layer2Codes codes;
          ReadCodes(bits, start + offset[ch][sb], row.Entries[a - 1], tables, codes);
          Requantize(codes, tables, scale[ch][sb][part], &samples[ch][0][sb], &samples[ch][1][sb],
                     &samples[ch][2][sb]);
        }
      } else {
        const int a = allocation[0][sb];
        if (a == 0) {
          for (int ch = 0; ch < 2; ++ch)
            samples[ch][0][sb] = samples[ch][1][sb] = samples[ch][2][sb] = 0.0;
          continue;
        }
        // One set of codes for both channels, each with its own scale factors.
        Layer2Codes codes;
        ReadCodes(bits, start + offset[0][sb], row.Entries[a - 1], tables, codes);
        for (int ch = 0; ch < 2; ++ch)
          Requantize(codes, tables, scale[ch][sb][part], &samples[ch][0][sb], &samples[ch][1][sb],
                     &samples[ch][2][sb]);
      }
    }
    for (int ch = 0; ch < channels; ++ch)
      for (int k = 0; k < 3; ++k)
        for (int sb = silentFrom; sb < 32; ++sb) samples[ch][k][sb] = 0.0;
    for (int k = 0; k < 3; ++k) decoder.OutputSlot(samples[0][k], stereo ? samples[1][k] : nullptr);
  }
  bits.SkipBits(12 * granuleBits);
}
