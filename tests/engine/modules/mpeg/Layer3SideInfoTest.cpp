// Side information of MPEG-1 and lsf frames, and the scale factors it selects.
#include <gtest/gtest.h>

#include <memory>

#include "engine/modules/mpeg/Layer3Frame.h"
#include "engine/modules/mpeg/Layer3ScaleFactors.h"
#include "engine/modules/mpeg/Layer3SideInfo.h"
#include "tests/engine/modules/mpeg/DecodeHarness.h"
#include "tests/engine/modules/mpeg/Layer3TestBits.h"

using namespace mpeg;

using namespace layer3test;

namespace {

struct GranuleBits {
  int part23 = 100, bigValues = 10, globalGain = 210, compress = 0;
  bool switching = false;
  int blockType = 0, mixed = 0, tables[3] = {1, 2, 3}, subblockGain[3] = {0, 0, 0};
  int region0 = 0, region1 = 0;
  int preflag = 0, scale = 0, count1 = 0;
};

void PutGranule(BitWriter& w, const GranuleBits& g, bool lsf) {
  w.Put(static_cast<uint32_t>(g.part23), 12);
  w.Put(static_cast<uint32_t>(g.bigValues), 9);
  w.Put(static_cast<uint32_t>(g.globalGain), 8);
  w.Put(static_cast<uint32_t>(g.compress), lsf ? 9 : 4);
  w.Put(g.switching, 1);
  if (g.switching) {
    w.Put(static_cast<uint32_t>(g.blockType), 2);
    w.Put(static_cast<uint32_t>(g.mixed), 1);
    w.Put(static_cast<uint32_t>(g.tables[0]), 5);
    w.Put(static_cast<uint32_t>(g.tables[1]), 5);
    for (int s : g.subblockGain) w.Put(static_cast<uint32_t>(s), 3);
  } else {
    for (int t : g.tables) w.Put(static_cast<uint32_t>(t), 5);
    w.Put(static_cast<uint32_t>(g.region0), 4);
    w.Put(static_cast<uint32_t>(g.region1), 3);
  }
  if (!lsf) w.Put(static_cast<uint32_t>(g.preflag), 1);
  w.Put(static_cast<uint32_t>(g.scale), 1);
  w.Put(static_cast<uint32_t>(g.count1), 1);
}

// A mono MPEG-1 side information with both granules alike.
Layer3SideInfo ReadMono(const GranuleBits& g, int rate = 0, int mainDataBegin = 0, int scfsi = 0) {
  BitWriter w;
  w.Put(static_cast<uint32_t>(mainDataBegin), 9);
  w.Put(0, 5);
  w.Put(static_cast<uint32_t>(scfsi), 4);
  PutGranule(w, g, false);
  PutGranule(w, g, false);
  std::vector<uint8_t> bytes = w.Bytes();
  BitCursor reader;
  reader.Start(bytes.data(), bytes.data() + w.Size());
  Layer3SideInfo side{};
  ReadSideInfo(reader, side, 1, false, rate);
  EXPECT_EQ(reader.Tell(), 136u);
  return side;
}

Layer3SideInfo ReadLsfMono(const GranuleBits& g, int rate) {
  BitWriter w;
  w.Put(0, 8);
  w.Put(0, 1);
  PutGranule(w, g, true);
  std::vector<uint8_t> bytes = w.Bytes();
  BitCursor reader;
  reader.Start(bytes.data(), bytes.data() + w.Size());
  Layer3SideInfo side{};
  ReadSideInfoLsf(reader, side, 1, false, rate);
  EXPECT_EQ(reader.Tell(), 72u);
  return side;
}

TEST(Layer3SideInfo, Mpeg1FieldsAndRegions) {
  GranuleBits g;
  g.part23 = 1234;
  g.bigValues = 300;
  g.globalGain = 150;
  g.compress = 9;
  g.region0 = 3;
  g.region1 = 2;
  g.preflag = 1;
  g.scale = 1;
  g.count1 = 1;
  Layer3SideInfo side = ReadMono(g, 0, 511, 0b1010);
  EXPECT_EQ(side.MainDataBegin, 511);
  EXPECT_EQ(side.Granule[0][0].Scfsi, -1);
  EXPECT_EQ(side.Granule[1][0].Scfsi, 0b1010);
  const GranuleInfo& info = side.Granule[1][0];
  EXPECT_EQ(info.Part23Length, 1234);
  EXPECT_EQ(info.BigValues, 288);  // 300 is cut
  EXPECT_EQ(info.GlobalGain, 256 - 150);
  EXPECT_EQ(info.ScalefacCompress, 9);
  EXPECT_EQ(info.BlockType, 0);
  EXPECT_EQ(info.TableSelect[2], 3);
  EXPECT_EQ(info.Region1Start, 16 / 2);  // boundary 4 at 44.1 kHz
  EXPECT_EQ(info.Region2Start, 30 / 2);  // boundary 7
  EXPECT_EQ(info.Preflag, 1);
  EXPECT_EQ(info.ScalefacScale, 1);
  EXPECT_EQ(info.Count1TableSelect, 1);
}

TEST(Layer3SideInfo, RegionCountsBeyondTheBandsEndAtTheLastBoundary) {
  GranuleBits g;
  g.region0 = 15;
  g.region1 = 7;
  Layer3SideInfo side = ReadMono(g);
  EXPECT_EQ(side.Granule[0][0].Region1Start, 162 / 2);  // boundary 16
  EXPECT_EQ(side.Granule[0][0].Region2Start, 288);      // boundary 22
}

TEST(Layer3SideInfo, MiddleSideMovesTheGainPositions) {
  BitWriter w;
  w.Put(0, 9);
  w.Put(0, 3);
  w.Put(0, 8);
  GranuleBits g;
  g.switching = true;
  g.blockType = 2;
  g.subblockGain[1] = 3;
  for (int i = 0; i < 4; ++i) PutGranule(w, g, false);
  std::vector<uint8_t> bytes = w.Bytes();
  BitCursor reader;
  reader.Start(bytes.data(), bytes.data() + w.Size());
  Layer3SideInfo side{};
  ReadSideInfo(reader, side, 2, true, 0);
  EXPECT_EQ(reader.Tell(), 256u);
  EXPECT_EQ(side.Granule[1][1].GlobalGain, 256 - 210 + 2);
  EXPECT_EQ(side.Granule[1][1].WindowGain[1], 256 - 210 + 2 + 24);
}

TEST(Layer3SideInfo, WindowSwitchingRegions) {
  struct Case {
    bool Lsf;
    int Rate;
    int BlockType;
    int Region1;
  };
  const Case cases[] = {{false, 0, 2, 18}, {false, 0, 1, 18}, {false, 1, 3, 18},
                        {true, 3, 2, 18},  {true, 3, 1, 27},  {true, 4, 3, 27},
                        {true, 6, 1, 27},  {true, 8, 1, 54},  {true, 8, 2, 36}};
  for (const Case& c : cases) {
    GranuleBits g;
    g.switching = true;
    g.blockType = c.BlockType;
    g.mixed = 1;
    g.subblockGain[0] = 1;
    g.subblockGain[2] = 7;
    Layer3SideInfo side = c.Lsf ? ReadLsfMono(g, c.Rate) : ReadMono(g, c.Rate);
    const GranuleInfo& info = side.Granule[0][0];
    EXPECT_EQ(info.Region1Start, c.Region1) << c.Rate << " " << c.BlockType;
    EXPECT_EQ(info.Region2Start, 288);
    EXPECT_EQ(info.BlockType, c.BlockType);
    EXPECT_EQ(info.MixedBlockFlag, 1);
    EXPECT_EQ(info.TableSelect[2], 0);
    EXPECT_EQ(info.WindowGain[0], info.GlobalGain + 8);
    EXPECT_EQ(info.WindowGain[2], info.GlobalGain + 56);
  }
}

// Window switching with block_type 0 marks its granule as damaged and reads on.
TEST(Layer3SideInfo, WindowSwitchingWithBlockTypeZeroMarksItsGranule) {
  GranuleBits bad;
  bad.switching = true;
  bad.blockType = 0;
  GranuleBits good;
  for (const bool secondBad : {false, true}) {
    BitWriter w;
    w.Put(0, 9);
    w.Put(0, 5);
    w.Put(0, 4);
    PutGranule(w, secondBad ? good : bad, false);
    PutGranule(w, secondBad ? bad : good, false);
    std::vector<uint8_t> bytes = w.Bytes();
    BitCursor reader;
    reader.Start(bytes.data(), bytes.data() + w.Size());
    Layer3SideInfo side{};
    EXPECT_EQ(ReadSideInfo(reader, side, 1, false, 0), secondBad ? 2 : 1);
    EXPECT_EQ(reader.Tell(), 136u);
    EXPECT_EQ(side.Granule[secondBad ? 0 : 1][0].Part23Length, 100);
  }
  BitWriter w;
  w.Put(0, 8);
  w.Put(0, 1);
  PutGranule(w, bad, true);
  std::vector<uint8_t> bytes = w.Bytes();
  BitCursor reader;
  reader.Start(bytes.data(), bytes.data() + w.Size());
  Layer3SideInfo side{};
  EXPECT_EQ(ReadSideInfoLsf(reader, side, 1, false, 3), 1);
}

// Scale factors.

std::vector<uint8_t> Counting(int values, int width, BitWriter& w) {
  for (int i = 0; i < values; ++i) w.Put(static_cast<uint32_t>(i + 1) & ((1u << width) - 1), width);
  return w.Bytes();
}

TEST(Layer3ScaleFactors, Mpeg1LongBlocksAndReuse) {
  int32_t list[39] = {};
  GranuleInfo info{};
  info.ScalefacCompress = 15;  // slen 4 and 3
  info.Scfsi = -1;
  BitWriter w;
  for (int i = 0; i < 11; ++i) w.Put(static_cast<uint32_t>(i + 1), 4);
  for (int i = 0; i < 10; ++i) w.Put(static_cast<uint32_t>(i % 8), 3);
  std::vector<uint8_t> bytes = w.Bytes();
  BitCursor reader;
  reader.Start(bytes.data(), bytes.data() + w.Size());
  EXPECT_EQ(ReadScaleFactors(reader, list, info), 74);
  EXPECT_EQ(list[0], 1);
  EXPECT_EQ(list[10], 11);
  EXPECT_EQ(list[11], 0);
  EXPECT_EQ(list[20], 1);
  EXPECT_EQ(list[21], 0);

  // Granule 1, scfsi 15: nothing read, everything kept.
  int32_t kept[39];
  std::copy(list, list + 39, kept);
  info.Scfsi = 15;
  BitCursor none;
  none.Start(bytes.data(), bytes.data() + 0);
  EXPECT_EQ(ReadScaleFactors(none, list, info), 0);
  EXPECT_TRUE(std::equal(list, list + 22, kept));

  // scfsi 1010: bands 0 to 5 and 11 to 15 kept, 6 to 10 (4 bits) and 16 to 20 (3 bits) read.
  info.Scfsi = 0b1010;
  BitWriter w2;
  for (int i = 0; i < 5; ++i) w2.Put(15, 4);
  for (int i = 0; i < 5; ++i) w2.Put(7, 3);
  std::vector<uint8_t> bytes2 = w2.Bytes();
  BitCursor reader2;
  reader2.Start(bytes2.data(), bytes2.data() + w2.Size());
  EXPECT_EQ(ReadScaleFactors(reader2, list, info), 35);
  for (int b = 0; b < 6; ++b) EXPECT_EQ(list[b], kept[b]);
  for (int b = 6; b < 11; ++b) EXPECT_EQ(list[b], 15);
  for (int b = 11; b < 16; ++b) EXPECT_EQ(list[b], kept[b]);
  for (int b = 16; b < 21; ++b) EXPECT_EQ(list[b], 7);
}

TEST(Layer3ScaleFactors, Mpeg1ShortAndMixedBitCounts) {
  for (int mixed = 0; mixed < 2; ++mixed) {
    int32_t list[39];
    std::fill(list, list + 39, 9);
    GranuleInfo info{};
    info.BlockType = 2;
    info.MixedBlockFlag = mixed;
    info.ScalefacCompress = 10;  // slen 2 and 3
    BitWriter w;
    Counting(64, 1, w);
    std::vector<uint8_t> bytes = w.Bytes();
    BitCursor reader;
    reader.Start(bytes.data(), bytes.data() + w.Size());
    EXPECT_EQ(ReadScaleFactors(reader, list, info), (mixed ? 17 : 18) * 2 + 18 * 3);
    const int end = mixed ? 35 : 36;
    for (int i = end; i < end + 3; ++i) EXPECT_EQ(list[i], 0);
  }
}

TEST(Layer3ScaleFactors, LsfLayouts) {
  auto state = std::make_unique<Layer3State>();
  BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
  struct Case {
    bool Intensity;
    int Compress;
    int Slen[4];
    int Row;
    int Preflag;
  };
  const Case cases[] = {{false, 500, {0, 0, 0, 0}, 2, 1}, {false, 511, {3, 2, 0, 0}, 2, 1},
                        {false, 399, {4, 4, 3, 3}, 0, 0}, {false, 400, {0, 0, 0, 0}, 1, 0},
                        {true, 360, {0, 0, 0, 0}, 4, 0},  {true, 179 * 2, {4, 5, 5, 0}, 3, 0},
                        {true, 511, {3, 2, 0, 0}, 5, 0}};
  for (const Case& c : cases) {
    unsigned word = c.Intensity ? state->Tables.LsfIntensityLayout[c.Compress / 2]
                                : state->Tables.LsfScaleLayout[c.Compress];
    for (int i = 0; i < 4; ++i)
      EXPECT_EQ(static_cast<int>((word >> (3 * i)) & 7), c.Slen[i]) << c.Compress;
    EXPECT_EQ(static_cast<int>((word >> 12) & 7), c.Row) << c.Compress;
    EXPECT_EQ(static_cast<int>(word >> 15), c.Preflag) << c.Compress;
  }
}

TEST(Layer3ScaleFactors, LsfReadsGroupsAndSetsPreflag) {
  auto state = std::make_unique<Layer3State>();
  BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels());
  // 511: row 2, slen 3 and 2: long blocks 11 values of 3 bits and 10 of 2 bits.
  GranuleInfo info{};
  info.ScalefacCompress = 511;
  BitWriter w;
  for (int i = 0; i < 11; ++i) w.Put(5, 3);
  for (int i = 0; i < 10; ++i) w.Put(2, 2);
  std::vector<uint8_t> bytes = w.Bytes();
  BitCursor reader;
  reader.Start(bytes.data(), bytes.data() + w.Size());
  int32_t list[39];
  std::fill(list, list + 39, 9);
  EXPECT_EQ(ReadScaleFactorsLsf(state->Tables, reader, list, info, false), 53);
  EXPECT_EQ(info.Preflag, 1);
  EXPECT_EQ(list[10], 5);
  EXPECT_EQ(list[20], 2);
  EXPECT_EQ(list[21], 0);

  // The intensity channel with 5-bit positions (compress 2 x 35: slen 0, 5, 5): row 3.
  info.ScalefacCompress = 70;
  BitWriter w2;
  for (int i = 0; i < 14; ++i) w2.Put(31, 5);
  std::vector<uint8_t> bytes2 = w2.Bytes();
  BitCursor reader2;
  reader2.Start(bytes2.data(), bytes2.data() + w2.Size());
  EXPECT_EQ(ReadScaleFactorsLsf(state->Tables, reader2, list, info, true), 70);
  EXPECT_EQ(info.Preflag, 0);
  EXPECT_EQ(list[0], 0);
  EXPECT_EQ(list[7], 31);
  EXPECT_EQ(list[20], 31);
}

}  // namespace
