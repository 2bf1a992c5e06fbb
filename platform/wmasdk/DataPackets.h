// Where the data packets of a Windows Media file lie. A file whose packets all have one size
// (the header's packet size) holds them back to back after the 50-byte data object header, so
// packet i begins at a known place: a reader that has lost its way in a damaged packet can go
// on at the next one.
#pragma once

#include <cstdint>

struct AVFormatContext;

class DataPackets {
 public:
  // Reads the layout from a demuxer that has read the file's header and no packet yet. False
  // (the layout stays unknown) when the file gives no packet size or no data object there.
  bool Read(AVFormatContext& format);

  bool Known() const { return size_ != 0; }
  // The packets the file holds: as many as its header says (the larger of the data object's
  // size and its packet count, as either may be damaged), but no more than begin in the file.
  int64_t Count() const { return count_; }
  int64_t Start(int64_t index) const { return start_ + index * size_; }
  int64_t Size() const { return size_; }
  // The packet that begins at a position, or -1 when none does.
  int64_t IndexAt(int64_t position) const;
  // The packet a position lies in (-1 before the first, Count() past the last).
  int64_t Containing(int64_t position) const;
  // Whether a position lies at or past the end of the last packet.
  bool PastEnd(int64_t position) const { return Known() && position >= Start(count_); }
  // Whether the file ends before the packets its header says it holds: within a packet, or
  // short of the last one.
  bool CutShort() const { return Known() && whole_ < declared_; }

 private:
  int64_t start_ = 0;
  int64_t size_ = 0;
  int64_t count_ = 0;
  int64_t whole_ = 0;     // packets that end inside the file
  int64_t declared_ = 0;  // packets the header gives the data, 0 when it gives none
};
