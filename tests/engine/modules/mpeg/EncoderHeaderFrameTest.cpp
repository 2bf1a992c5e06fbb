// The encoder's header frame: its frame count and its table of positions, read from "Xing" and
// "VBRI" bodies whose fields are written here one by one, with the fields a flag leaves out,
// tables that do not fit the frame and values that say nothing.
#include "engine/modules/mpeg/EncoderHeaderFrame.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

using namespace mpeg;

namespace {

// MPEG-2.5 mono Layer III: 9 bytes of side information, a 204-byte body.
FrameHeader Mono(int32_t body = 204) {
  FrameHeader h;
  h.Layer = 3;
  h.Lsf = 1;
  h.Channels = 1;
  h.SideInfoLength = 9;
  h.BodyLength = body;
  return h;
}

void Put(std::vector<uint8_t>& body, size_t at, uint32_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i, value >>= 8)
    body[at + static_cast<size_t>(i)] = value & 0xFF;
}

// A "Xing" body: frames 1000, stream bytes 100,208 (the 208-byte header frame included) when
// flag 2 is given, and a table in which the first half of the time takes a quarter of the
// bytes.
std::vector<uint8_t> Xing(uint32_t flags, int32_t bodyLength = 204) {
  std::vector<uint8_t> body(static_cast<size_t>(bodyLength), 0);
  std::memcpy(body.data() + 9, "Xing", 4);
  Put(body, 13, flags, 4);
  size_t at = 17;
  if (flags & 1) Put(body, at, 1000, 4), at += 4;
  if (flags & 2) Put(body, at, 100208, 4), at += 4;
  if ((flags & 4) && at + 100 <= body.size())
    for (int i = 0; i < 100; ++i)
      body[at + static_cast<size_t>(i)] =
          static_cast<uint8_t>(i < 50 ? i * 64 / 50 : 64 + (i - 50) * 192 / 50);
  return body;
}

// A "VBRI" body: 1000 frames in parts of 10 frames, each part `part` x 2 bytes.
std::vector<uint8_t> Vbri(int32_t entries, uint32_t scale, int32_t entryBytes, uint32_t part) {
  std::vector<uint8_t> body(1792, 0);
  std::memcpy(body.data() + 32, "VBRI", 4);
  Put(body, 32 + 14, 1000, 4);
  Put(body, 32 + 18, static_cast<uint32_t>(entries), 2);
  Put(body, 32 + 20, scale, 2);
  Put(body, 32 + 22, static_cast<uint32_t>(entryBytes), 2);
  Put(body, 32 + 24, 10, 2);
  for (int32_t i = 0; i < entries && 58 + (i + 1) * entryBytes <= 1792; ++i)
    Put(body, static_cast<size_t>(58 + i * entryBytes), part, entryBytes);
  return body;
}

struct Case {
  const char* Name;
  FrameHeader Header;
  std::vector<uint8_t> Body;
  bool Parsed;
  uint32_t Frames;
  bool Table;
  // With a table: the bytes behind the header frame before frame 250 and frame 500.
  double Quarter, Half;
};

TEST(EncoderHeaderFrame, ReadsTheFieldsTheFlagsAnnounce) {
  const int64_t sound = 100208;  // what the input holds from the header frame on
  const std::vector<Case> cases = {
      {"xing", Mono(), Xing(7), true, 1000, true, 12500.0, 25000.0},
      // Without the stream's bytes the table follows the frame count, of the input's bytes.
      {"xing without bytes", Mono(), Xing(5), true, 1000, true, 12500.0, 25000.0},
      {"xing without table", Mono(), Xing(3), true, 1000, false, 0, 0},
      {"xing without frames", Mono(), Xing(6), false, 0, false, 0, 0},
      // A table that runs past the body is not read.
      {"xing table past the body", Mono(110), Xing(7, 110), true, 1000, false, 0, 0},
      {"xing in layer II",
       [] {
         FrameHeader h = Mono();
         h.Layer = 2;
         return h;
       }(),
       Xing(7), false, 0, false, 0, 0},
      {"vbri", Mono(1792), Vbri(100, 2, 2, 500), true, 1000, true, 25000.0, 50000.0},
      {"vbri 4-byte entries", Mono(1792), Vbri(100, 1, 4, 1000), true, 1000, true, 25000.0,
       50000.0},
      // Tables that say nothing, or do not fit the frame: the count alone.
      {"vbri scale 0", Mono(1792), Vbri(100, 0, 2, 500), true, 1000, false, 0, 0},
      {"vbri no entries", Mono(1792), Vbri(0, 1, 2, 500), true, 1000, false, 0, 0},
      {"vbri entries past the body", Mono(1792), Vbri(900, 1, 2, 500), true, 1000, false, 0, 0},
      {"vbri 5-byte entries", Mono(1792), Vbri(100, 1, 5, 500), true, 1000, false, 0, 0},
      {"vbri in a short body", Mono(57), Vbri(100, 1, 2, 500), false, 0, false, 0, 0},
      {"no header frame", Mono(), std::vector<uint8_t>(204, 0), false, 0, false, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    EncoderHeaderFrame frame;
    EXPECT_EQ(frame.Parse(c.Header, c.Body.data()), c.Parsed);
    EXPECT_EQ(frame.Frames(), c.Frames);
    EXPECT_EQ(frame.HasTable(), c.Table);
    if (!c.Table) continue;
    EXPECT_NEAR(frame.BytesBefore(0, sound), 0.0, 0.5);
    EXPECT_NEAR(frame.BytesBefore(250, sound), c.Quarter, 0.5);
    EXPECT_NEAR(frame.BytesBefore(500, sound), c.Half, 0.5);
    // And back: the bytes before a frame lie that many frames in.
    for (double f : {0.0, 125.0, 250.0, 500.0, 730.0})
      EXPECT_NEAR(frame.FramesBefore(frame.BytesBefore(f, sound), sound), f, 1e-6) << f;
  }
}

}  // namespace
