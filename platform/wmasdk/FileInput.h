// The file a reader decodes, opened as the SDK opens its input: a regular file only, read
// only, and without blocking, so that a FIFO, a device or a directory is refused at once
// instead of holding the caller in its open. libavformat reads it through an I/O context of
// its own, so that the file checked is the file read.
#pragma once

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

 private:
  static int Read(void* opaque, uint8_t* buffer, int size);
  static int64_t Seek(void* opaque, int64_t offset, int whence);

  int file_ = -1;
  AVIOContext* context_ = nullptr;
};
