// Finds, checks and reads one MPEG audio frame after another into the frame buffer, and keeps
// the header of the frame read last.
#pragma once

#include <atomic>
#include <cstdint>
#include <vector>

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/EncoderHeaderFrame.h"
#include "engine/modules/mpeg/FrameHeader.h"
#include "engine/modules/mpeg/StreamInput.h"

namespace mpeg {

// Results of FrameReader::ReadFrame.
enum FrameStatus : int32_t {
  FrameRead = 1,
  NoFrame = 0,        // no header found (within the search limit before the first frame)
  FrameRefused = -1,  // no frame: a forbidden header field or an oversized body (code 5)
  EndOfInput = -2,
};

class FrameReader {
 public:
  static constexpr int32_t MaxBodyLength = 1792;
  static constexpr int32_t SearchLimit = 0x20000;  // bytes searched for the first header

  explicit FrameReader(StreamInput& input) : input_(input) {}

  // Forgets the headers of the previous input; called when an input is opened.
  void Reset();

  // Reads the next frame and points `cursor` at its body. Raises ModuleFailure{5} when the
  // input fails to deliver a header or holds less than one before any frame, when a read
  // fails, when the input ends changed (a file deleted, shortened or written since it was
  // opened), and where a second stream begins.
  // The first header is one whose frame is followed by another frame start that agrees with
  // it in version, layer and sampling rate, or by the end of the sound (a single frame);
  // when the search finds none, the input is refused (FrameRefused, code 5) if it saw any
  // header on its way, and holds no frame otherwise. A word that fails the validity test
  // (bit-rate index 15, sampling-rate bits 3) is never a header; a later free-format header is
  // refused (FrameRefused, code 5). A lost sync is found again at a header that agrees with
  // the first one in the same way and whose frame is followed as the first one's was. A valid
  // header of another version, layer or sampling rate that starts a run of four frames of its
  // own kind begins a second stream, which cannot join the first: the sound ends there.
  // A search that meets the stop request being watched gives up (NoFrame).
  FrameStatus ReadFrame(BitCursor& cursor);

  // The stop request that a long search looks at; null none.
  void WatchStopRequest(const std::atomic<uint8_t>* stop) { stopRequest_ = stop; }

  // Reads on, without decoding, through up to `bytes` of the input behind the frame read
  // last, so that the frame limit of a variable bit-rate stream stands on the mean length of
  // those frames; the header of the frame read last stays. The caller rewinds afterwards.
  void SurveyFrames(int64_t bytes);
  static constexpr int64_t SurveyBytes = 1 << 20;

  // How many frames of the stream were lost in front of the frame read last (a damaged header,
  // damaged bytes): the distance from where it should have begun, in its frame lengths.
  int32_t LostFrames() const { return lostFrames_; }

  // Back to the first frame (past any ID3v2 tag), or to the start before one was found.
  bool Rewind();
  // Moves the input to just before the start of frame n, counted in the sound alone (tags
  // left out): a variable bit rate by the encoder's table of positions where the stream has
  // one, else by the mean frame length. False when refused (n is 0 or beyond the frame limit,
  // or positioning failed), and the input stays where it was.
  bool PositionAtFrame(uint32_t n);
  // The number of the frame read first after PositionAtFrame: n at a constant bit rate; at a
  // variable one with a table, n and the frames that the search passed on its way, counted
  // where the table places the bytes it passed; without a table, the frame's own number where
  // the frames up to it have been read in order, else counted on from the last of those at the
  // mean length.
  uint32_t FrameReachedBySeek() const;

  const FrameHeader& Header() const { return header_; }
  FrameHeader& Header() { return header_; }
  // The number of frames in the input. A constant bit rate: the sound's size over one more
  // than the length of the frame read last without padding. A variable one: the frame count
  // of the encoder's header frame ("Xing", "Info" or "VBRI"), else the sound's size over the
  // mean length of the frames read so far.
  uint32_t FrameLimit() const { return frameLimit_; }
  int64_t FirstFrameOffset() const { return firstFrameOffset_; }
  // Bytes of sound: from the first frame (or the damaged frames in front of it) to the last
  // frame's end as far as known: junk and an ID3v2 tag in front, the APE, Lyrics3 and ID3v1
  // tags at the end and a second stream are left out.
  int64_t SoundSize() const;

  // The body of the frame read last, Header().BodyLength bytes.
  const uint8_t* Body() const { return body_; }

 private:
  FrameStatus ReadNextFrame(BitCursor& cursor);
  bool ShiftInByte(uint32_t& word, FrameStatus& status);
  bool OtherStreamBegins(uint32_t word);
  void ComputeFrameLimit();
  bool SkipId3v2Tag();
  FrameStatus ParseHeader(uint32_t word);
  FrameStatus FindFirstHeader(uint32_t& word);
  FrameStatus FindLostSync(uint32_t& word);
  bool FollowedByFrameStart(uint32_t word);
  int64_t SoundEnd() const;
  void CountFrame(int64_t start);
  void RecordFrameInOrder(int64_t start);
  double MeanFrameLength() const;
  double PlaceOfFrame(double frame) const;
  double FramePlacedAt(double place) const;

  StreamInput& input_;
  FrameHeader header_;
  uint32_t previousWord_ = 0;
  uint32_t firstWord_ = 0;
  bool previousValid_ = false;  // the previous word's parse gave a usable body length
  int64_t firstFrameOffset_ = 0;
  int64_t soundStart_ = 0;           // after an ID3v2 tag
  int64_t soundBegin_ = 0;           // the first frame, or the damaged frames in front of it
  int64_t otherStreamAt_ = -1;       // where a second stream begins; -1 none found
  int64_t searchUntil_ = INT64_MAX;  // a search gives up here
  const std::atomic<uint8_t>* stopRequest_ = nullptr;
  int64_t expectedStart_ = -1;  // where the next frame should begin; -1 unknown
  int32_t leadingLost_ = 0;     // damaged frames in front of the first frame
  int32_t pendingLost_ = 0;     // reported with the next frame read
  int32_t lostFrames_ = 0;
  uint32_t frameLimit_ = 0;
  // The frames read so far, each once (those behind the furthest one counted): their number,
  // their bytes, the first one's bit-rate index and whether another one has come since.
  int64_t countedEnd_ = -1;
  int64_t framesCounted_ = 0;
  int64_t bytesCounted_ = 0;
  int32_t countedBitRate_ = 0;
  bool variableRate_ = false;
  uint32_t encoderFrames_ = 0;  // of the encoder's header frame, itself included; 0 none
  EncoderHeaderFrame encoderHeader_;
  int64_t frameStart_ = 0;  // of the frame read last
  // The frames read in order from the first one (no seek since the rewind): where each begins
  // and its number, lost frames counted.
  struct PlacedFrame {
    int64_t Start;
    uint32_t Number;
  };
  static constexpr size_t MaxFramesInOrder = size_t{1} << 18;
  std::vector<PlacedFrame> framesInOrder_;
  bool readingInOrder_ = true;
  // The last PositionAtFrame: the frame sought and where the stream places its start.
  uint32_t seekFrame_ = 0;
  double seekTarget_ = 0.0;
  alignas(16) uint8_t body_[MaxBodyLength] = {};
};

}  // namespace mpeg
