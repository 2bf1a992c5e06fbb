// The frame procedure and the bit reservoir, with hand-made MPEG-1 mono frames.
#include <gtest/gtest.h>

#include <memory>

#include "engine/modules/mpeg/Layer3Frame.h"
#include "engine/modules/mpeg/Layer3Hybrid.h"
#include "tests/engine/modules/mpeg/DecodeHarness.h"
#include "tests/engine/modules/mpeg/Layer3TestBits.h"

using namespace mpeg;

using namespace layer3test;

namespace {

struct Granule {
  int Part23 = 0;
  int BigValues = 0;
};

// One granule's data: line 0 of value 1.0 (table 1, pair (1, 0), positive).
const char* OneLine = "010";

// Side information (17 bytes) and main data of a mono 44.1 kHz frame.
std::vector<uint8_t> MakeFrame(int mainDataBegin, Granule g0, Granule g1,
                               const std::vector<uint8_t>& mainData) {
  BitWriter w;
  w.Put(static_cast<uint32_t>(mainDataBegin), 9);
  w.Put(0, 5);
  w.Put(0, 4);
  for (const Granule& g : {g0, g1}) {
    w.Put(static_cast<uint32_t>(g.Part23), 12);
    w.Put(static_cast<uint32_t>(g.BigValues), 9);
    w.Put(210, 8);
    w.Put(0, 4);
    w.Put(0, 1);
    w.Put(1, 5);  // table 1 in every region
    w.Put(1, 5);
    w.Put(1, 5);
    w.Put(15, 4);
    w.Put(7, 3);
    w.Put(0, 3);
  }
  std::vector<uint8_t> body = w.Bytes();
  body.resize(w.Size());
  body.insert(body.end(), mainData.begin(), mainData.end());
  return body;
}

std::vector<uint8_t> MainData(size_t size, size_t at = 0, const char* bits = "") {
  BitWriter w;
  for (size_t i = 0; i < at * 8; ++i) w.PutBit(0);
  w.PutCode(bits);
  while (w.Size() < size || w.Bits() % 8) w.PutBit(0);
  std::vector<uint8_t> out = w.Bytes();
  out.resize(size);
  return out;
}

class Layer3FrameProcedure : public testing::Test {
 protected:
  void SetUp() override { BuildLayer3Tables(*state, 0, mpegtest::ChosenKernels()); }

  // Decodes a frame; for each granule: 1.0 when it decoded line 0 (its slots are what that
  // line gives after silence), 0.0 when silent, -1.0 otherwise (what an empty granule gives
  // after a decoded one: the fading overlap).
  std::vector<double> Decode(const std::vector<uint8_t>& body) {
    header.BodyLength = static_cast<int32_t>(body.size());
    const int count = DecodeLayer3(*state, header, body.data(), *slots);
    EXPECT_EQ(count, 36);
    std::vector<double> seen;
    for (int granule = 0; granule < count / 18; ++granule) {
      bool silent = true;
      bool oneLine = true;
      for (int k = 0; k < 18; ++k)
        for (int sb = 0; sb < 32; ++sb) {
          const double v = slots->Samples[0][18 * granule + k][sb];
          silent = silent && v == 0.0;
          oneLine = oneLine && v == oneLineSlots->Samples[0][k][sb];
        }
      seen.push_back(silent ? 0.0 : oneLine ? 1.0 : -1.0);
    }
    return seen;
  }

  // The slots of a granule whose only line is line 0 of value 1.0, after silence.
  static std::unique_ptr<SubbandSlots> OneLineSlots() {
    auto fresh = std::make_unique<Layer3State>();
    BuildLayer3Tables(*fresh, 0, mpegtest::ChosenKernels());
    auto slots = std::make_unique<SubbandSlots>();
    GranuleInfo info{};
    info.Maxb = 32;
    double spectrum[576] = {1.0};
    HybridSynthesis(*fresh, spectrum, 0, info, slots->Samples[0]);
    return slots;
  }

  static FrameHeader MonoHeader() {
    FrameHeader h;
    h.Layer = 3;
    h.Channels = 1;
    h.ChannelMode = 3;
    h.SideInfoLength = 17;
    return h;
  }

  std::unique_ptr<Layer3State> state = std::make_unique<Layer3State>();
  std::unique_ptr<SubbandSlots> slots = std::make_unique<SubbandSlots>();
  std::unique_ptr<SubbandSlots> oneLineSlots = OneLineSlots();
  FrameHeader header = MonoHeader();
};

TEST_F(Layer3FrameProcedure, OwnMainData) {
  EXPECT_EQ(Decode(MakeFrame(0, {3, 1}, {0, 0}, MainData(20, 0, OneLine))),
            (std::vector<double>{1.0, -1.0}));
}

TEST_F(Layer3FrameProcedure, MainDataReachesBackOverTwoFrames) {
  // 150 + 200 bytes before the third frame; its data begin 300 bytes back: 50 bytes into the first.
  Decode(MakeFrame(0, {}, {}, MainData(150, 50, OneLine)));
  Decode(MakeFrame(0, {}, {}, MainData(200)));
  EXPECT_EQ(Decode(MakeFrame(300, {3, 1}, {}, MainData(10))), (std::vector<double>{1.0, -1.0}));
}

TEST_F(Layer3FrameProcedure, SkippedFramesKeepTheReservoir) {
  std::vector<uint8_t> first = MakeFrame(0, {}, {}, MainData(150, 50, OneLine));
  header.BodyLength = static_cast<int32_t>(first.size());
  SkipLayer3Frame(*state, header, first.data());
  EXPECT_EQ(Decode(MakeFrame(100, {3, 1}, {}, MainData(10))), (std::vector<double>{1.0, -1.0}));
}

TEST_F(Layer3FrameProcedure, MainDataBeforeTheStreamGiveSilenceOfFullLength) {
  // Nothing supplied yet: both granules silent, nothing decoded from stale bytes.
  EXPECT_EQ(Decode(MakeFrame(10, {3, 1}, {3, 1}, MainData(20, 0, OneLine))),
            (std::vector<double>{0.0, 0.0}));
  // The reservoir is rebuilt from there: the next frame may use that frame's data.
  EXPECT_EQ(Decode(MakeFrame(20, {3, 1}, {}, MainData(5))), (std::vector<double>{1.0, -1.0}));
  ResetLayer3Reservoir(*state);
  EXPECT_EQ(Decode(MakeFrame(5, {3, 1}, {}, MainData(5))), (std::vector<double>{0.0, 0.0}));
}

// A granule whose Huffman data overrun its part is silent, and the other granule of the frame
// decodes from where the part lengths put it.
TEST_F(Layer3FrameProcedure, OverrunSilencesOnlyItsGranule) {
  // Granule 0 needs 3 bits of its 2; granule 1's line starts at bit 2.
  EXPECT_EQ(Decode(MakeFrame(0, {2, 1}, {3, 1}, MainData(20, 0, "01010"))),
            (std::vector<double>{0.0, 1.0}));
  // Granule 1 overruns: it hands over what an empty granule would, the fading overlap.
  SetUp();
  EXPECT_EQ(Decode(MakeFrame(0, {3, 1}, {2, 1}, MainData(20, 0, "010010"))),
            (std::vector<double>{1.0, -1.0}));
}

// A body cut anywhere, inside its side information too, and part lengths and big values at
// their largest read nothing beyond the frame or the reservoir (the sanitizer build sees every
// read): a cut frame is silence of full length, the reservoir keeps no more than its 512 bytes,
// and the frames after them decode as after any frame.
TEST_F(Layer3FrameProcedure, CutBodiesAndHugeLengthsStayInside) {
  std::vector<uint8_t> body = MakeFrame(511, {4095, 288}, {4095, 288}, MainData(1));
  for (size_t length : {size_t{0}, size_t{5}, size_t{17}, body.size()}) {
    SCOPED_TRACE(testing::Message() << length << " bytes");
    std::vector<uint8_t> cut(body.begin(), body.begin() + static_cast<long>(length));
    EXPECT_EQ(Decode(cut), (std::vector<double>{0.0, 0.0}));
    EXPECT_LE(state->ReservoirFill, ReservoirBytes);
  }
  for (int i = 0; i < 3; ++i) {
    Decode(MakeFrame(0, {4095, 288}, {4095, 288}, MainData(1500, 0, "1111")));
    EXPECT_EQ(state->ReservoirFill, ReservoirBytes);
  }
  // Two empty frames fade out what they left in the overlap; then a frame's own data decode.
  Decode(MakeFrame(0, {}, {}, MainData(20)));
  EXPECT_EQ(Decode(MakeFrame(0, {}, {}, MainData(20))), (std::vector<double>{0.0, 0.0}));
  EXPECT_EQ(Decode(MakeFrame(0, {3, 1}, {}, MainData(20, 0, OneLine))),
            (std::vector<double>{1.0, -1.0}));
}

}  // namespace
