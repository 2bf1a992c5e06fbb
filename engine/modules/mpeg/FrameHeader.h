// The decoded fields of the frame read last.
#pragma once

#include <cstdint>

namespace mpeg {

struct FrameHeader {
  int32_t Lsf = 0;           // 1 for MPEG-2 and MPEG 2.5 (lower sampling frequencies)
  int32_t Mpeg25 = 0;        // 1 for MPEG 2.5
  int32_t Layer = 0;         // 1, 2 or 3: the first frame's
  int32_t CrcPresent = 0;    // a 16-bit check word follows the header: the first frame's
  int32_t BitRateIndex = 0;  // 1-14
  int32_t RateIndex = 0;     // 0-8, index of SampleRates: the first frame's
  int32_t Padding = 0;
  int32_t Private = 0;
  int32_t ChannelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
  int32_t ModeExtension = 0;
  int32_t Copyright = 0;
  int32_t Original = 0;
  int32_t Emphasis = 0;
  int32_t Channels = 0;         // 1 in single channel mode, 2 otherwise
  int32_t StereoBound = 0;      // first subband coded jointly (Layers I and II)
  int32_t AllocationTable = 0;  // Layer II: which of the five allocation tables
  int32_t CodedSubbands = 0;    // Layer II: subbands that table codes
  int32_t SideInfoLength = 0;   // Layer III: side information bytes, with the check word
  int32_t BodyLength = 0;       // frame length less the 4 header bytes
  bool HeaderChanged = false;   // this frame's header word differed from the previous one's

  int32_t SampleRate() const;  // of the rate index
  int32_t BitRate() const;     // kbit/s
  // Samples per channel in a frame: 384 in Layer I, 576 in Layer III with lsf, else 1152.
  int32_t SamplesPerFrame() const;
  // Subband slots per channel in a frame: its samples in 32 subbands.
  int32_t SlotsPerFrame() const { return SamplesPerFrame() / 32; }
  // Milliseconds of a frame at the rate of the rate index (not a halved output rate).
  double FrameDuration() const;
  // Bytes of the frame, header included.
  int32_t FrameLength() const { return BodyLength + 4; }
};

}  // namespace mpeg
