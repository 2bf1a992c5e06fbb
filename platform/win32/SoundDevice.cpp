#include "platform/win32/SoundDevice.h"

#include <alsa/asoundlib.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

namespace win32 {
namespace {

// ALSA's own configuration cache is shared by every handle; opening, closing and freeing it
// go through one lock.
std::mutex alsaLock;

void QuietAlsa(const char*, int, const char*, int, const char*, ...) {}

snd_pcm_t* OpenAlsa() {
  snd_lib_error_set_handler(QuietAlsa);
  snd_pcm_t* pcm = nullptr;
  if (snd_pcm_open(&pcm, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) pcm = nullptr;
  return pcm;
}

void CloseAlsa(snd_pcm_t* pcm) {
  snd_pcm_close(pcm);
  // Nothing else keeps the configuration alive once the handle is gone.
  snd_config_update_free_global();
}

bool AlsaDeviceOpens() {
  std::lock_guard<std::mutex> lock(alsaLock);
  snd_pcm_t* pcm = OpenAlsa();
  if (pcm == nullptr) {
    snd_config_update_free_global();
    return false;
  }
  CloseAlsa(pcm);
  return true;
}

int64_t NowMicroseconds() {
  return std::chrono::duration_cast<std::chrono::microseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

}  // namespace

SoundDeviceKind SelectedSoundDevice() {
  const char* chosen = std::getenv(SOUND_DEVICE_VARIABLE);
  if (chosen != nullptr && *chosen != '\0') {
    if (std::strcmp(chosen, "none") == 0) return SoundDeviceKind::None;
    if (std::strcmp(chosen, "virtual") == 0) return SoundDeviceKind::Virtual;
    if (std::strcmp(chosen, "alsa") == 0) return SoundDeviceKind::Alsa;
  }
  // The machine does not change its cards while we run: probe once.
  static const SoundDeviceKind probed =
      AlsaDeviceOpens() ? SoundDeviceKind::Alsa : SoundDeviceKind::Virtual;
  return probed;
}

bool PlayableFormat(const PcmFormat& format) {
  return (format.channels == 1 || format.channels == 2) &&
         (format.bitsPerSample == 8 || format.bitsPerSample == 16) && format.samplesPerSec >= 100 &&
         format.samplesPerSec <= 200000;
}

bool SoundStream::Open(SoundDeviceKind kind, const PcmFormat& format) {
  Close();
  if (!PlayableFormat(format)) return false;
  format_ = format;
  if (kind == SoundDeviceKind::None) return false;
  if (kind == SoundDeviceKind::Alsa) {
    std::lock_guard<std::mutex> lock(alsaLock);
    snd_pcm_t* pcm = OpenAlsa();
    if (pcm == nullptr) {
      snd_config_update_free_global();
      return false;
    }
    const snd_pcm_format_t sampleFormat =
        format.bitsPerSample == 8 ? SND_PCM_FORMAT_U8 : SND_PCM_FORMAT_S16_LE;
    // A quarter of a second of latency: enough to ride over a busy machine.
    if (snd_pcm_set_params(pcm, sampleFormat, SND_PCM_ACCESS_RW_INTERLEAVED, format.channels,
                           format.samplesPerSec, 1, 250000) < 0) {
      CloseAlsa(pcm);
      return false;
    }
    pcm_ = pcm;
  }
  clock_ = 0;
  open_ = true;
  return true;
}

void SoundStream::Write(const uint8_t* data, size_t bytes, double leftGain, double rightGain) {
  if (!open_ || bytes == 0) return;
  const uint32_t align = format_.BlockAlign();
  bytes -= bytes % align;
  if (pcm_ == nullptr) {
    // The virtual device: the samples end playing after their duration, counted on from the
    // end of the previous ones unless the device ran dry meanwhile.
    const int64_t now = NowMicroseconds();
    if (clock_ < now) clock_ = now;
    clock_ += static_cast<int64_t>(bytes) * 1000000 / format_.BytesPerSec();
    std::this_thread::sleep_until(
        std::chrono::steady_clock::time_point(std::chrono::microseconds(clock_)));
    return;
  }
  std::vector<uint8_t> scaled(data, data + bytes);
  ApplyGains(scaled.data(), bytes, format_, leftGain, rightGain);
  auto* pcm = static_cast<snd_pcm_t*>(pcm_);
  const uint8_t* at = scaled.data();
  snd_pcm_uframes_t frames = bytes / align;
  while (frames > 0) {
    const snd_pcm_sframes_t written = snd_pcm_writei(pcm, at, frames);
    if (written < 0) {
      // An underrun or a suspend: recover and go on; anything else loses this block.
      if (snd_pcm_recover(pcm, static_cast<int>(written), 1) < 0) return;
      continue;
    }
    frames -= static_cast<snd_pcm_uframes_t>(written);
    at += static_cast<size_t>(written) * align;
  }
}

void SoundStream::Drop() {
  if (!open_) return;
  if (pcm_ == nullptr) {
    clock_ = 0;
    return;
  }
  auto* pcm = static_cast<snd_pcm_t*>(pcm_);
  snd_pcm_drop(pcm);
  snd_pcm_prepare(pcm);
}

void SoundStream::Close() {
  if (!open_) return;
  open_ = false;
  if (pcm_ != nullptr) {
    auto* pcm = static_cast<snd_pcm_t*>(pcm_);
    snd_pcm_drain(pcm);
    std::lock_guard<std::mutex> lock(alsaLock);
    CloseAlsa(pcm);
    pcm_ = nullptr;
  }
}

void ApplyGains(uint8_t* data, size_t bytes, const PcmFormat& format, double leftGain,
                double rightGain) {
  if (leftGain >= 1.0 && rightGain >= 1.0) return;
  const double gains[2] = {leftGain, format.channels == 2 ? rightGain : leftGain};
  if (format.bitsPerSample == 8) {
    for (size_t i = 0; i < bytes; ++i) {
      const double centred = (static_cast<int>(data[i]) - 128) * gains[i % format.channels];
      data[i] = static_cast<uint8_t>(static_cast<int>(centred) + 128);
    }
    return;
  }
  for (size_t i = 0; i + 1 < bytes; i += 2) {
    const auto sample = static_cast<int16_t>(data[i] | data[i + 1] << 8);
    const auto scaled =
        static_cast<int16_t>(static_cast<int>(sample * gains[(i / 2) % format.channels]));
    data[i] = static_cast<uint8_t>(scaled & 0xFF);
    data[i + 1] = static_cast<uint8_t>((scaled >> 8) & 0xFF);
  }
}

}  // namespace win32
