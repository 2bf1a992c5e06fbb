// What an encoder's header frame says about the stream behind it: the number of frames and,
// where the encoder wrote one, its table of positions. The frame is a Layer III frame of
// silence in front of the sound; its body holds "Xing" or "Info" behind the side information,
// or "VBRI" 32 bytes in.
#pragma once

#include <array>
#include <cstdint>

#include "engine/modules/mpeg/FrameHeader.h"

namespace mpeg {

class EncoderHeaderFrame {
 public:
  static constexpr int32_t MaxTableEntries = 1792;  // 1-byte entries filling a body

  // Reads the frame whose header and body are given; false, and nothing held, when it is no
  // header frame or names no frame count.
  bool Parse(const FrameHeader& header, const uint8_t* body);
  void Clear() { *this = EncoderHeaderFrame{}; }

  // The frames behind the header frame (the input holds one more); 0 when unknown.
  uint32_t Frames() const { return frames_; }
  // The header frame's own length.
  uint32_t HeaderFrameBytes() const { return headerFrameBytes_; }
  // Whether the encoder wrote where the parts of the stream begin.
  bool HasTable() const { return kind_ != Kind::None; }

  // By the table: the bytes from the end of the header frame to where the sound reaches
  // `frame` frames behind it, fractions of a frame interpolated. `soundBytes` counts the
  // stream from the start of the header frame to its end, for a table that gives fractions of
  // a size it does not state. Only with a table.
  double BytesBefore(double frame, int64_t soundBytes) const;
  // The other way round: how many frames behind the header frame the sound has reached
  // `bytes` after its end.
  double FramesBefore(double bytes, int64_t soundBytes) const;

 private:
  enum class Kind { None, Fractions, Lengths };

  // "Xing": the bytes behind the header frame that its fractions divide.
  double BytesBehind(int64_t soundBytes) const;

  Kind kind_ = Kind::None;
  uint32_t frames_ = 0;
  uint32_t headerFrameBytes_ = 0;
  // "Xing": the stream's bytes when stated (0 otherwise) and, for each hundredth of the
  // duration, where it begins in 256ths of the stream behind the header frame.
  uint32_t streamBytes_ = 0;
  std::array<uint8_t, 100> fractions_{};
  // "VBRI": the byte length of each part of `framesPerEntry_` frames.
  std::array<uint32_t, MaxTableEntries> lengths_{};
  int32_t entries_ = 0;
  uint32_t framesPerEntry_ = 0;
};

}  // namespace mpeg
