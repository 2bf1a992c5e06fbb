#include "platform/wmasdk/HeaderLayout.h"

#include <unistd.h>

#include <cstring>
#include <vector>

namespace {

constexpr uint8_t HeaderId[16] = {0x30, 0x26, 0xb2, 0x75, 0x8e, 0x66, 0xcf, 0x11,
                                  0xa6, 0xd9, 0x00, 0xaa, 0x00, 0x62, 0xce, 0x6c};
constexpr uint8_t FilePropertiesId[16] = {0xa1, 0xdc, 0xab, 0x8c, 0x47, 0xa9, 0xcf, 0x11,
                                          0x8e, 0xe4, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
constexpr uint8_t StreamPropertiesId[16] = {0x91, 0x07, 0xdc, 0xb7, 0xb7, 0xa9, 0xcf, 0x11,
                                            0x8e, 0xe6, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
constexpr uint8_t ExtensionId[16] = {0xb5, 0x03, 0xbf, 0x5f, 0x2e, 0xa9, 0xcf, 0x11,
                                     0x8e, 0xe3, 0x00, 0xc0, 0x0c, 0x20, 0x53, 0x65};
constexpr uint64_t HeaderStart = 30;     // id, size, object count, two reserved bytes
constexpr uint64_t ObjectStart = 24;     // id, size
constexpr uint64_t ExtensionStart = 46;  // and a reserved id, 2 bytes and the data's size
constexpr uint64_t StreamStart = 78;     // up to the end of the two lengths and the flags
constexpr uint64_t FilePropertiesSize = 104;
// Far more than any header holds (cover art included); a larger one is not read into memory.
constexpr uint64_t MaxHeaderSize = 64u << 20;

uint64_t Little(const uint8_t* at, int bytes) {
  uint64_t value = 0;
  for (int i = bytes - 1; i >= 0; --i) value = value << 8 | at[i];
  return value;
}

bool Is(const uint8_t* at, const uint8_t (&id)[16]) { return std::memcmp(at, id, 16) == 0; }

// The objects in [begin, end) of the header: each at least an object's start and within it.
bool ObjectsFit(const std::vector<uint8_t>& header, uint64_t begin, uint64_t end, bool inner) {
  uint64_t at = begin;
  while (at < end) {
    if (end - at < ObjectStart) return false;
    const uint8_t* object = header.data() + at;
    const uint64_t size = Little(object + 16, 8);
    if (size < ObjectStart || size > end - at) return false;
    if (Is(object, StreamPropertiesId)) {
      if (size < StreamStart) return false;
      const uint64_t lengths = Little(object + 64, 4) + Little(object + 68, 4);
      if (lengths > size - StreamStart) return false;
    } else if (Is(object, FilePropertiesId)) {
      if (size < FilePropertiesSize) return false;
      if (Little(object + 92, 4) != Little(object + 96, 4)) return false;
    } else if (Is(object, ExtensionId) && !inner) {
      if (size < ExtensionStart) return false;
      const uint64_t data = Little(object + 42, 4);
      if (data > size - ExtensionStart) return false;
      if (!ObjectsFit(header, at + ExtensionStart, at + ExtensionStart + data, true)) return false;
    }
    at += size;
  }
  return true;
}

}  // namespace

bool HeaderLayoutFits(int file, int64_t fileSize) {
  uint8_t start[HeaderStart];
  if (fileSize < static_cast<int64_t>(HeaderStart) ||
      ::pread(file, start, sizeof start, 0) != static_cast<ssize_t>(sizeof start))
    return false;
  // Not a header: the demuxer refuses it itself.
  if (!Is(start, HeaderId)) return true;
  const uint64_t size = Little(start + 16, 8);
  if (size < HeaderStart || size > static_cast<uint64_t>(fileSize) || size > MaxHeaderSize)
    return false;
  std::vector<uint8_t> header(size);
  size_t read = 0;
  while (read < size) {
    const ssize_t n = ::pread(file, header.data() + read, size - read, static_cast<off_t>(read));
    if (n <= 0) return false;
    read += static_cast<size_t>(n);
  }
  return ObjectsFit(header, HeaderStart, size, false);
}
