// Decoded frames as interleaved 16-bit PCM in the format fixed when the file was opened, with
// libswresample: set up for the frames' own format, and set up again when that changes.
#pragma once

#include <cstdint>
#include <vector>

struct AVFrame;
struct SwrContext;

class Resampler {
 public:
  // Output formats the module's arithmetic (bytes per second in 32 bits) can carry.
  static constexpr int MaxChannels = 8;
  static constexpr int MaxSampleRate = 384000;

  Resampler() = default;
  Resampler(const Resampler&) = delete;
  Resampler& operator=(const Resampler&) = delete;
  ~Resampler();

  void SetOutput(uint32_t channels, uint32_t sampleRate);
  // Sets up for a frame's format; false when it is none the output can be made from.
  bool Configure(const AVFrame& frame);
  // Converts one frame into `block`, or with a null frame what the resampler still holds.
  bool Convert(const AVFrame* frame, std::vector<uint8_t>& block);
  // Drops what it holds (for a seek): the next frame sets it up anew.
  void Reset();

 private:
  SwrContext* context_ = nullptr;
  uint32_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  // The input side the context is configured for.
  int format_ = -1;
  int rate_ = 0;
  int inChannels_ = 0;
  uint64_t layout_ = 0;
};
