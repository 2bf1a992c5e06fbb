#include "platform/wmasdk/DataPackets.h"

#include <algorithm>
#include <cstring>

extern "C" {
#include <libavformat/avformat.h>
}

namespace {

constexpr int64_t DataHeaderSize = 50;
// The data object's identifier, 75B22636-668E-11CF-A6D9-00AA0062CE6C, as it is stored.
constexpr uint8_t DataObjectId[16] = {0x36, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                      0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};

uint64_t Little64(const uint8_t* bytes) {
  uint64_t value = 0;
  for (int i = 7; i >= 0; --i) value = (value << 8) | bytes[i];
  return value;
}

}  // namespace

bool DataPackets::Read(AVFormatContext& format) {
  AVIOContext* pb = format.pb;
  if (pb == nullptr || format.packet_size == 0) return false;
  const int64_t start = avio_tell(pb);
  const int64_t fileSize = avio_size(pb);
  if (start < DataHeaderSize || fileSize <= start) return false;
  uint8_t header[DataHeaderSize];
  const bool read = avio_seek(pb, start - DataHeaderSize, SEEK_SET) >= 0 &&
                    avio_read(pb, header, DataHeaderSize) == DataHeaderSize;
  if (avio_seek(pb, start, SEEK_SET) < 0 || !read) return false;
  if (std::memcmp(header, DataObjectId, sizeof DataObjectId) != 0) return false;

  const auto size = static_cast<int64_t>(format.packet_size);
  // Sizes far beyond the file are damage; the comparisons below stay within 64 bits.
  const uint64_t objectSize = std::min<uint64_t>(Little64(header + 16), INT64_MAX / 2);
  const uint64_t packetCount = std::min<uint64_t>(Little64(header + 40), INT64_MAX / size / 2);
  const int64_t bySize =
      objectSize > DataHeaderSize ? static_cast<int64_t>(objectSize - DataHeaderSize) / size : 0;
  const int64_t inFile = (fileSize - start + size - 1) / size;
  start_ = start;
  size_ = size;
  declared_ = std::max(bySize, static_cast<int64_t>(packetCount));
  count_ = declared_ > 0 ? std::min(inFile, declared_) : inFile;
  whole_ = (fileSize - start) / size;
  return true;
}

int64_t DataPackets::IndexAt(int64_t position) const {
  if (!Known() || position < start_ || (position - start_) % size_ != 0) return -1;
  const int64_t index = (position - start_) / size_;
  return index < count_ ? index : -1;
}

int64_t DataPackets::Containing(int64_t position) const {
  if (!Known() || position < start_) return -1;
  return std::min((position - start_) / size_, count_);
}
