#include "platform/wmasdk/SamplePlacer.h"

#include <algorithm>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/mathematics.h>
}

namespace {

// Silence for lost samples goes out in blocks of a frame's size, within these.
constexpr uint64_t MinSilenceChunk = 256;
constexpr uint64_t MaxSilenceChunk = 65536;

AVRational Base(const StreamTime& time) { return {time.num, time.den}; }

// A gap of `gap` samples in whole frames of `frameSamples`: less than half of one is the
// rounding of the times.
uint64_t WholeFrames(int64_t gap, int64_t frameSamples) {
  if (gap < frameSamples / 2) return 0;
  return static_cast<uint64_t>((gap + frameSamples / 2) / frameSamples * frameSamples);
}

}  // namespace

void SamplePlacer::Open(const Limits& limits) {
  limits_ = limits;
  if (limits.latestMs > 0)
    boundSamples_ = static_cast<uint64_t>(limits.latestMs) * limits.sampleRate / 1000;
}

// Whether a packet's time can be the stream's: within the bound the header gives. Without a
// declared duration no time is believed enough to fill a gap by.
bool SamplePlacer::PlausibleTime(int64_t pts, const StreamTime& time) const {
  if (pts == AV_NOPTS_VALUE || limits_.latestMs == 0) return false;
  if (time.num <= 0 || time.den <= 0) return false;
  const int64_t ms = av_rescale_q(pts - time.origin, Base(time), {1, 1000});
  return ms >= 0 && ms <= limits_.latestMs;
}

bool SamplePlacer::Repeated(int64_t pts, const StreamTime& time) const {
  return PlausibleTime(pts, time) && fedPts_ != AV_NOPTS_VALUE && pts <= fedPts_;
}

void SamplePlacer::Fed(int64_t pts, int64_t duration, const StreamTime& time) {
  if (timeBasePending_) {
    // After a seek, the samples are counted from the time stamp of the first packet read.
    timeBasePending_ = false;
    if (pts != AV_NOPTS_VALUE) {
      const int64_t ms = av_rescale_q(pts - time.origin, Base(time), {1, 1000});
      samplesOut_ = static_cast<uint64_t>(ClampToU32(ms)) * limits_.sampleRate / 1000;
    }
  }
  // A packet whose time lies past the end of the one before it: the demuxer passed over what
  // came between.
  if (!PlausibleTime(pts, time)) return;
  fedEnd_ = pts + duration;
  fedPts_ = pts;
}

// The samples lost before a frame, by its time: silence to give in front of it.
uint64_t SamplePlacer::LostBefore(int64_t pts, int64_t samples, int64_t heldBack,
                                  const StreamTime& time) const {
  if (!PlausibleTime(pts, time) || samples <= 0 || pts - time.origin < heldBack) return 0;
  const int64_t at = av_rescale_q(pts - time.origin - heldBack, Base(time),
                                  {1, static_cast<int>(limits_.sampleRate)});
  return WholeFrames(at - static_cast<int64_t>(samplesOut_), samples);
}

// Samples lost after the last packet fed: its end short of the end the header declares, as
// when the payloads of the last packets are lost.
uint64_t SamplePlacer::LostAtEnd(const StreamTime& time) const {
  if (limits_.declaredEndMs < 0 || !deliveredAny_ || fedEnd_ == AV_NOPTS_VALUE ||
      lastFrameSamples_ == 0)
    return 0;
  const int64_t end = av_rescale_q(limits_.declaredEndMs, {1, 1000}, Base(time)) + time.origin;
  if (end <= fedEnd_) return 0;
  const int64_t gap =
      av_rescale_q(end - fedEnd_, Base(time), {1, static_cast<int>(limits_.sampleRate)});
  // More than a packet's data lasts at the stream's bit rate is no loss inside the last
  // packet but a header whose duration is not the data's: nothing is added then.
  if (gap > static_cast<int64_t>(limits_.packetSamples)) return 0;
  return WholeFrames(gap, static_cast<int64_t>(lastFrameSamples_));
}

void SamplePlacer::Place(std::vector<uint8_t>& block, int64_t samples, FrameTime frame,
                         const StreamTime& time) {
  // What the decoder still held at the end follows the last packet fed.
  if (frame.pts == AV_NOPTS_VALUE && frame.afterEnd && fedEnd_ != AV_NOPTS_VALUE)
    frame.pts = fedEnd_;
  const uint64_t lost = LostBefore(frame.pts, samples, frame.heldBack, time);
  const auto frameSamples = static_cast<uint64_t>(std::max<int64_t>(samples, 0));
  lastFrameSamples_ = frameSamples;
  if (lost > 0) {
    silenceLeft_ = lost;
    silenceChunk_ = std::clamp(frameSamples, MinSilenceChunk, MaxSilenceChunk);
  }
  PlaceNext(block);
}

void SamplePlacer::PlaceNext(std::vector<uint8_t>& block) {
  placed_.swap(block);
  hasPlaced_ = true;
}

void SamplePlacer::PlaceLostEnd(const StreamTime& time) {
  silenceLeft_ = LostAtEnd(time);
  silenceChunk_ = std::clamp(lastFrameSamples_, MinSilenceChunk, MaxSilenceChunk);
}

// A seek lands at the packet before its target; the samples before the target are dropped,
// so delivery starts where it was asked to.
void SamplePlacer::DropBeforeSeekTarget(std::vector<uint8_t>& block) {
  if (samplesOut_ >= seekTarget_) return;
  const uint64_t frames = block.size() / FrameBytes();
  const uint64_t drop = std::min<uint64_t>(frames, seekTarget_ - samplesOut_);
  block.erase(block.begin(), block.begin() + static_cast<long>(drop * FrameBytes()));
  samplesOut_ += drop;
}

bool SamplePlacer::BeyondBound(size_t bytes) const {
  return boundSamples_ != 0 && samplesOut_ + bytes / FrameBytes() > boundSamples_;
}

SamplePlacer::Taken SamplePlacer::Take(std::vector<uint8_t>& block, uint32_t& msTime) {
  for (;;) {
    // Silence for what was lost, then the block placed after it: each within the bound.
    if (silenceLeft_ > 0) {
      const uint64_t samples = std::min(silenceLeft_, silenceChunk_);
      silenceLeft_ -= samples;
      block.assign(static_cast<size_t>(samples) * FrameBytes(), 0);
    } else if (hasPlaced_) {
      hasPlaced_ = false;
      block.swap(placed_);
    } else {
      return Taken::Nothing;
    }
    if (BeyondBound(block.size())) return Taken::PastBound;
    // Nothing of it may be left after a seek's target.
    DropBeforeSeekTarget(block);
    if (block.empty()) continue;
    msTime = ClampToU32(static_cast<int64_t>(samplesOut_ * 1000 / limits_.sampleRate));
    samplesOut_ += block.size() / FrameBytes();
    deliveredAny_ = true;
    return Taken::Block;
  }
}

void SamplePlacer::Seek(uint32_t msTime) {
  fedEnd_ = AV_NOPTS_VALUE;
  fedPts_ = AV_NOPTS_VALUE;
  silenceLeft_ = 0;
  hasPlaced_ = false;
  placed_.clear();
  seekTarget_ = static_cast<uint64_t>(msTime) * limits_.sampleRate / 1000;
  samplesOut_ = seekTarget_;
  timeBasePending_ = true;
}
