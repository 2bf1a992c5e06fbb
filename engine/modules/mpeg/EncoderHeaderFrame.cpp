#include "engine/modules/mpeg/EncoderHeaderFrame.h"

#include <cstring>

namespace mpeg {

namespace {

uint32_t BigEndian(const uint8_t* bytes, int32_t count) {
  uint32_t value = 0;
  for (int32_t i = 0; i < count; ++i) value = (value << 8) | bytes[i];
  return value;
}

constexpr uint32_t FramesFlag = 1, BytesFlag = 2, TableFlag = 4;
constexpr int32_t VbriOffset = 32;  // behind the 4 header bytes
constexpr int32_t VbriFixedBytes = 26;

}  // namespace

bool EncoderHeaderFrame::Parse(const FrameHeader& header, const uint8_t* body) {
  Clear();
  if (header.Layer != 3) return false;
  const int32_t length = header.BodyLength;
  const uint8_t* xing = body + header.SideInfoLength;
  const uint8_t* vbri = body + VbriOffset;
  uint32_t frames = 0;
  if (header.SideInfoLength + 12 <= length &&
      (std::memcmp(xing, "Xing", 4) == 0 || std::memcmp(xing, "Info", 4) == 0)) {
    // The fields that the flags announce follow the flags in this order.
    const uint32_t flags = BigEndian(xing + 4, 4);
    if ((flags & FramesFlag) == 0) return false;
    frames = BigEndian(xing + 8, 4);
    int32_t at = header.SideInfoLength + 12;
    if ((flags & BytesFlag) != 0) {
      if (at + 4 <= length) streamBytes_ = BigEndian(body + at, 4);
      at += 4;
    }
    if ((flags & TableFlag) != 0 && at + 100 <= length) {
      std::memcpy(fractions_.data(), body + at, 100);
      kind_ = Kind::Fractions;
    }
  } else if (VbriOffset + VbriFixedBytes <= length && std::memcmp(vbri, "VBRI", 4) == 0) {
    frames = BigEndian(vbri + 14, 4);
    const int32_t entries = static_cast<int32_t>(BigEndian(vbri + 18, 2));
    const uint32_t scale = BigEndian(vbri + 20, 2);
    const int32_t entryBytes = static_cast<int32_t>(BigEndian(vbri + 22, 2));
    framesPerEntry_ = BigEndian(vbri + 24, 2);
    // A table that does not fit the frame, or that says nothing, is not used.
    if (entries > 0 && entries <= MaxTableEntries && entryBytes >= 1 && entryBytes <= 4 &&
        scale != 0 && framesPerEntry_ != 0 &&
        VbriOffset + VbriFixedBytes + entries * entryBytes <= length) {
      const uint8_t* entry = vbri + VbriFixedBytes;
      for (int32_t i = 0; i < entries; ++i, entry += entryBytes)
        lengths_[static_cast<size_t>(i)] = BigEndian(entry, entryBytes) * scale;
      entries_ = entries;
      kind_ = Kind::Lengths;
    }
  }
  if (frames == 0 || frames == 0xFFFFFFFFu) {
    Clear();
    return false;
  }
  frames_ = frames;
  headerFrameBytes_ = static_cast<uint32_t>(length + 4);
  return true;
}

double EncoderHeaderFrame::BytesBehind(int64_t soundBytes) const {
  // The stated size counts the header frame too; the fractions are of what follows it.
  const int64_t stream = streamBytes_ > headerFrameBytes_ ? streamBytes_ : soundBytes;
  return static_cast<double>(stream - headerFrameBytes_);
}

double EncoderHeaderFrame::BytesBefore(double frame, int64_t soundBytes) const {
  if (frame < 0.0) frame = 0.0;
  if (kind_ == Kind::Fractions) {
    const double behind = BytesBehind(soundBytes);
    double percent = frame * 100.0 / frames_;
    if (percent > 100.0) percent = 100.0;
    auto i = static_cast<int32_t>(percent);
    if (i > 99) i = 99;
    const double from = fractions_[static_cast<size_t>(i)];
    const double to = i < 99 ? fractions_[static_cast<size_t>(i) + 1] : 256.0;
    return (from + (to - from) * (percent - i)) / 256.0 * behind;
  }
  if (kind_ == Kind::Lengths) {
    const double part = frame / framesPerEntry_;
    double bytes = 0.0;
    int32_t i = 0;
    for (; i < entries_ && i + 1 <= part; ++i) bytes += lengths_[static_cast<size_t>(i)];
    if (i < entries_) bytes += lengths_[static_cast<size_t>(i)] * (part - i);
    return bytes;
  }
  return 0.0;
}

double EncoderHeaderFrame::FramesBefore(double bytes, int64_t soundBytes) const {
  if (bytes < 0.0) bytes = 0.0;
  if (kind_ == Kind::Fractions) {
    const double behind = BytesBehind(soundBytes);
    if (behind <= 0.0) return 0.0;
    const double at = bytes / behind * 256.0;
    // The first hundredth that ends beyond it; one that the table gives no bytes is passed.
    for (int32_t i = 0; i < 100; ++i) {
      const double from = fractions_[static_cast<size_t>(i)];
      const double to = i < 99 ? fractions_[static_cast<size_t>(i) + 1] : 256.0;
      if (at < to) {
        const double within = to > from && at > from ? (at - from) / (to - from) : 0.0;
        return (i + within) * frames_ / 100.0;
      }
    }
    return frames_;
  }
  if (kind_ == Kind::Lengths) {
    double before = 0.0;
    for (int32_t i = 0; i < entries_; ++i) {
      const double part = lengths_[static_cast<size_t>(i)];
      if (bytes < before + part) return (i + (bytes - before) / part) * framesPerEntry_;
      before += part;
    }
    return static_cast<double>(entries_) * framesPerEntry_;
  }
  return 0.0;
}

}  // namespace mpeg
