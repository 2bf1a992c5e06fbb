#include "converter/PlaylistEntries.h"

#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "converter/PathParts.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/Stream.h"
#include "platform/win32/Files.h"

namespace {

constexpr size_t kChunk = 64 * 1024;
// A line up to this length is kept while it is read; a longer one, which a play list of file
// names hardly holds, is read again from the file only if it turns out to be an entry.
constexpr size_t kKeptLine = 64 * 1024;
// An MPEG extension holds no "/" and no second ".", so a line has one exactly when its last
// four bytes are one.
constexpr size_t kExtension = 4;

[[noreturn]] void CannotRead(const std::string& FileName) {
  throw EFOpenError(Format("Cannot open file %s", FileName.c_str()));
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : FFd(fd) {}
  ~Descriptor() { ::close(FFd); }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return FFd; }

 private:
  int FFd;
};

ssize_t ReadSome(int fd, char* buffer, size_t count, int64_t offset) {
  for (;;) {
    const ssize_t done =
        offset < 0 ? ::read(fd, buffer, count) : ::pread(fd, buffer, count, offset);
    if (done >= 0 || errno != EINTR) return done;
  }
}

// The line being read: its bytes while it is short, else where it starts and how it ends.
class PendingLine {
 public:
  void Append(const char* bytes, size_t count, int64_t offset) {
    if (count == 0) return;
    if (FLength == 0) FStart = offset;
    FLength += count;
    if (FLength <= kKeptLine) {
      FBytes.append(bytes, count);
      return;
    }
    if (FBytes.size() > kExtension) FBytes.erase(0, FBytes.size() - kExtension);
    const size_t tail = count < kExtension ? count : kExtension;
    FBytes.append(bytes + count - tail, tail);
    if (FBytes.size() > kExtension) FBytes.erase(0, FBytes.size() - kExtension);
  }

  // Ends the line; an entry is added to Entries as written.
  void Finish(int fd, const std::string& FileName, std::vector<std::string>& Entries) {
    const size_t tail = FBytes.size() < kExtension ? FBytes.size() : kExtension;
    if (IsMpegExtension(FBytes.substr(FBytes.size() - tail))) {
      if (FLength <= kKeptLine) {
        Entries.push_back(std::move(FBytes));
      } else {
        Entries.push_back(ReadBack(fd, FileName));
      }
    }
    FBytes.clear();
    FLength = 0;
  }

 private:
  std::string ReadBack(int fd, const std::string& FileName) const {
    std::string line(FLength, '\0');
    for (size_t done = 0; done < FLength;) {
      const ssize_t got =
          ReadSome(fd, line.data() + done, FLength - done, FStart + static_cast<int64_t>(done));
      if (got <= 0) CannotRead(FileName);
      done += static_cast<size_t>(got);
    }
    return line;
  }

  std::string FBytes;
  size_t FLength = 0;
  int64_t FStart = 0;
};

}  // namespace

std::vector<std::string> PlaylistEntries(const std::string& FileName) {
  const int fd = OpenRegularFileForReading(FileName.c_str());
  if (fd < 0) CannotRead(FileName);
  Descriptor file(fd);
  std::vector<std::string> entries;
  PendingLine line;
  std::string chunk(kChunk, '\0');
  int64_t offset = 0;
  for (;;) {
    const ssize_t got = ReadSome(fd, chunk.data(), chunk.size(), -1);
    if (got < 0) CannotRead(FileName);
    if (got == 0) break;
    const char* p = chunk.data();
    const char* const end = p + got;
    while (p < end) {
      const char* stop = p;
      while (stop < end && *stop != '\0' && *stop != '\r' && *stop != '\n') ++stop;
      line.Append(p, static_cast<size_t>(stop - p), offset + (p - chunk.data()));
      if (stop == end) break;
      // CR and LF each end a line: the empty line that this makes of a CR LF is no entry.
      line.Finish(fd, FileName, entries);
      if (*stop == '\0') return entries;
      p = stop + 1;
    }
    offset += got;
  }
  line.Finish(fd, FileName, entries);
  return entries;
}
