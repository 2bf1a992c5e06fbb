// The placing of decoded samples by their times: frames in order follow each other, a lost
// frame becomes silence of its length in bounded blocks, a time past the header's is damage
// and no gap, the output stops at the bound, the loss inside the last packet is filled up to
// the declared end, and a seek counts from the packet it reaches.
#include "platform/wmasdk/SamplePlacer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

extern "C" {
#include <libavutil/avutil.h>
}

namespace {

// Times in ms (the stream's time base here), 8000 samples a second: a frame of 1024 samples
// lasts 128 ms.
constexpr uint32_t Rate = 8000;
const StreamTime Ms{1, 1000, 0};

struct Event {
  enum Kind { Feed, Frame, Rest, LostEnd, Seek } kind;
  int64_t pts = 0;
  int64_t amount = 0;     // a packet's duration, a frame's samples, a seek's target
  int64_t heldBack = 0;   // of a frame
  bool afterEnd = false;  // of a frame
  bool repeated = false;  // of a packet: expected to be taken as read again
};

Event FeedAt(int64_t pts, int64_t duration, bool repeated = false) {
  return {Event::Feed, pts, duration, 0, false, repeated};
}
Event FrameAt(int64_t pts, int64_t samples = 1024, int64_t heldBack = 0) {
  return {Event::Frame, pts, samples, heldBack};
}
Event FrameAfterEnd(int64_t samples = 1024) {
  return {Event::Frame, AV_NOPTS_VALUE, samples, 0, true};
}
Event RestOf(int64_t samples) { return {Event::Rest, 0, samples}; }
Event EndOfData() { return {Event::LostEnd}; }
Event SeekTo(int64_t ms) { return {Event::Seek, 0, ms}; }

// A block given: its start, its samples, and which placed block it holds (1 the first, 0
// silence).
struct Block {
  uint32_t ms;
  size_t samples;
  int source;
  bool operator==(const Block&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Block& block) {
  return out << "{" << block.ms << " ms, " << block.samples << ", "
             << (block.source == 0 ? std::string("silence") : std::to_string(block.source)) << "}";
}

struct Case {
  const char* name;
  SamplePlacer::Limits limits;
  std::vector<Event> events;
  std::vector<Block> blocks;
  bool pastBound = false;  // the output ends at the bound after those blocks
};

SamplePlacer::Limits Limits(int64_t latestMs, int64_t declaredEndMs = -1,
                            uint64_t packetSamples = 0, uint32_t channels = 1) {
  SamplePlacer::Limits limits;
  limits.sampleRate = Rate;
  limits.channels = channels;
  limits.latestMs = latestMs;
  limits.declaredEndMs = declaredEndMs;
  limits.packetSamples = packetSamples;
  return limits;
}

const Case Cases[] = {
    {"frames in order follow each other",
     Limits(2000),
     {FrameAt(0), FrameAt(128), FrameAt(256)},
     {{0, 1024, 1}, {128, 1024, 2}, {256, 1024, 3}}},
    {"a lost frame becomes silence of its length",
     Limits(2000),
     {FrameAt(0), FrameAt(384)},
     {{0, 1024, 1}, {128, 1024, 0}, {256, 1024, 0}, {384, 1024, 2}}},
    {"stereo silence has both channels",
     Limits(2000, -1, 0, 2),
     {FrameAt(0), FrameAt(256)},
     {{0, 1024, 1}, {128, 1024, 0}, {256, 1024, 2}}},
    {"less than half a frame off is the rounding of the times",
     Limits(2000),
     {FrameAt(0), FrameAt(188)},
     {{0, 1024, 1}, {128, 1024, 2}}},
    {"silence of short frames comes in blocks of the smallest size",
     Limits(2000),
     {FrameAt(0, 128), FrameAt(80, 128)},
     {{0, 128, 1}, {16, 256, 0}, {48, 256, 0}, {80, 128, 2}}},
    {"a frame's time past the header's is damage, not a gap",
     Limits(2000),
     {FrameAt(0), FrameAt(50000)},
     {{0, 1024, 1}, {128, 1024, 2}}},
    {"with no time believed frames follow each other",
     Limits(0),
     {FrameAt(0), FrameAt(384)},
     {{0, 1024, 1}, {128, 1024, 2}}},
    {"frames are placed behind the decoder's delay",
     Limits(2000),
     {FrameAt(256, 1024, 256), FrameAt(640, 1024, 256)},
     {{0, 1024, 1}, {128, 1024, 0}, {256, 1024, 0}, {384, 1024, 2}}},
    {"a gap that runs past the bound ends the output",
     Limits(1000),
     {FrameAt(0), FrameAt(990)},
     {{0, 1024, 1},
      {128, 1024, 0},
      {256, 1024, 0},
      {384, 1024, 0},
      {512, 1024, 0},
      {640, 1024, 0},
      {768, 1024, 0}},
     true},
    {"frames past the bound end the output",
     Limits(300),
     {FrameAt(0), FrameAt(128), FrameAt(256)},
     {{0, 1024, 1}, {128, 1024, 2}},
     true},
    {"a loss inside the last packet is silence up to the declared end",
     Limits(2000, 1000, 4096),
     {FeedAt(0, 512), FrameAt(0), FrameAt(128), FrameAt(256), FrameAt(384), RestOf(0), EndOfData()},
     {{0, 1024, 1},
      {128, 1024, 2},
      {256, 1024, 3},
      {384, 1024, 4},
      {512, 1024, 0},
      {640, 1024, 0},
      {768, 1024, 0},
      {896, 1024, 0}}},
    {"a loss at the end longer than a packet is a header that does not fit the data",
     Limits(2000, 1000, 2048),
     {FeedAt(0, 512), FrameAt(0), FrameAt(128), FrameAt(256), FrameAt(384), EndOfData()},
     {{0, 1024, 1}, {128, 1024, 2}, {256, 1024, 3}, {384, 1024, 4}}},
    {"no declared end, no silence at the end",
     Limits(2000, -1, 4096),
     {FeedAt(0, 512), FrameAt(0), FrameAt(128), FrameAt(256), FrameAt(384), EndOfData()},
     {{0, 1024, 1}, {128, 1024, 2}, {256, 1024, 3}, {384, 1024, 4}}},
    {"a frame given after the end of the data follows the last packet fed",
     Limits(2000),
     {FeedAt(0, 128), FrameAt(0), FeedAt(384, 128), FrameAfterEnd()},
     {{0, 1024, 1}, {128, 1024, 0}, {256, 1024, 0}, {384, 1024, 0}, {512, 1024, 2}}},
    {"a packet read again is fed once; an unbelievable time is never taken as one",
     Limits(2000),
     {FeedAt(0, 128), FeedAt(128, 128), FeedAt(128, 128, true), FeedAt(0, 128, true),
      FeedAt(50000, 128), FeedAt(256, 128)},
     {}},
    {"a seek drops what lies before its target and counts from the packet it reaches",
     Limits(2000),
     {FrameAt(0), SeekTo(500), FeedAt(384, 128), FrameAt(384), FrameAt(512)},
     {{0, 1024, 1}, {500, 96, 2}, {512, 1024, 3}}},
};

class Placing : public testing::TestWithParam<Case> {};

TEST_P(Placing, GivesTheBlocksAtTheirPlaces) {
  const Case& c = GetParam();
  SamplePlacer placer;
  placer.Open(c.limits);
  const size_t frameBytes = c.limits.channels * 2;
  std::vector<Block> given;
  bool pastBound = false;
  int placed = 0;
  for (size_t i = 0; i < c.events.size() && !pastBound; ++i) {
    const Event& event = c.events[i];
    std::vector<uint8_t> block;
    switch (event.kind) {
      case Event::Feed: {
        const bool repeated = placer.Repeated(event.pts, Ms);
        EXPECT_EQ(repeated, event.repeated) << "packet at " << event.pts;
        if (!repeated) placer.Fed(event.pts, event.amount, Ms);
        break;
      }
      case Event::Frame:
        block.assign(static_cast<size_t>(event.amount) * frameBytes,
                     static_cast<uint8_t>(++placed));
        placer.Place(block, event.amount, {event.pts, event.heldBack, event.afterEnd}, Ms);
        break;
      case Event::Rest:
        block.assign(static_cast<size_t>(event.amount) * frameBytes,
                     static_cast<uint8_t>(++placed));
        placer.PlaceNext(block);
        break;
      case Event::LostEnd: placer.PlaceLostEnd(Ms); break;
      case Event::Seek: placer.Seek(static_cast<uint32_t>(event.amount)); break;
    }
    for (;;) {
      uint32_t ms = 0;
      const SamplePlacer::Taken taken = placer.Take(block, ms);
      if (taken == SamplePlacer::Taken::Nothing) break;
      if (taken == SamplePlacer::Taken::PastBound) {
        pastBound = true;
        break;
      }
      ASSERT_FALSE(block.empty());
      ASSERT_EQ(block.size() % frameBytes, 0u);
      // Every byte of a block is its source's.
      EXPECT_EQ(std::count(block.begin(), block.end(), block[0]),
                static_cast<ptrdiff_t>(block.size()));
      given.push_back({ms, block.size() / frameBytes, block[0]});
    }
  }
  EXPECT_EQ(given, c.blocks);
  EXPECT_EQ(pastBound, c.pastBound);
  EXPECT_EQ(placer.DeliveredAny(), !c.blocks.empty());
}

INSTANTIATE_TEST_SUITE_P(SamplePlacer, Placing, testing::ValuesIn(Cases),
                         [](const testing::TestParamInfo<Case>& info) {
                           std::string name = info.param.name;
                           for (char& ch : name)
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           return name;
                         });

}  // namespace
