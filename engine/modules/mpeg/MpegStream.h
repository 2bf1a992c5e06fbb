// The decoder's one door to its input: owns the input, the frame reader over it and the bit
// cursor on the frame read last, numbers the frames it hands out, and holds the one lock that
// whoever reads, positions or decodes from another thread takes (the decode thread for each
// frame step, QVSetPos for its seek).
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/FrameHeader.h"
#include "engine/modules/mpeg/FrameReader.h"
#include "engine/modules/mpeg/StreamInput.h"

namespace mpeg {

class MpegStream {
 public:
  MpegStream() = default;
  MpegStream(const MpegStream&) = delete;
  MpegStream& operator=(const MpegStream&) = delete;

  // Opens the input and forgets the frames of the previous one; raises ModuleFailure{5}.
  void Open(const InputSource& source, QVByteBool* canSetPosition);
  void Close() { input_.Close(); }
  bool IsOpen() const { return input_.IsOpen(); }
  const StreamInput& Input() const { return input_; }
  const char* TagBlock() { return input_.TagBlock(); }

  std::unique_lock<std::mutex> Lock() { return std::unique_lock<std::mutex>(lock_); }

  // The next frame, its body under Cursor(). FrameRead, NoFrame (no header within the search
  // limit; no code), FrameRefused (a forbidden header field or an oversized body: code 5, no
  // frame), EndOfInput (reading past the last frame; no code). Raises ModuleFailure{5} when a
  // read fails, the input ends changed or a second stream begins.
  FrameStatus ReadFrame() { return reader_.ReadFrame(cursor_); }
  // The stop request a long frame search looks at during a run; null none.
  void WatchStopRequest(const std::atomic<uint8_t>* stop) { reader_.WatchStopRequest(stop); }
  // Reads on through the start of the stream without decoding, for the frame limit.
  void SurveyFrames() { reader_.SurveyFrames(FrameReader::SurveyBytes); }
  // Back to the first frame (past any ID3v2 tag), or to the start before one was found.
  bool Rewind() { return reader_.Rewind(); }
  // Just before frame n; false when refused, and the input stays where it was.
  bool PositionAtFrame(uint32_t n) { return reader_.PositionAtFrame(n); }
  // The number of the frame read first after PositionAtFrame, from where it was found.
  uint32_t FrameReachedBySeek() const { return reader_.FrameReachedBySeek(); }

  const FrameHeader& Header() const { return reader_.Header(); }
  // A run starts with no header change pending.
  void ClearHeaderChanged() { reader_.Header().HeaderChanged = false; }
  uint32_t FrameLimit() const { return reader_.FrameLimit(); }
  int32_t LostFrames() const { return reader_.LostFrames(); }
  int64_t FirstFrameOffset() const { return reader_.FirstFrameOffset(); }
  BitCursor& Cursor() { return cursor_; }
  // The body of the frame read last (after its 4 header bytes).
  const uint8_t* Body() const { return reader_.Body(); }

  // The frames handed out so far, counting the lost ones: the number of the next frame, the
  // input's first frame being frame 0.
  uint32_t FrameCounter() const { return frameCounter_.load(); }
  void SetFrameCounter(uint32_t frame) { frameCounter_.store(frame); }

 private:
  StreamInput input_;
  FrameReader reader_{input_};
  BitCursor cursor_;
  std::mutex lock_;
  // Read by the host's position queries while the decode thread counts.
  std::atomic<uint32_t> frameCounter_{0};
};

}  // namespace mpeg
