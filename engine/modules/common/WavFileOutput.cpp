#include "engine/modules/common/WavFileOutput.h"

#include <chrono>
#include <thread>

#include "engine/modules/common/ModuleFailure.h"

namespace {

constexpr long riffSizeOffset = 4;
constexpr long dataSizeOffset = 42;
constexpr auto pauseAfterBlock = std::chrono::milliseconds(20);

void PutLittleEndian(uint8_t* at, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

bool PatchSize(std::FILE* file, long offset, uint32_t value) {
  uint8_t bytes[4];
  PutLittleEndian(bytes, value, 4);
  return std::fseek(file, offset, SEEK_SET) == 0 && std::fwrite(bytes, 1, 4, file) == 4;
}

}  // namespace

WavFileOutput::~WavFileOutput() {
  if (file_ != nullptr) Close();
}

void WavFileOutput::Open(const OutputSettings& settings) {
  if (file_ != nullptr) Close();
  if (!settings.outputName) RaiseModuleFailure(qvOutputFailure);
  // Created or cut to length 0, not inherited by child processes.
  file_ = std::fopen(settings.outputName->c_str(), "wbe");
  if (file_ == nullptr) RaiseModuleFailure(qvOutputFailure);
  dataBytes_ = 0;

  const auto channels = static_cast<uint32_t>(settings.channels);
  const auto bits = static_cast<uint32_t>(settings.bitsPerSample);
  const uint32_t rate = settings.sampleRate;
  uint8_t header[46] = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 'f', 'm', 't', ' '};
  PutLittleEndian(header + 16, 18, 4);
  PutLittleEndian(header + 20, 1, 2);  // PCM
  PutLittleEndian(header + 22, channels, 2);
  PutLittleEndian(header + 24, rate, 4);
  PutLittleEndian(header + 28, (channels * bits * rate) >> 3, 4);
  PutLittleEndian(header + 32, (channels * bits) / 8, 2);
  PutLittleEndian(header + 34, bits, 2);
  PutLittleEndian(header + 36, 0, 2);  // cbSize
  header[38] = 'd';
  header[39] = 'a';
  header[40] = 't';
  header[41] = 'a';
  PutLittleEndian(header + 42, 0, 4);
  if (std::fwrite(header, 1, sizeof header, file_) != sizeof header) {
    std::fclose(file_);
    file_ = nullptr;
    RaiseModuleFailure(qvOutputFailure);
  }
}

void WavFileOutput::Write(const void* data, uint32_t length) {
  if (file_ != nullptr && std::fwrite(data, 1, length, file_) == length) dataBytes_ += length;
  std::this_thread::sleep_for(pauseAfterBlock);
}

void WavFileOutput::Close() {
  if (file_ == nullptr) return;
  // Each size is written only when the steps before it succeeded; a size not written stays 0.
  bool ok = std::fflush(file_) == 0;
  if (ok && (dataBytes_ & 1) != 0) ok = std::fputc(0, file_) != EOF;
  const uint32_t fileLength = 46 + dataBytes_ + (dataBytes_ & 1);
  if (ok) ok = PatchSize(file_, dataSizeOffset, dataBytes_);
  if (ok) PatchSize(file_, riffSizeOffset, fileLength - 8);
  std::fclose(file_);
  file_ = nullptr;
}
