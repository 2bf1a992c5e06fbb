// Test helpers for the sound device: choosing the device for the duration of a test, a PCM
// format, and waiting with a deadline for something another thread does.
#pragma once

#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

#include "platform/win32/WaveFormat.h"

// A PCM format of the given shape, its block and byte rates derived.
inline WAVEFORMATEX Pcm(WORD channels, DWORD rate, WORD bits) {
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = channels;
  format.nSamplesPerSec = rate;
  format.nBlockAlign = static_cast<WORD>(channels * bits / 8);
  format.nAvgBytesPerSec = rate * format.nBlockAlign;
  format.wBitsPerSample = bits;
  return format;
}

// Sets BRASSEL_AUDIO while it lives; set it before any thread that reads it starts.
class SoundDeviceChoice {
 public:
  explicit SoundDeviceChoice(const char* kind) {
    if (const char* was = std::getenv("BRASSEL_AUDIO")) {
      previous_ = was;
      hadPrevious_ = true;
    }
    setenv("BRASSEL_AUDIO", kind, 1);
  }
  ~SoundDeviceChoice() {
    if (hadPrevious_)
      setenv("BRASSEL_AUDIO", previous_.c_str(), 1);
    else
      unsetenv("BRASSEL_AUDIO");
  }
  SoundDeviceChoice(const SoundDeviceChoice&) = delete;
  SoundDeviceChoice& operator=(const SoundDeviceChoice&) = delete;

 private:
  std::string previous_;
  bool hadPrevious_ = false;
};

// An ALSA configuration whose default device is the null plugin, which takes every sample
// at once and plays nothing: the ALSA path runs on machines without a sound card. Set it
// before any thread that opens a device starts.
class NullAlsaDevice {
 public:
  NullAlsaDevice()
      : path_(std::filesystem::temp_directory_path() /
              ("brassel-null-alsa-" + std::to_string(::getpid()) + ".conf")) {
    std::ofstream(path_) << "pcm.!default {\n  type null\n}\n";
    setenv("ALSA_CONFIG_PATH", path_.c_str(), 1);
  }
  ~NullAlsaDevice() {
    unsetenv("ALSA_CONFIG_PATH");
    std::filesystem::remove(path_);
  }
  NullAlsaDevice(const NullAlsaDevice&) = delete;
  NullAlsaDevice& operator=(const NullAlsaDevice&) = delete;

 private:
  std::filesystem::path path_;
};

template <class Condition>
bool Eventually(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(30)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
