#include "platform/wmasdk/FileInput.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include "platform/win32/Files.h"

namespace {

constexpr int BufferSize = 32768;

bool SameTime(const timespec& a, const timespec& b) {
  return a.tv_sec == b.tv_sec && a.tv_nsec == b.tv_nsec;
}

}  // namespace

FileInput::~FileInput() {
  if (context_ != nullptr) {
    av_freep(&context_->buffer);
    avio_context_free(&context_);
  }
  if (file_ >= 0) ::close(file_);
}

bool FileInput::Open(const std::string& path) {
  file_ = OpenRegularFileForReading(path.c_str());
  if (file_ < 0) return false;
  struct stat info;
  if (::fstat(file_, &info) != 0) return false;
  device_ = static_cast<uint64_t>(info.st_dev);
  inode_ = static_cast<uint64_t>(info.st_ino);
  size_ = static_cast<int64_t>(info.st_size);
  modified_ = info.st_mtim;
  auto* buffer = static_cast<unsigned char*>(av_malloc(BufferSize));
  if (buffer == nullptr) return false;
  context_ = avio_alloc_context(buffer, BufferSize, 0, this, &Read, nullptr, &Seek);
  if (context_ == nullptr) {
    av_free(buffer);
    return false;
  }
  return true;
}

bool FileInput::Changed(const std::string& path) const {
  struct stat info;
  if (file_ < 0 || ::fstat(file_, &info) != 0 || info.st_nlink == 0 ||
      static_cast<int64_t>(info.st_size) != size_ || !SameTime(info.st_mtim, modified_))
    return true;
  struct stat named;
  return ::stat(path.c_str(), &named) != 0 || static_cast<uint64_t>(named.st_dev) != device_ ||
         static_cast<uint64_t>(named.st_ino) != inode_;
}

bool FileInput::SameFileAs(const FileInput& other) const {
  return file_ >= 0 && other.file_ >= 0 && device_ == other.device_ && inode_ == other.inode_ &&
         size_ == other.size_ && SameTime(modified_, other.modified_);
}

int FileInput::Read(void* opaque, uint8_t* buffer, int size) {
  const int file = static_cast<FileInput*>(opaque)->file_;
  for (;;) {
    const ssize_t n = ::read(file, buffer, static_cast<size_t>(size));
    if (n > 0) return static_cast<int>(n);
    if (n == 0) return AVERROR_EOF;
    if (errno != EINTR) return AVERROR(errno);
  }
}

int64_t FileInput::Seek(void* opaque, int64_t offset, int whence) {
  const int file = static_cast<FileInput*>(opaque)->file_;
  if (whence == AVSEEK_SIZE) {
    struct stat info;
    return ::fstat(file, &info) == 0 ? static_cast<int64_t>(info.st_size) : AVERROR(errno);
  }
  whence &= ~AVSEEK_FORCE;
  if (whence != SEEK_SET && whence != SEEK_CUR && whence != SEEK_END) return AVERROR(EINVAL);
  const off_t at = ::lseek(file, static_cast<off_t>(offset), whence);
  return at < 0 ? AVERROR(errno) : static_cast<int64_t>(at);
}
