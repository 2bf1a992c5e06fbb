#include "engine/modules/common/WavFileOutput.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <thread>

#include "engine/modules/common/ModuleFailure.h"

namespace {

constexpr uint32_t headerBytes = 46;
constexpr auto pauseAfterBlock = std::chrono::milliseconds(20);
// The RIFF size must still fit in 32 bits with the pad byte.
constexpr uint64_t maxDataBytes = 0xFFFFFFFFull - (headerBytes - 8) - 1;

void PutLittleEndian(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Writes the bytes at the offset; the number written before a failure.
size_t WriteAt(int file, const uint8_t* bytes, size_t length, off_t offset) {
  size_t done = 0;
  while (done < length) {
    const ssize_t n =
        ::pwrite(file, bytes + done, length - done, offset + static_cast<off_t>(done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

}  // namespace

WavFileOutput::~WavFileOutput() { Close(); }

void WavFileOutput::Open(const OutputSettings& settings) {
  Close();
  if (!settings.OutputName) RaiseModuleFailure(qvOutputFailure);
  const char* name = settings.OutputName->c_str();
  // Only a regular file is written. A name that stands for anything else (a FIFO, a device, a
  // directory, a symbolic link to nothing) is refused before it is opened, so that no device is
  // opened for writing and no file is made where a link points; the check after the open
  // catches a name that changed in between.
  struct stat named;
  if (::stat(name, &named) == 0 ? !S_ISREG(named.st_mode)
                                : errno == ENOENT && ::lstat(name, &named) == 0)
    RaiseModuleFailure(qvOutputFailure);
  // Not inherited by child processes, and never waiting for a reader. Whether the file is new
  // decides what a failed play may remove; a file that exists is cut to length 0 only once it
  // is known to be a regular file other than the input.
  created_ = true;
  file_ = ::open(name, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (file_ < 0 && errno == EEXIST) {
    created_ = false;
    file_ = ::open(name, O_WRONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  }
  if (file_ < 0) RaiseModuleFailure(qvOutputFailure);
  name_ = name;
  identity_ = IdentityOf(file_);
  struct stat opened;
  const bool regular = ::fstat(file_, &opened) == 0 && S_ISREG(opened.st_mode);
  if (!regular || !identity_ || identity_ == settings.InputFile ||
      (!created_ && ::ftruncate(file_, 0) != 0)) {
    Discard();
    RaiseModuleFailure(qvOutputFailure);
  }
  dataBytes_ = 0;
  failed_ = false;

  const auto channels = static_cast<uint32_t>(settings.Channels);
  const auto bits = static_cast<uint32_t>(settings.BitsPerSample);
  const uint32_t rate = settings.SampleRate;
  blockAlign_ = std::max<uint32_t>(1, (channels * bits) / 8);
  uint8_t* header = header_;
  std::copy_n("RIFF\0\0\0\0WAVEfmt ", 16, header);
  PutLittleEndian(header + 16, 18, 4);
  PutLittleEndian(header + 20, 1, 2);  // PCM
  PutLittleEndian(header + 22, channels, 2);
  PutLittleEndian(header + 24, rate, 4);
  PutLittleEndian(header + 28, (channels * bits * rate) >> 3, 4);
  PutLittleEndian(header + 32, (channels * bits) / 8, 2);
  PutLittleEndian(header + 34, bits, 2);
  PutLittleEndian(header + 36, 0, 2);  // cbSize
  std::copy_n("data\0\0\0\0", 8, header + 38);
  if (!UpdateHeader()) {
    Discard();
    RaiseModuleFailure(qvOutputFailure);
  }
}

bool WavFileOutput::UpdateHeader() {
  const uint32_t pad = dataBytes_ & 1;
  PutLittleEndian(header_ + 4, headerBytes - 8 + dataBytes_ + pad, 4);
  PutLittleEndian(header_ + 42, dataBytes_, 4);
  // One write: a reader never sees one size patched and the other not.
  return WriteAt(file_, header_, headerBytes, 0) == headerBytes;
}

void WavFileOutput::Write(const void* data, uint32_t length) {
  bool written = false;
  if (file_ >= 0 && !failed_) {
    const off_t at = headerBytes + dataBytes_;
    size_t done = 0;
    if (dataBytes_ + uint64_t{length} <= maxDataBytes)
      done = WriteAt(file_, static_cast<const uint8_t*>(data), length, at);
    written = done == length;
    // Of a block that did not fit, the whole sample frames stay; the rest is cut off.
    dataBytes_ += static_cast<uint32_t>(written ? done : done - done % blockAlign_);
    const uint8_t pad = 0;
    if ((dataBytes_ & 1) != 0 && WriteAt(file_, &pad, 1, headerBytes + dataBytes_) != 1)
      written = false;
    if (!written &&
        ::ftruncate(file_, static_cast<off_t>(headerBytes + dataBytes_ + (dataBytes_ & 1))) != 0)
      written = false;
    if (!UpdateHeader()) written = false;
    failed_ = !written;
  }
  std::this_thread::sleep_for(pauseAfterBlock);
  if (!written) RaiseModuleFailure(qvOutputFailure);
}

bool WavFileOutput::Close() {
  if (file_ < 0) return true;
  const int file = file_;
  file_ = -1;
  return ::close(file) == 0;
}

void WavFileOutput::Discard() {
  if (file_ < 0) return;
  // Only a file this open made, and only while its name still reaches that file.
  struct stat info;
  const bool ours = created_ && identity_ && ::stat(name_.c_str(), &info) == 0 &&
                    FileIdentity{info.st_dev, info.st_ino} == *identity_;
  Close();
  if (ours) ::unlink(name_.c_str());
}
