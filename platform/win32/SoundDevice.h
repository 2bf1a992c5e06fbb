// The sound device behind wave output and DirectSound: the machine's ALSA device, or a virtual
// device that consumes samples at the real rate without playing them, or none at all.
//
// The environment variable that the product's build names (SOUND_DEVICE_VARIABLE) chooses:
// "none" (no device), "virtual" or "alsa". Without it, the ALSA default device is used when it
// can be opened, else the virtual one. The variable is read at every call, so a process may
// change it between opens.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/win32/Types.h"

namespace win32 {

enum class SoundDeviceKind { None, Virtual, Alsa };

SoundDeviceKind SelectedSoundDevice();

// Interleaved PCM: 8-bit unsigned or 16-bit signed little-endian samples.
struct PcmFormat {
  uint32_t channels = 2;
  uint32_t samplesPerSec = 44100;
  uint32_t bitsPerSample = 16;
  uint32_t BlockAlign() const { return channels * bitsPerSample / 8; }
  uint32_t BytesPerSec() const { return BlockAlign() * samplesPerSec; }
};

// Whether a device can play the format (PCM, 1 or 2 channels, 8 or 16 bits, 100 to 200000 Hz).
bool PlayableFormat(const PcmFormat& format);

// One stream of samples to the device. Write blocks while the device is busy, so a writer is
// paced at the real rate; used by one thread at a time.
class SoundStream {
 public:
  SoundStream() = default;
  ~SoundStream() { Close(); }
  SoundStream(const SoundStream&) = delete;
  SoundStream& operator=(const SoundStream&) = delete;

  // False when the device cannot take the format (or is none).
  bool Open(SoundDeviceKind kind, const PcmFormat& format);
  // Plays the bytes (whole sample frames) with the channels' gains (0 to 1); returns when the
  // device has taken them: the virtual device when they would have finished playing.
  void Write(const uint8_t* data, size_t bytes, double leftGain, double rightGain);
  // Discards what the device holds and has not played yet.
  void Drop();
  // Plays out what the device holds, then closes.
  void Close();

  const PcmFormat& Format() const { return format_; }

 private:
  void* pcm_ = nullptr;  // the ALSA handle; none for the virtual device
  bool open_ = false;
  PcmFormat format_;
  int64_t clock_ = 0;  // virtual device: steady-clock microseconds at which its samples end
};

// Scales interleaved samples in place by the channels' gains.
void ApplyGains(uint8_t* data, size_t bytes, const PcmFormat& format, double leftGain,
                double rightGain);

}  // namespace win32
