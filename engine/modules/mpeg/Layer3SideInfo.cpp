#include "engine/modules/mpeg/Layer3SideInfo.h"

#include "engine/modules/mpeg/Layer3BandTables.h"

namespace {

// False when the granule's side information is impossible (window switching with block_type 0).
bool ReadGranule(Layer3BitReader& reader, GranuleInfo& info, bool lsf, bool middleSide, int rateIndex) {
  info.part2_3_length = static_cast<int32_t>(reader.ReadBits(12));
  info.big_values = static_cast<int32_t>(reader.ReadBits(9));
  if (info.big_values > 288) info.big_values = 288;
  info.globalGain = 256 - static_cast<int32_t>(reader.ReadBits(8)) + (middleSide ? 2 : 0);
  info.scalefac_compress = static_cast<int32_t>(reader.ReadBits(lsf ? 9 : 4));
  const bool switching = reader.ReadBit() != 0;
  if (switching) {
    info.block_type = static_cast<int32_t>(reader.ReadBits(2));
    info.mixed_block_flag = static_cast<int32_t>(reader.ReadBit());
    info.table_select[0] = static_cast<int32_t>(reader.ReadBits(5));
    info.table_select[1] = static_cast<int32_t>(reader.ReadBits(5));
    info.table_select[2] = 0;
    for (int w = 0; w < 3; ++w) info.windowGain[w] = info.globalGain + 8 * static_cast<int32_t>(reader.ReadBits(3));
    // Region 1 starts after the first 36 lines of a short block (three times short band 3) and
    // after long band 7 otherwise: 18 or 27 pairs, except at 8 kHz, whose bands are wider.
    const Layer3BandTable& bands = kLayer3BandTables[rateIndex];
    info.region1start = info.block_type == 2 ? 3 * bands.shortBoundary[3] / 2 : bands.longBoundary[8] / 2;
    info.region2start = 288;
  } else {
    for (int r = 0; r < 3; ++r) info.table_select[r] = static_cast<int32_t>(reader.ReadBits(5));
    int region0 = static_cast<int>(reader.ReadBits(4));
    int region1 = static_cast<int>(reader.ReadBits(3));
    const int16_t* boundary = kLayer3BandTables[rateIndex].longBoundary;
    int first = region0 + 1;
    int second = region0 + region1 + 2;
    if (second > 22) second = 22;
    info.region1start = boundary[first] / 2;
    info.region2start = boundary[second] / 2;
    info.block_type = 0;
    info.mixed_block_flag = 0;
    info.windowGain[0] = info.windowGain[1] = info.windowGain[2] = info.globalGain;
  }
  info.preflag = lsf ? 0 : static_cast<int32_t>(reader.ReadBit());
  info.scalefac_scale = static_cast<int32_t>(reader.ReadBit());
  info.count1table_select = static_cast<int32_t>(reader.ReadBit());
  return !(switching && info.block_type == 0);
}

}  // namespace

int ReadSideInfo(Layer3BitReader& reader, Layer3SideInfo& side, int channels, bool middleSide, int rateIndex) {
  side.main_data_begin = static_cast<int32_t>(reader.ReadBits(9));
  side.private_bits = static_cast<int32_t>(reader.ReadBits(channels == 1 ? 5 : 3));
  for (int ch = 0; ch < channels; ++ch) {
    side.granule[0][ch].scfsi = -1;
    side.granule[1][ch].scfsi = static_cast<int32_t>(reader.ReadBits(4));
  }
  int damaged = 0;
  for (int gr = 0; gr < 2; ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      if (!ReadGranule(reader, side.granule[gr][ch], false, middleSide, rateIndex)) damaged |= 1 << gr;
    }
  }
  return damaged;
}

int ReadSideInfoLsf(Layer3BitReader& reader, Layer3SideInfo& side, int channels, bool middleSide, int rateIndex) {
  side.main_data_begin = static_cast<int32_t>(reader.ReadBits(8));
  side.private_bits = static_cast<int32_t>(reader.ReadBits(channels == 1 ? 1 : 2));
  int damaged = 0;
  for (int ch = 0; ch < channels; ++ch) {
    side.granule[0][ch].scfsi = -1;
    if (!ReadGranule(reader, side.granule[0][ch], true, middleSide, rateIndex)) damaged = 1;
  }
  return damaged;
}
