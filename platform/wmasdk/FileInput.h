// The file a reader decodes, opened as the SDK opens its input: a regular file only, read
// only, and without blocking, so that a FIFO, a device or a directory is refused at once
// instead of holding the caller in its open. libavformat reads it through an I/O context of
// its own, so that the file checked is the file read.
#pragma once

#include <time.h>

#include <cstdint>
#include <string>

struct AVIOContext;

class FileInput {
 public:
  FileInput() = default;
  FileInput(const FileInput&) = delete;
  FileInput& operator=(const FileInput&) = delete;
  // After the demuxer that reads through the context has been closed.
  ~FileInput();

  // False when the file cannot be opened or is not a regular file.
  bool Open(const std::string& path);
  // The context libavformat reads the file through; null before a successful Open.
  AVIOContext* Context() const { return context_; }
  // Whether the file opened is no longer the one that was read: removed, grown, shrunk or
  // written since the opening, or the path now naming another file or none.
  bool Changed(const std::string& path) const;
  // Whether another opening holds the same file, of the same size and time, as this one.
  bool SameFileAs(const FileInput& other) const;
  // The descriptor and the size the file had when it was opened.
  int Descriptor() const { return file_; }
  int64_t Size() const { return size_; }

 private:
  static int Read(void* opaque, uint8_t* buffer, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  int file_ = -1;
  AVIOContext* context_ = nullptr;
  // The file's identity and size when it was opened.
  uint64_t device_ = 0;
  uint64_t inode_ = 0;
  int64_t size_ = -1;
  timespec modified_{};
};
