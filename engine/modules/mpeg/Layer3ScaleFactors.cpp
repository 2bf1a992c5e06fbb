#include "engine/modules/mpeg/Layer3ScaleFactors.h"

namespace mpeg {

namespace {

constexpr int Slen1[16] = {0, 0, 0, 0, 3, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4};
constexpr int Slen2[16] = {0, 1, 2, 3, 0, 1, 2, 3, 1, 2, 3, 1, 2, 3, 2, 3};

// LsfBandCounts: [partition row][block kind: long, short, mixed][group]
constexpr int LsfBandCounts[6][3][4] = {
    {{6, 5, 5, 5}, {9, 9, 9, 9}, {6, 9, 9, 9}},
    {{6, 5, 7, 3}, {9, 9, 12, 6}, {6, 9, 12, 6}},
    {{11, 10, 0, 0}, {18, 18, 0, 0}, {15, 18, 0, 0}},
    {{7, 7, 7, 0}, {12, 12, 12, 0}, {6, 15, 12, 0}},
    {{6, 6, 6, 3}, {12, 9, 9, 6}, {6, 12, 9, 6}},
    {{8, 8, 5, 0}, {15, 12, 9, 0}, {6, 18, 9, 0}},
};

constexpr uint16_t Pack(int s1, int s2, int s3, int s4, int row, int preflag) {
  return static_cast<uint16_t>(s1 | (s2 << 3) | (s3 << 6) | (s4 << 9) | (row << 12) |
                               (preflag << 15));
}

inline int ReadValues(BitCursor& reader, int32_t* list, int& at, int count, int width) {
  for (int i = 0; i < count; ++i) list[at++] = static_cast<int32_t>(reader.ReadBits(width));
  return count * width;
}

}  // namespace

void BuildLsfScaleLayouts(Layer3Tables& tables) {
  for (int s = 0; s < 400; ++s)
    tables.LsfScaleLayout[s] = Pack(s / 80, (s / 16) % 5, (s % 16) / 4, s % 4, 0, 0);
  for (int s = 400; s < 500; ++s) {
    int v = s - 400;
    tables.LsfScaleLayout[s] = Pack(v / 20, (v / 4) % 5, v % 4, 0, 1, 0);
  }
  for (int s = 500; s < 512; ++s) {
    int v = s - 500;
    tables.LsfScaleLayout[s] = Pack(v / 3, v % 3, 0, 0, 2, 1);
  }
  for (int v = 0; v < 180; ++v)
    tables.LsfIntensityLayout[v] = Pack(v / 36, (v / 6) % 6, v % 6, 0, 3, 0);
  for (int v = 180; v < 244; ++v) {
    int w = v - 180;
    tables.LsfIntensityLayout[v] = Pack(w / 16, (w / 4) % 4, w % 4, 0, 4, 0);
  }
  for (int v = 244; v < 256; ++v) {
    int w = v - 244;
    tables.LsfIntensityLayout[v] = Pack(w / 3, w % 3, 0, 0, 5, 0);
  }
}

int ReadScaleFactors(BitCursor& reader, int32_t* list, const GranuleInfo& info) {
  const int slen1 = Slen1[info.ScalefacCompress & 15];
  const int slen2 = Slen2[info.ScalefacCompress & 15];
  int at = 0;
  int bits = 0;
  if (info.BlockType == 2) {
    if (info.MixedBlockFlag) {
      bits += ReadValues(reader, list, at, 17, slen1);
    } else {
      bits += ReadValues(reader, list, at, 18, slen1);
    }
    bits += ReadValues(reader, list, at, 18, slen2);
    for (int i = 0; i < 3; ++i) list[at++] = 0;
    return bits;
  }
  if (info.Scfsi < 0) {
    bits += ReadValues(reader, list, at, 11, slen1);
    bits += ReadValues(reader, list, at, 10, slen2);
  } else {
    constexpr int GroupStart[5] = {0, 6, 11, 16, 21};
    for (int g = 0; g < 4; ++g) {
      at = GroupStart[g];
      if (info.Scfsi & (8 >> g)) continue;
      bits +=
          ReadValues(reader, list, at, GroupStart[g + 1] - GroupStart[g], g < 2 ? slen1 : slen2);
    }
  }
  list[21] = 0;
  return bits;
}

int ReadScaleFactorsLsf(const Layer3Tables& tables, BitCursor& reader, int32_t* list,
                        GranuleInfo& info, bool intensity, int32_t* illegalPositions) {
  const unsigned layout = intensity ? tables.LsfIntensityLayout[(info.ScalefacCompress >> 1) & 255]
                                    : tables.LsfScaleLayout[info.ScalefacCompress & 511];
  info.Preflag = static_cast<int32_t>((layout >> 15) & 1);
  const int row = static_cast<int>((layout >> 12) & 7);
  const int kind = info.BlockType != 2 ? 0 : info.MixedBlockFlag ? 2 : 1;
  int at = 0;
  int bits = 0;
  for (int g = 0; g < 4; ++g) {
    const int count = LsfBandCounts[row][kind][g];
    const int width = static_cast<int>((layout >> (3 * g)) & 7);
    if (illegalPositions != nullptr) {
      for (int i = 0; i < count && at + i < ScaleFactorListSize; ++i)
        illegalPositions[at + i] = (1 << width) - 1;
    }
    bits += ReadValues(reader, list, at, count, width);
  }
  if (illegalPositions != nullptr) {
    for (int i = at; i < ScaleFactorListSize; ++i) illegalPositions[i] = -1;
  }
  for (int i = 0; i < 2 * kind + 1 && at < ScaleFactorListSize; ++i) list[at++] = 0;
  while (at < ScaleFactorListSize) list[at++] = 0;
  return bits;
}

}  // namespace mpeg
