#include "engine/modules/mpeg/FrameReader.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/FrameTables.h"
#include "engine/modules/mpeg/Layer2Tables.h"

namespace mpeg {

namespace {

constexpr uint32_t SyncMask = 0xFFE00000u;
// Sync, version, layer and sampling-rate bits: what every frame of a stream shares with its
// first frame (the bit rate may change from frame to frame, and so may the protection bit).
constexpr uint32_t StreamMask = 0xFFFE0C00u;

bool PassesValidity(uint32_t word) {
  return (word & SyncMask) == SyncMask && ((word >> 17) & 3u) != 0 && ((word >> 12) & 15u) != 15 &&
         ((word >> 10) & 3u) != 3;
}

bool Agrees(uint32_t word, uint32_t reference) {
  return (word & StreamMask) == (reference & StreamMask);
}

uint32_t BitRateIndexOf(uint32_t word) { return (word >> 12) & 15u; }

// A header of this stream that gives a frame length: valid, not free format.
bool UsableHeader(uint32_t word, uint32_t first) {
  return Agrees(word, first) && PassesValidity(word) && BitRateIndexOf(word) != 0;
}

uint32_t BigEndian32(const uint8_t* bytes) {
  return (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) | (uint32_t{bytes[2]} << 8) |
         bytes[3];
}

// Frame length in bytes (header included) from a valid header word alone, or its mean without
// padding when `mean` is set.
double FrameBytes(uint32_t word, bool mean = false) {
  const int32_t mpeg25 = (word & (1u << 20)) == 0 ? 1 : 0;
  const int32_t lsf = mpeg25 ? 1 : (word & (1u << 19)) == 0 ? 1 : 0;
  const int32_t layer = 4 - static_cast<int32_t>((word >> 17) & 3u);
  const int32_t rate = SampleRates[((word >> 10) & 3u) + (mpeg25 ? 6 : 3 * lsf)];
  const int32_t bitRate = BitRates[lsf][layer - 1][BitRateIndexOf(word)];
  const int32_t padding = static_cast<int32_t>((word >> 9) & 1u);
  if (mean) {
    if (layer == 1) return 4.0 * bitRate * 12000.0 / rate;
    return bitRate * 144000.0 / (layer == 3 ? rate << lsf : rate);
  }
  switch (layer) {
    case 1: return (bitRate * 12000 / rate + padding) * 4;
    case 2: return bitRate * 144000 / rate + padding;
    default: return bitRate * 144000 / (rate << lsf) + padding;
  }
}

}  // namespace

void FrameReader::Reset() {
  header_ = FrameHeader{};
  previousWord_ = 0;
  firstWord_ = 0;
  previousValid_ = false;
  firstFrameOffset_ = 0;
  soundStart_ = 0;
  soundBegin_ = 0;
  otherStreamAt_ = -1;
  searchUntil_ = INT64_MAX;
  expectedStart_ = -1;
  leadingLost_ = 0;
  pendingLost_ = 0;
  lostFrames_ = 0;
  frameLimit_ = 0;
  countedEnd_ = -1;
  framesCounted_ = 0;
  bytesCounted_ = 0;
  countedBitRate_ = 0;
  variableRate_ = false;
  encoderFrames_ = 0;
  encoderHeader_.Clear();
  frameStart_ = 0;
  seekFrame_ = 0;
  seekTarget_ = 0.0;
  framesInOrder_.clear();
  readingInOrder_ = true;
}

bool FrameReader::ShiftInByte(uint32_t& word, FrameStatus& status) {
  uint8_t byte = 0;
  int32_t got = 0;
  if (!input_.Read(&byte, 1, &got)) RaiseModuleFailure(qvInputFailure);
  if (got == 0) {
    status = EndOfInput;
    return false;
  }
  word = (word << 8) | byte;
  return true;
}

bool FrameReader::SkipId3v2Tag() {
  uint8_t rest[6];
  int32_t got = 0;
  if (!input_.Read(rest, 6, &got) || got < 6) return false;
  int64_t size = (int64_t{rest[2] & 0x7Fu} << 21) | ((rest[3] & 0x7Fu) << 14) |
                 ((rest[4] & 0x7Fu) << 7) | (rest[5] & 0x7Fu);
  int64_t remembered = input_.Position();
  if (!input_.Seek(size, 1)) {
    input_.Seek(remembered, 0);
    return false;
  }
  return true;
}

// Whether the word's frame is followed by the start of another frame of its stream, or ends
// the sound: nothing that could hold a header is left between it and the end of the input or
// the tags there. The input stands just after the word's four bytes, and does so again on
// return.
bool FrameReader::FollowedByFrameStart(uint32_t word) {
  const int64_t headerEnd = input_.Position();
  const int64_t frameEnd = headerEnd - 4 + static_cast<int64_t>(FrameBytes(word));
  bool followed = false;
  if (input_.Seek(frameEnd, 0)) {
    uint8_t next[4];
    int32_t got = 0;
    if (input_.Read(next, 4, &got) && got == 4) followed = UsableHeader(BigEndian32(next), word);
  }
  const int64_t soundEnd = SoundEnd();
  if (!followed) followed = frameEnd <= soundEnd && soundEnd - frameEnd < 4;
  if (!input_.Seek(headerEnd, 0)) RaiseModuleFailure(qvInputFailure);
  return followed;
}

FrameStatus FrameReader::FindFirstHeader(uint32_t& word) {
  int64_t searchStart = input_.Position() - 4;
  if ((word >> 8) == 0x494433u) {
    if (!SkipId3v2Tag()) RaiseModuleFailure(qvInputFailure);
    soundStart_ = input_.Position();
    searchStart = soundStart_;
  }
  // A header is taken once its frame is followed by another frame start (or ends the sound).
  // Free format and oversized bodies are never taken: their frames cannot be followed.
  uint32_t startWord = 0;
  bool headerSeen = false;
  FrameStatus status = NoFrame;
  int32_t shifts = 0;
  for (;;) {
    if (input_.Position() - 4 == searchStart) startWord = word;
    if (PassesValidity(word)) {
      headerSeen = true;
      if (BitRateIndexOf(word) != 0 && FrameBytes(word) - 4 <= MaxBodyLength &&
          FollowedByFrameStart(word))
        break;
    }
    if (shifts == SearchLimit || !ShiftInByte(word, status)) {
      // Headers, but none of a stream: not a stream of this decoder.
      if (headerSeen) return FrameRefused;
      return shifts == SearchLimit ? NoFrame : status;
    }
    ++shifts;
  }
  firstFrameOffset_ = input_.Position() - 4;
  // A damaged header at the start of the sound: its frames are lost, not absent.
  leadingLost_ = 0;
  if (Agrees(startWord, word) && BitRateIndexOf(word) != 0 && firstFrameOffset_ > searchStart) {
    const auto length = static_cast<int64_t>(FrameBytes(word));
    leadingLost_ = static_cast<int32_t>((firstFrameOffset_ - searchStart + length / 2) / length);
  }
  soundBegin_ = leadingLost_ > 0 ? searchStart : firstFrameOffset_;
  pendingLost_ = leadingLost_;
  return FrameRead;
}

// Whether the word, read where a frame of the stream should begin or met by a search, is the
// first header of a second stream: a valid one of another version, layer or sampling rate
// whose frame starts a run of frames of its own kind, each followed by the next. Fewer, or
// ones cut off by the end of the input, are a false sync in damage, passed over like any other.
// The input stands just after the word, and does so again on return.
bool FrameReader::OtherStreamBegins(uint32_t word) {
  constexpr int32_t FramesInARow = 4;
  if (Agrees(word, firstWord_) || !PassesValidity(word) || BitRateIndexOf(word) == 0 ||
      FrameBytes(word) - 4 > MaxBodyLength)
    return false;
  const int64_t headerEnd = input_.Position();
  int64_t frameEnd = headerEnd - 4 + static_cast<int64_t>(FrameBytes(word));
  int32_t frames = 1;
  while (frames < FramesInARow && input_.Seek(frameEnd, 0)) {
    uint8_t next[4];
    int32_t got = 0;
    if (!input_.Read(next, 4, &got) || got != 4) break;
    const uint32_t nextWord = BigEndian32(next);
    if (!UsableHeader(nextWord, word) || FrameBytes(nextWord) - 4 > MaxBodyLength) break;
    frameEnd += static_cast<int64_t>(FrameBytes(nextWord));
    ++frames;
  }
  if (!input_.Seek(headerEnd, 0)) RaiseModuleFailure(qvInputFailure);
  return frames == FramesInARow;
}

FrameStatus FrameReader::FindLostSync(uint32_t& word) {
  // Where none of the word's last three bytes can begin a header, the search passes over the
  // input up to the next byte that can (0xFF) at once: megabytes without a sync take a few
  // reads, and the stop request is looked at between them.
  constexpr int64_t SkipPiece = 1 << 16;
  constexpr uint32_t StopLook = 0xFFF;
  FrameStatus status = NoFrame;
  for (uint32_t shifts = 1;; ++shifts) {
    if (PassesValidity(word)) {
      if (Agrees(word, firstWord_) && BitRateIndexOf(word) != 0 &&
          FrameBytes(word) - 4 <= MaxBodyLength && FollowedByFrameStart(word))
        return FrameRead;
      if (OtherStreamBegins(word)) {
        // The first stream ends where its next frame should have begun.
        otherStreamAt_ = expectedStart_ >= 0 ? expectedStart_ : input_.Position() - 4;
        RaiseModuleFailure(qvInputFailure);
      }
    }
    if (input_.Position() >= searchUntil_) return NoFrame;
    if ((shifts & StopLook) == 0 && stopRequest_ != nullptr && stopRequest_->load() != 0)
      return NoFrame;
    if ((word & 0xFFu) != 0xFFu && (word & 0xFF00u) != 0xFF00u && (word & 0xFF0000u) != 0xFF0000u) {
      int64_t skipped = 0;
      if (!input_.SkipUntil(0xFF, std::min(SkipPiece, searchUntil_ - input_.Position()), &skipped))
        RaiseModuleFailure(qvInputFailure);
      if (skipped > 0) {
        word = 0;
        if (stopRequest_ != nullptr && stopRequest_->load() != 0) return NoFrame;
      }
    }
    if (!ShiftInByte(word, status)) return status;
  }
}

FrameStatus FrameReader::ParseHeader(uint32_t word) {
  FrameHeader& h = header_;
  if (firstWord_ == 0) firstWord_ = word;
  const uint32_t bitRateIndex = BitRateIndexOf(word);
  // Forbidden and free-format bit rates are refused before they count: the previous header and
  // its fields stay.
  if (bitRateIndex == 15 || bitRateIndex == 0) return FrameRefused;
  const int32_t mpeg25 = (word & (1u << 20)) == 0 ? 1 : 0;
  const int32_t lsf = mpeg25 ? 1 : (word & (1u << 19)) == 0 ? 1 : 0;
  if (previousWord_ == 0) {
    const uint32_t rateBits = (word >> 10) & 3u;
    h.Layer = 4 - static_cast<int32_t>((word >> 17) & 3u);
    h.RateIndex = static_cast<int32_t>(rateBits) + (mpeg25 ? 6 : 3 * lsf);
  }
  h.Mpeg25 = mpeg25;
  h.Lsf = lsf;
  // Each frame says for itself whether a check word follows its header.
  h.CrcPresent = (word & (1u << 16)) == 0 ? 1 : 0;
  h.Padding = static_cast<int32_t>((word >> 9) & 1u);
  h.Private = static_cast<int32_t>((word >> 8) & 1u);
  h.ChannelMode = static_cast<int32_t>((word >> 6) & 3u);
  h.ModeExtension = static_cast<int32_t>((word >> 4) & 3u);
  h.Copyright = static_cast<int32_t>((word >> 3) & 1u);
  h.Original = static_cast<int32_t>((word >> 2) & 1u);
  h.Emphasis = static_cast<int32_t>(word & 3u);
  h.BitRateIndex = static_cast<int32_t>(bitRateIndex);
  h.Channels = h.ChannelMode == 3 ? 1 : 2;
  previousWord_ = word;
  previousValid_ = false;

  const int32_t bitRate = BitRates[h.Lsf][h.Layer - 1][bitRateIndex];
  const int32_t rate = SampleRates[h.RateIndex];
  const bool joint = h.ChannelMode == 1;
  int32_t body = 0;
  switch (h.Layer) {
    case 1:
      h.StereoBound = joint ? 4 * h.ModeExtension + 4 : 32;
      body = (bitRate * 12000 / rate + h.Padding) * 4 - 4;
      break;
    case 2: {
      // A later frame's version bits may disagree with the first frame's rate; the table
      // choice then falls back on the rate's position within its group.
      h.AllocationTable =
          h.Lsf ? 4 : AllocationTableFor(h.RateIndex % 3, h.Channels, h.BitRateIndex);
      h.CodedSubbands = AllocationTableByNumber(h.AllocationTable).Subbands;
      h.StereoBound = joint ? 4 * h.ModeExtension + 4 : h.CodedSubbands;
      if (h.StereoBound > h.CodedSubbands) h.StereoBound = h.CodedSubbands;
      body = bitRate * 144000 / rate + h.Padding - 4;
      break;
    }
    default:
      h.SideInfoLength = (h.Lsf ? (h.Channels == 1 ? 9 : 17) : (h.Channels == 1 ? 17 : 32)) +
                         (h.CrcPresent ? 2 : 0);
      body = bitRate * 144000 / (rate << h.Lsf) + h.Padding - 4;
      break;
  }
  // A body the frame buffer cannot hold is a bad frame.
  if (body <= 0 || body > MaxBodyLength) return FrameRefused;
  h.BodyLength = body;
  previousValid_ = true;
  return FrameRead;
}

FrameStatus FrameReader::ReadFrame(BitCursor& cursor) {
  const FrameStatus status = ReadNextFrame(cursor);
  // A file that changed under the reader does not end where its stream ends.
  if (status == EndOfInput && !input_.Unchanged()) RaiseModuleFailure(qvInputFailure);
  return status;
}

FrameStatus FrameReader::ReadNextFrame(BitCursor& cursor) {
  lostFrames_ = 0;
  uint8_t bytes[4];
  int32_t got = 0;
  if (!input_.Read(bytes, 4, &got)) RaiseModuleFailure(qvInputFailure);
  // Nothing, or less than a header, after the last frame: the end of the input. An input
  // that holds less than a header before any frame is refused.
  if (got < 4) {
    if (firstWord_ == 0) RaiseModuleFailure(qvInputFailure);
    return EndOfInput;
  }
  uint32_t word = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                  (uint32_t{bytes[2]} << 8) | bytes[3];

  if (previousWord_ != 0 && word == previousWord_ && previousValid_ && expectedStart_ >= 0) {
    header_.HeaderChanged = false;
  } else {
    header_.HeaderChanged = true;
    FrameStatus status = FrameRead;
    if (firstWord_ == 0) {
      status = FindFirstHeader(word);
    } else if (PassesValidity(word) && BitRateIndexOf(word) == 0) {
      // A free-format header in place: refused (code 5); the search for the next frame starts
      // behind it.
      return FrameRefused;
    } else if (!UsableHeader(word, firstWord_) || expectedStart_ < 0) {
      // Not a header of the stream (a run of 0xFF bytes, zeros, text, a tag, damage, or a
      // second stream), or one where no frame is known to begin (after a seek, which lands
      // inside a frame as often as not): the search takes a followed one.
      status = FindLostSync(word);
    }
    if (status != FrameRead) return status;
    status = ParseHeader(word);
    if (status != FrameRead) return status;
  }

  const int32_t body = header_.BodyLength;
  const int64_t frameStart = input_.Position() - 4;
  frameStart_ = frameStart;
  int32_t lost = 0;
  if (expectedStart_ >= 0 && frameStart > expectedStart_) {
    // A lost header takes its frame's length with it: the frames lost are counted in the
    // stream's mean frame length (in a variable bit-rate stream the frame found behind them
    // may be several times longer or shorter than they were).
    lost = static_cast<int32_t>(
        static_cast<double>(frameStart - expectedStart_) / MeanFrameLength() + 0.5);
  }
  lostFrames_ = pendingLost_ + lost;
  pendingLost_ = 0;

  uint8_t* target = body_;
  int32_t delivered = 0;
  const bool ok = input_.Read(target, body, &delivered);
  if (ok && delivered == 0) return EndOfInput;
  if (!ok) delivered = 0;
  // A short or failed body read is completed with zeros and decoded.
  if (delivered < body) std::memset(target + delivered, 0, static_cast<size_t>(body - delivered));
  expectedStart_ = input_.Position();

  cursor.Start(target, body_ + MaxBodyLength);

  if (frameStart == firstFrameOffset_)
    encoderFrames_ = encoderHeader_.Parse(header_, body_) ? encoderHeader_.Frames() + 1 : 0;
  CountFrame(frameStart);
  RecordFrameInOrder(frameStart);
  ComputeFrameLimit();
  return FrameRead;
}

void FrameReader::RecordFrameInOrder(int64_t start) {
  if (!readingInOrder_ || framesInOrder_.size() >= MaxFramesInOrder) return;
  if (!framesInOrder_.empty() && start <= framesInOrder_.back().Start) return;
  const uint32_t next = framesInOrder_.empty() ? 0 : framesInOrder_.back().Number + 1;
  framesInOrder_.push_back({start, next + static_cast<uint32_t>(lostFrames_)});
}

// From the frame read last; a stream holds at least the frame that was read.
void FrameReader::ComputeFrameLimit() {
  int64_t limit;
  if (!variableRate_)
    limit = SoundSize() / (header_.BodyLength - header_.Padding + 5);
  else if (encoderFrames_ != 0)
    limit = encoderFrames_;
  else
    limit = SoundSize() * framesCounted_ / bytesCounted_;
  if (limit < 1) limit = 1;
  frameLimit_ = limit > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(limit);
}

void FrameReader::CountFrame(int64_t start) {
  if (start <= countedEnd_) return;
  countedEnd_ = start;
  ++framesCounted_;
  bytesCounted_ += header_.FrameLength();
  if (framesCounted_ == 1)
    countedBitRate_ = header_.BitRateIndex;
  else if (header_.BitRateIndex != countedBitRate_)
    variableRate_ = true;
}

void FrameReader::SurveyFrames(int64_t bytes) {
  const FrameHeader header = header_;
  const uint32_t previousWord = previousWord_;
  const bool previousValid = previousValid_;
  const int64_t until = input_.Position() + bytes;
  BitCursor cursor;
  // A search stops where the survey does. A failure ends only the survey; the run meets it
  // again where it happened.
  searchUntil_ = until;
  try {
    while (input_.Position() < until && ReadFrame(cursor) != EndOfInput) {
    }
  } catch (const ModuleFailure&) {
  }
  searchUntil_ = INT64_MAX;
  header_ = header;
  previousWord_ = previousWord;
  previousValid_ = previousValid;
  lostFrames_ = 0;
  // A constant bit rate keeps the limit of the frame read last, over the sound as the survey
  // found it (a second stream behind a short first one).
  ComputeFrameLimit();
}

double FrameReader::MeanFrameLength() const {
  if (!variableRate_) return FrameBytes(previousWord_, true);
  if (encoderFrames_ != 0) return static_cast<double>(SoundSize()) / encoderFrames_;
  return static_cast<double>(bytesCounted_) / static_cast<double>(framesCounted_);
}

int64_t FrameReader::SoundEnd() const {
  const int64_t end =
      input_.Size() - (input_.HasTag() ? StreamInput::TagSize : 0) - input_.TrailingTagsSize();
  return otherStreamAt_ >= 0 && otherStreamAt_ < end ? otherStreamAt_ : end;
}

int64_t FrameReader::SoundSize() const {
  const int64_t size = SoundEnd() - soundBegin_;
  return size > 0 ? size : 0;
}

bool FrameReader::Rewind() {
  if (!input_.Seek(firstFrameOffset_, 0)) return false;
  expectedStart_ = firstFrameOffset_;
  pendingLost_ = leadingLost_;
  readingInOrder_ = true;
  return true;
}

// Where the stream places the start of a frame of the sound, fractions interpolated: by the
// encoder's table (frame 0 is its header frame, the table counts the frames behind it) or at
// the mean frame length; and the other way round.
double FrameReader::PlaceOfFrame(double frame) const {
  if (variableRate_ && encoderHeader_.HasTable())
    return static_cast<double>(firstFrameOffset_ + encoderHeader_.HeaderFrameBytes()) +
           encoderHeader_.BytesBefore(frame - 1.0, SoundEnd() - firstFrameOffset_);
  const int64_t base = leadingLost_ > 0 ? soundStart_ : firstFrameOffset_;
  return static_cast<double>(base) + frame * MeanFrameLength();
}

double FrameReader::FramePlacedAt(double place) const {
  if (variableRate_ && encoderHeader_.HasTable())
    return 1.0 +
           encoderHeader_.FramesBefore(
               place - static_cast<double>(firstFrameOffset_ + encoderHeader_.HeaderFrameBytes()),
               SoundEnd() - firstFrameOffset_);
  const int64_t base = leadingLost_ > 0 ? soundStart_ : firstFrameOffset_;
  return (place - static_cast<double>(base)) / MeanFrameLength();
}

bool FrameReader::PositionAtFrame(uint32_t n) {
  if (n == 0 || n > frameLimit_ || previousWord_ == 0) return false;
  if (!input_.Seek(0, 1)) return false;
  const int64_t remembered = input_.Position();
  // Two bytes early, so that the padding of the frames before it cannot put the input past
  // its header; the search finds it.
  const int64_t base = leadingLost_ > 0 ? soundStart_ : firstFrameOffset_;
  const double place = PlaceOfFrame(n);
  int64_t target = static_cast<int64_t>(place) - 2;
  if (target < base) target = base;
  if (!input_.Seek(target, 0)) {
    input_.Seek(remembered, 0);
    return false;
  }
  expectedStart_ = -1;
  pendingLost_ = 0;
  readingInOrder_ = false;
  seekFrame_ = n;
  seekTarget_ = place;
  return true;
}

uint32_t FrameReader::FrameReachedBySeek() const {
  if (!variableRate_) return seekFrame_;
  if (!encoderHeader_.HasTable() && !framesInOrder_.empty() &&
      frameStart_ >= framesInOrder_.front().Start) {
    // Without a table the mean length places a frame far from where it is when the bit rate
    // swings: the frames read in order number the frame found, and beyond them the mean length
    // counts on from the last one.
    const auto after = std::upper_bound(
        framesInOrder_.begin(), framesInOrder_.end(), frameStart_,
        [](int64_t start, const PlacedFrame& frame) { return start < frame.Start; });
    const PlacedFrame& known = *(after - 1);
    if (after != framesInOrder_.end() || frameStart_ == known.Start) return known.Number;
    const double reached =
        known.Number +
        std::floor(static_cast<double>(frameStart_ - known.Start) / MeanFrameLength() + 0.5);
    if (std::isfinite(reached) && reached < 4294967295.0) return static_cast<uint32_t>(reached);
    return 0xFFFFFFFFu;
  }
  // The search went on from the place sought to the next frame start: the frame found lies as
  // many frames further in as the stream places those bytes.
  const double passed =
      FramePlacedAt(static_cast<double>(frameStart_)) - FramePlacedAt(seekTarget_);
  const double reached = seekFrame_ + std::floor(passed + 0.5);
  if (!std::isfinite(reached)) return seekFrame_;
  return reached < 0.0 ? 0 : reached > 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(reached);
}

}  // namespace mpeg
