// Where the decoded samples go in the output: each frame at the place its time in the file
// gives it, not after the samples given before it. What was lost before a frame becomes silence
// of its length (in whole frames, given in blocks of about a frame's size, so that neither the
// output nor the memory held grows with a time jump), and so does what was lost inside the
// last packet, up to the end the header declares. A time past what the header declares is
// damage, never a gap to fill: no output goes past the bound. After a seek, samples are
// counted from the time of the first packet read and those before the seek's target dropped.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/wmasdk/StreamTime.h"

class SamplePlacer {
 public:
  // What the file's header and the output format fix when the file is opened.
  struct Limits {
    uint32_t sampleRate = 0;
    uint32_t channels = 0;
    // The latest time, in ms, a packet may carry, and the bound of the output with it; 0 when
    // no time is believed (and nothing bounds the output).
    int64_t latestMs = 0;
    // The end the header declares, in ms; -1 when it declares none.
    int64_t declaredEndMs = -1;
    // How many samples one packet's data lasts; 0 when unknown.
    uint64_t packetSamples = 0;
  };

  // A decoded frame's time: its time stamp in the stream's time base (AV_NOPTS_VALUE: none),
  // how far the decoder's frames are ahead of their place, and whether the decoder gave it
  // after the end of the data.
  struct FrameTime {
    int64_t pts;
    int64_t heldBack;
    bool afterEnd;
  };

  enum class Taken { Block, Nothing, PastBound };

  void Open(const Limits& limits);

  // Whether a packet's time was fed already: read again after damage, or a damaged time.
  bool Repeated(int64_t pts, const StreamTime& time) const;
  // Notes a packet going to the decoder.
  void Fed(int64_t pts, int64_t duration, const StreamTime& time);

  // Places a frame's samples (`block`, `samples` per channel as decoded) by its time, with
  // silence for what was lost before it.
  void Place(std::vector<uint8_t>& block, int64_t samples, FrameTime frame, const StreamTime& time);
  // Places samples right after those placed before them.
  void PlaceNext(std::vector<uint8_t>& block);
  // Silence for what was lost after the last packet fed, up to the declared end.
  void PlaceLostEnd(const StreamTime& time);

  // The next block to give (Block, with its start in ms), Nothing while nothing is placed,
  // or PastBound when the next block would take the output past the bound.
  Taken Take(std::vector<uint8_t>& block, uint32_t& msTime);
  bool DeliveredAny() const { return deliveredAny_; }

  // Starts the output again at msTime, for a seek.
  void Seek(uint32_t msTime);

 private:
  bool PlausibleTime(int64_t pts, const StreamTime& time) const;
  uint64_t LostBefore(int64_t pts, int64_t samples, int64_t heldBack, const StreamTime& time) const;
  uint64_t LostAtEnd(const StreamTime& time) const;
  void DropBeforeSeekTarget(std::vector<uint8_t>& block);
  bool BeyondBound(size_t bytes) const;
  size_t FrameBytes() const { return static_cast<size_t>(limits_.channels) * 2; }

  Limits limits_;
  uint64_t boundSamples_ = 0;  // the most samples from the start the output may reach (0: none)
  // Silence still to give for lost samples, then the block placed after it.
  uint64_t silenceLeft_ = 0;
  uint64_t silenceChunk_ = 0;
  std::vector<uint8_t> placed_;
  bool hasPlaced_ = false;
  uint64_t lastFrameSamples_ = 0;
  // The time and end of the packet fed last (AV_NOPTS_VALUE, INT64_MIN, when none).
  int64_t fedPts_ = INT64_MIN;
  int64_t fedEnd_ = INT64_MIN;
  bool deliveredAny_ = false;
  // Samples delivered, from the start of the file: the blocks' times. Frame time stamps trail
  // the samples by the decoder's delay, so the count is kept instead.
  uint64_t samplesOut_ = 0;
  bool timeBasePending_ = false;  // a seek's first packet is still to come
  uint64_t seekTarget_ = 0;       // in samples
};
