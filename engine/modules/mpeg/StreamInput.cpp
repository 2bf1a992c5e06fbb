#include "engine/modules/mpeg/StreamInput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "engine/modules/common/InputFile.h"
#include "engine/modules/common/ModuleFailure.h"
#include "platform/win32/Files.h"

namespace mpeg {

StreamInput::~StreamInput() { Close(); }

void StreamInput::Open(const InputSource& source, QVByteBool* canSetPosition) {
  Close();
  size_ = 0;
  position_ = 0;
  tagPresent_ = false;
  trailingTagsSize_ = 0;
  modified_ = {};
  tag_.reset(new char[TagSize]());
  source_ = source;
  mode_ = source.Mode;

  if (mode_ == imCallback) {
    if (source_.Open == nullptr || source_.GetSize == nullptr || source_.Seek == nullptr ||
        source_.Read == nullptr) {
      Release();
      RaiseModuleFailure(qvInputFailure);
    }
    stream_ = 0;
    if (!QVTrue(source_.Open(source_.User, &stream_, canSetPosition))) {
      Release();
      RaiseModuleFailure(qvInputFailure);
    }
    // From here on the stream is the host's: a later failure closes it again.
    open_ = true;
    int32_t size = 0;
    if (!QVTrue(source_.GetSize(source_.User, stream_, &size))) {
      Close();
      RaiseModuleFailure(qvInputFailure);
    }
    size_ = size < 0 ? 0 : size;
  } else {
    if (source_.Name.empty()) {
      Release();
      RaiseModuleFailure(qvInputFailure);
    }
    fd_ = OpenRegularFileForReading(source_.Name.c_str());
    struct stat info;
    if (fd_ < 0 || ::fstat(fd_, &info) != 0) {
      Close();
      Release();
      RaiseModuleFailure(qvInputFailure);
    }
    open_ = true;
    size_ = info.st_size;
    modified_ = info.st_mtim;
    if (!readAhead_) readAhead_.reset(new uint8_t[ReadAheadSize]);
    aheadStart_ = aheadEnd_ = 0;
  }

  // The ID3v1 probe: the last 128 bytes; only 127 of them are read. An input shorter than a
  // tag has none, however the host's seek treats a position before the start.
  if (size_ >= TagSize && Seek(-TagSize, 2)) {
    int32_t got = 0;
    if (!Read(tag_.get(), TagSize - 1, &got) || got < TagSize - 1) {
      Close();
      RaiseModuleFailure(qvInputFailure);
    }
    tagPresent_ = std::memcmp(tag_.get(), "TAG", 3) == 0;
  }
  ProbeTrailingTags();
  if (!Seek(0, 0)) {
    Close();
    RaiseModuleFailure(qvInputFailure);
  }
}

// Tags behind the sound, in front of an ID3v1 tag: APE and Lyrics3 tags, in either order, each
// found by its footer. A footer that cannot be read is no tag.
void StreamInput::ProbeTrailingTags() {
  const int64_t soundEnd = size_ - (tagPresent_ ? TagSize : 0);
  int64_t end = soundEnd;
  for (int tags = 0; tags < 4; ++tags) {
    int64_t size = ApeTagAt(end);
    if (size == 0) size = Lyrics3TagAt(end);
    if (size == 0) break;
    end -= size;
  }
  trailingTagsSize_ = soundEnd - end;
}

// An APE tag ends in a 32-byte footer: "APETAGEX", the version, the size of the items and the
// footer, the item count and the flags (bit 31: a header of 32 bytes stands in front), all
// little-endian. Its size, or 0 when none ends at `end`.
int64_t StreamInput::ApeTagAt(int64_t end) {
  constexpr int32_t FooterSize = 32;
  const int64_t footerAt = end - FooterSize;
  uint8_t footer[FooterSize];
  int32_t got = 0;
  if (footerAt < 0 || !Seek(footerAt, 0) || !Read(footer, FooterSize, &got) || got < FooterSize ||
      std::memcmp(footer, "APETAGEX", 8) != 0)
    return 0;
  const auto little = [&footer](int at) {
    return uint32_t{footer[at]} | uint32_t{footer[at + 1]} << 8 | uint32_t{footer[at + 2]} << 16 |
           uint32_t{footer[at + 3]} << 24;
  };
  const int64_t size = int64_t{little(12)} + ((little(20) >> 31) != 0 ? FooterSize : 0);
  return size >= FooterSize && size <= end ? size : 0;
}

// A Lyrics3 tag begins with "LYRICSBEGIN". Version 2 ends in six digits, the size of the tag
// without them and the end mark, and "LYRICS200"; version 1 ends in "LYRICSEND" and holds at
// most 5100 bytes between its marks. Its size, or 0 when none ends at `end`.
int64_t StreamInput::Lyrics3TagAt(int64_t end) {
  constexpr int64_t Begin = 11;  // "LYRICSBEGIN"
  constexpr int64_t Mark = 9;    // "LYRICS200", "LYRICSEND"
  constexpr int64_t MostVersion1 = Begin + 5100 + Mark;
  char footer[6 + Mark];
  int32_t got = 0;
  if (end < 6 + Mark || !Seek(end - (6 + Mark), 0) || !Read(footer, 6 + Mark, &got) ||
      got < 6 + Mark)
    return 0;
  const auto beginsAt = [this](int64_t at) {
    char begin[Begin];
    int32_t read = 0;
    return at >= 0 && Seek(at, 0) && Read(begin, Begin, &read) && read == Begin &&
           std::memcmp(begin, "LYRICSBEGIN", Begin) == 0;
  };
  if (std::memcmp(footer + 6, "LYRICS200", Mark) == 0) {
    int64_t size = 0;
    for (int i = 0; i < 6; ++i) {
      if (footer[i] < '0' || footer[i] > '9') return 0;
      size = size * 10 + (footer[i] - '0');
    }
    return size >= Begin && beginsAt(end - 6 - Mark - size) ? size + 6 + Mark : 0;
  }
  if (std::memcmp(footer + 6, "LYRICSEND", Mark) != 0) return 0;
  const int64_t from = end - MostVersion1 > 0 ? end - MostVersion1 : 0;
  std::string text(static_cast<size_t>(end - Mark - from), '\0');
  if (!Seek(from, 0) || !Read(text.data(), static_cast<int32_t>(text.size()), &got) ||
      got != static_cast<int32_t>(text.size()))
    return 0;
  const size_t begin = text.rfind("LYRICSBEGIN");
  return begin == std::string::npos ? 0 : end - (from + static_cast<int64_t>(begin));
}

void StreamInput::Close() {
  if (open_) {
    if (mode_ == imCallback) {
      if (source_.Close != nullptr) source_.Close(source_.User, stream_);
    }
    open_ = false;
  }
  if (fd_ >= 0) {
    ::close(fd_);
    fd_ = -1;
  }
  Release();
}

void StreamInput::Release() {
  tag_.reset();
  tagPresent_ = false;
  trailingTagsSize_ = 0;
}

bool StreamInput::Read(void* buffer, int32_t bytes, int32_t* delivered) {
  *delivered = 0;
  if (!open_ || bytes < 0) return false;
  if (bytes == 0) return true;
  if (mode_ == imCallback) {
    int32_t got = 0;
    if (!QVTrue(source_.Read(source_.User, stream_, buffer, bytes, &got))) return false;
    // A callback that claims more than was asked is held to what was asked.
    if (got < 0) got = 0;
    if (got > bytes) got = bytes;
    *delivered = got;
    position_ += got;
    return true;
  }
  // A file is read ahead in large pieces: frames come a few hundred bytes at a time, and a
  // system call for each would cost more than decoding them.
  auto* out = static_cast<uint8_t*>(buffer);
  int32_t total = 0;
  while (total < bytes) {
    if (aheadStart_ == aheadEnd_) {
      const bool direct = bytes - total >= ReadAheadSize;
      uint8_t* into = direct ? out + total : readAhead_.get();
      const auto want = static_cast<size_t>(direct ? bytes - total : ReadAheadSize);
      ssize_t n = ::read(fd_, into, want);
      if (n < 0) {
        if (errno == EINTR) continue;
        if (total == 0) return false;
        break;
      }
      if (n == 0) break;
      if (direct) {
        // What the buffer holds is no longer just behind the position.
        aheadStart_ = aheadEnd_ = 0;
        total += static_cast<int32_t>(n);
        continue;
      }
      aheadStart_ = 0;
      aheadEnd_ = static_cast<size_t>(n);
    }
    const size_t take = std::min(aheadEnd_ - aheadStart_, static_cast<size_t>(bytes - total));
    std::memcpy(out + total, readAhead_.get() + aheadStart_, take);
    aheadStart_ += take;
    total += static_cast<int32_t>(take);
  }
  *delivered = total;
  position_ += total;
  return true;
}

bool StreamInput::Seek(int64_t offset, int32_t origin) {
  if (!open_) return false;
  if (mode_ == imCallback) {
    if (offset < INT32_MIN || offset > INT32_MAX) return false;
    int32_t position = static_cast<int32_t>(offset);
    if (!QVTrue(source_.Seek(source_.User, stream_, &position, origin))) return false;
    position_ = position;
    return true;
  }
  // A move within what was read ahead stays in it: the frame search looks one frame ahead and
  // comes back for every header it meets.
  if (origin != 2 && aheadEnd_ > 0) {
    const int64_t target = origin == 1 ? position_ + offset : offset;
    const int64_t aheadTo = position_ + static_cast<int64_t>(aheadEnd_ - aheadStart_);
    const int64_t aheadFrom = aheadTo - static_cast<int64_t>(aheadEnd_);
    if (target >= aheadFrom && target <= aheadTo) {
      aheadStart_ = static_cast<size_t>(target - aheadFrom);
      position_ = target;
      return true;
    }
  }
  // The file itself stands past what was read ahead: a move from the current position is
  // a move from where the reads have got to.
  off_t result = origin == 1   ? ::lseek(fd_, static_cast<off_t>(position_ + offset), SEEK_SET)
                 : origin == 0 ? ::lseek(fd_, static_cast<off_t>(offset), SEEK_SET)
                               : ::lseek(fd_, static_cast<off_t>(offset), SEEK_END);
  if (result < 0) return false;
  aheadStart_ = aheadEnd_ = 0;
  position_ = result;
  return true;
}

bool StreamInput::SkipUntil(uint8_t byte, int64_t most, int64_t* skipped) {
  *skipped = 0;
  if (!open_) return false;
  if (mode_ == imCallback || most <= 0) return true;
  if (aheadStart_ == aheadEnd_) {
    ssize_t n;
    do {
      n = ::read(fd_, readAhead_.get(), ReadAheadSize);
    } while (n < 0 && errno == EINTR);
    if (n < 0) return false;
    aheadStart_ = 0;
    aheadEnd_ = static_cast<size_t>(n);
  }
  const size_t span = std::min(aheadEnd_ - aheadStart_, static_cast<size_t>(most));
  const uint8_t* from = readAhead_.get() + aheadStart_;
  const auto* found = static_cast<const uint8_t*>(std::memchr(from, byte, span));
  const size_t passed = found != nullptr ? static_cast<size_t>(found - from) : span;
  aheadStart_ += passed;
  position_ += static_cast<int64_t>(passed);
  *skipped = static_cast<int64_t>(passed);
  return true;
}

bool StreamInput::Unchanged() const {
  if (fd_ < 0) return true;
  struct stat info;
  if (::fstat(fd_, &info) != 0) return false;
  return info.st_nlink > 0 && info.st_size == size_ && info.st_mtim.tv_sec == modified_.tv_sec &&
         info.st_mtim.tv_nsec == modified_.tv_nsec;
}

const char* StreamInput::TagBlock() {
  if (!open_ || !tagPresent_ || !tag_) return nullptr;
  char* block = tag_.get();
  for (int offset : {32, 62, 92, 126, 97}) block[offset] = 0;
  return block;
}

}  // namespace mpeg
