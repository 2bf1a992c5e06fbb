#include "engine/modules/mpeg/FrameReader.h"

#include <cstring>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/FrameTables.h"
#include "engine/modules/mpeg/Layer2Tables.h"

namespace {

constexpr uint32_t SyncMask = 0xFFE00000u;
// Sync, version, layer, protection, bit-rate index, sampling-rate bits and private bit: the
// fields a resynchronised header must share with the stream's.
constexpr uint32_t MatchMask = 0xFFFFFD00u;

bool PassesValidity(uint32_t word) {
  return (word & SyncMask) == SyncMask && ((word >> 17) & 3u) != 0 && ((word >> 12) & 15u) != 15 &&
         ((word >> 10) & 3u) != 3;
}

bool Matches(uint32_t word, uint32_t reference) {
  return (word & MatchMask) == (reference & MatchMask);
}

}  // namespace

void FrameReader::Reset() {
  header_ = FrameHeader{};
  previousWord_ = 0;
  firstWord_ = 0;
  previousValid_ = false;
  firstFrameOffset_ = 0;
  frameLimit_ = 0;
  current_ = 0;
  currentBodyLength_ = 0;
  previousBodyLength_ = 0;
}

bool FrameReader::ShiftInByte(uint32_t& word, FrameStatus& status) {
  uint8_t byte = 0;
  int32_t got = 0;
  if (!input_.Read(&byte, 1, &got)) RaiseModuleFailure(0);
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

FrameStatus FrameReader::ParseHeader(uint32_t word) {
  FrameHeader& h = header_;
  if (firstWord_ == 0) firstWord_ = word;
  const uint32_t bitRateIndex = (word >> 12) & 15u;
  const int32_t mpeg25 = (word & (1u << 20)) == 0 ? 1 : 0;
  const int32_t lsf = mpeg25 ? 1 : (word & (1u << 19)) == 0 ? 1 : 0;
  if (previousWord_ == 0) {
    const uint32_t rateBits = (word >> 10) & 3u;
    if (bitRateIndex == 15 || rateBits == 3) return FrameRefused;
    h.Layer = 4 - static_cast<int32_t>((word >> 17) & 3u);
    h.RateIndex = static_cast<int32_t>(rateBits) + (mpeg25 ? 6 : 3 * lsf);
    h.CrcPresent = (word & (1u << 16)) == 0 ? 1 : 0;
  } else if (bitRateIndex == 15) {
    // Refused before it counts: the previous header and its fields stay.
    return FrameRefused;
  }
  h.Mpeg25 = mpeg25;
  h.Lsf = lsf;
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

  if (bitRateIndex == 0) return FrameRefused;  // free format

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
  uint8_t bytes[4];
  int32_t got = 0;
  if (!input_.Read(bytes, 4, &got)) RaiseModuleFailure(qvInputFailure);
  // Nothing, or less than a header, after the last frame: the end of the input.
  if (got < 4) return EndOfInput;
  uint32_t word = (uint32_t{bytes[0]} << 24) | (uint32_t{bytes[1]} << 16) |
                  (uint32_t{bytes[2]} << 8) | bytes[3];

  if (previousWord_ != 0 && word == previousWord_ && previousValid_) {
    header_.HeaderChanged = false;
  } else {
    header_.HeaderChanged = true;
    FrameStatus status = NoFrame;
    if (firstWord_ == 0) {
      if (!PassesValidity(word)) {
        if ((word >> 8) == 0x494433u && !SkipId3v2Tag()) RaiseModuleFailure(qvInputFailure);
        int32_t shifts = 0;
        do {
          if (shifts == SearchLimit) return NoFrame;
          if (!ShiftInByte(word, status)) return status;
          ++shifts;
        } while (!PassesValidity(word));
      }
      firstFrameOffset_ = input_.Position() - 4;
    } else if ((word & SyncMask) != SyncMask) {
      while (!Matches(word, previousWord_) && !Matches(word, firstWord_)) {
        if (!ShiftInByte(word, status)) return status;
      }
    }
    status = ParseHeader(word);
    if (status != FrameRead) return status;
  }

  const int32_t body = header_.BodyLength;
  const int32_t next = current_ ^ 1;
  uint8_t* target = buffers_[next] + BodyOffset;
  int32_t delivered = 0;
  const bool ok = input_.Read(target, body, &delivered);
  if (ok && delivered == 0) return EndOfInput;
  if (!ok) delivered = 0;
  // A short or failed body read is completed with zeros and decoded.
  if (delivered < body) std::memset(target + delivered, 0, static_cast<size_t>(body - delivered));

  current_ = next;
  previousBodyLength_ = currentBodyLength_;
  currentBodyLength_ = body;
  cursor.Start(target, buffers_[current_] + FrameBufferSize);

  const int64_t limit = input_.Size() / (body - header_.Padding + 5);
  frameLimit_ = limit > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(limit);
  return FrameRead;
}

bool FrameReader::Rewind() { return input_.Seek(firstFrameOffset_, 0); }

bool FrameReader::PositionAtFrame(uint32_t n) {
  if (n == 0 || n > frameLimit_) return false;
  if (!input_.Seek(0, 1)) return false;
  const int64_t remembered = input_.Position();
  if (!input_.Seek(int64_t{n} * header_.BodyLength, 0)) {
    input_.Seek(remembered, 0);
    return false;
  }
  return true;
}
