#include "engine/modules/mpeg/Layer3SideInfo.h"

#include "engine/modules/mpeg/Layer3BandTables.h"

namespace mpeg {

namespace {

// False when the granule's side information is impossible (window switching with block_type 0).
bool ReadGranule(BitCursor& reader, GranuleInfo& info, bool lsf, bool middleSide, int rateIndex) {
  info.Part23Length = static_cast<int32_t>(reader.ReadBits(12));
  info.BigValues = static_cast<int32_t>(reader.ReadBits(9));
  if (info.BigValues > 288) info.BigValues = 288;
  info.GlobalGain = 256 - static_cast<int32_t>(reader.ReadBits(8)) + (middleSide ? 2 : 0);
  info.ScalefacCompress = static_cast<int32_t>(reader.ReadBits(lsf ? 9 : 4));
  const bool switching = reader.ReadBit() != 0;
  if (switching) {
    info.BlockType = static_cast<int32_t>(reader.ReadBits(2));
    info.MixedBlockFlag = static_cast<int32_t>(reader.ReadBit());
    info.TableSelect[0] = static_cast<int32_t>(reader.ReadBits(5));
    info.TableSelect[1] = static_cast<int32_t>(reader.ReadBits(5));
    info.TableSelect[2] = 0;
    for (int w = 0; w < 3; ++w)
      info.WindowGain[w] = info.GlobalGain + 8 * static_cast<int32_t>(reader.ReadBits(3));
    // Region 1 starts after the first 36 lines of a short block (three times short band 3) and
    // after long band 7 otherwise: 18 or 27 pairs, except at 8 kHz, whose bands are wider.
    const Layer3BandTable& bands = BandTables[rateIndex];
    info.Region1Start =
        info.BlockType == 2 ? 3 * bands.ShortBoundary[3] / 2 : bands.LongBoundary[8] / 2;
    info.Region2Start = 288;
  } else {
    for (int r = 0; r < 3; ++r) info.TableSelect[r] = static_cast<int32_t>(reader.ReadBits(5));
    int region0 = static_cast<int>(reader.ReadBits(4));
    int region1 = static_cast<int>(reader.ReadBits(3));
    const int16_t* boundary = BandTables[rateIndex].LongBoundary;
    int first = region0 + 1;
    int second = region0 + region1 + 2;
    if (second > 22) second = 22;
    info.Region1Start = boundary[first] / 2;
    info.Region2Start = boundary[second] / 2;
    info.BlockType = 0;
    info.MixedBlockFlag = 0;
    info.WindowGain[0] = info.WindowGain[1] = info.WindowGain[2] = info.GlobalGain;
  }
  info.Preflag = lsf ? 0 : static_cast<int32_t>(reader.ReadBit());
  info.ScalefacScale = static_cast<int32_t>(reader.ReadBit());
  info.Count1TableSelect = static_cast<int32_t>(reader.ReadBit());
  return !(switching && info.BlockType == 0);
}

}  // namespace

int ReadSideInfo(BitCursor& reader, Layer3SideInfo& side, int channels, bool middleSide,
                 int rateIndex) {
  side.MainDataBegin = static_cast<int32_t>(reader.ReadBits(9));
  side.PrivateBits = static_cast<int32_t>(reader.ReadBits(channels == 1 ? 5 : 3));
  for (int ch = 0; ch < channels; ++ch) {
    side.Granule[0][ch].Scfsi = -1;
    side.Granule[1][ch].Scfsi = static_cast<int32_t>(reader.ReadBits(4));
  }
  int damaged = 0;
  for (int gr = 0; gr < 2; ++gr) {
    for (int ch = 0; ch < channels; ++ch) {
      if (!ReadGranule(reader, side.Granule[gr][ch], false, middleSide, rateIndex))
        damaged |= 1 << gr;
    }
  }
  return damaged;
}

int ReadSideInfoLsf(BitCursor& reader, Layer3SideInfo& side, int channels, bool middleSide,
                    int rateIndex) {
  side.MainDataBegin = static_cast<int32_t>(reader.ReadBits(8));
  side.PrivateBits = static_cast<int32_t>(reader.ReadBits(channels == 1 ? 1 : 2));
  int damaged = 0;
  for (int ch = 0; ch < channels; ++ch) {
    side.Granule[0][ch].Scfsi = -1;
    if (!ReadGranule(reader, side.Granule[0][ch], true, middleSide, rateIndex)) damaged = 1;
  }
  return damaged;
}

}  // namespace mpeg
