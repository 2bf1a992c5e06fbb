// Test helpers for the sound device: choosing the device for the duration of a test, a PCM
// format, and recording what a device was given.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

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

// An ALSA configuration of the given text in place of the machine's while it lives. Set it
// before any thread that opens a device starts.
class AlsaConfiguration {
 public:
  explicit AlsaConfiguration(const std::string& text)
      : path_(std::filesystem::temp_directory_path() /
              ("brassel-alsa-" + std::to_string(::getpid()) + ".conf")) {
    std::ofstream(path_) << text;
    setenv("ALSA_CONFIG_PATH", path_.c_str(), 1);
  }
  ~AlsaConfiguration() {
    unsetenv("ALSA_CONFIG_PATH");
    std::filesystem::remove(path_);
  }
  AlsaConfiguration(const AlsaConfiguration&) = delete;
  AlsaConfiguration& operator=(const AlsaConfiguration&) = delete;

 private:
  std::filesystem::path path_;
};

// The default device is the null plugin, which takes every sample at once and plays nothing:
// the ALSA path runs on machines without a sound card.
class NullAlsaDevice : public AlsaConfiguration {
 public:
  NullAlsaDevice() : AlsaConfiguration("pcm.!default {\n  type null\n}\n") {}
};

// The default device is a card that does not exist: every open of it fails.
class UnopenableAlsaDevice : public AlsaConfiguration {
 public:
  UnopenableAlsaDevice() : AlsaConfiguration("pcm.!default {\n  type hw\n  card 99\n}\n") {}
};

// The default device takes every sample at once and writes what it is given to a WAV file of
// the format it was opened with.
class AlsaRecordingDevice : public AlsaConfiguration {
 public:
  explicit AlsaRecordingDevice(const std::string& wavFile)
      : AlsaConfiguration("pcm.!default {\n  type file\n  slave.pcm { type null }\n  file \"" +
                          wavFile + "\"\n  format \"wav\"\n}\n") {}
};

// The WAV file that the ALSA recording device, chosen as the device while play runs, writes of
// what it is given.
template <class Play>
std::vector<uint8_t> RecordedWhile(Play play) {
  const std::filesystem::path wav = std::filesystem::temp_directory_path() /
                                    ("brassel-recorded-" + std::to_string(::getpid()) + ".wav");
  {
    SoundDeviceChoice alsa("alsa");
    AlsaRecordingDevice device(wav.string());
    play();
  }
  std::ifstream in(wav, std::ios::binary);
  std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::filesystem::remove(wav);
  return bytes;
}

// The samples of a recorded WAV file (its header is 44 bytes) are the reference from the first
// byte on, each once, then silence (zero samples) only.
inline ::testing::AssertionResult HeardWholeThenSilence(const std::vector<uint8_t>& reference,
                                                        const std::vector<uint8_t>& wav) {
  if (wav.size() < 44 + reference.size())
    return ::testing::AssertionFailure()
           << "samples lost: " << wav.size() - std::min<size_t>(wav.size(), 44)
           << " bytes recorded of " << reference.size();
  const auto heard = wav.begin() + 44;
  const auto differ = std::mismatch(reference.begin(), reference.end(), heard);
  if (differ.first != reference.end())
    return ::testing::AssertionFailure()
           << "played differs from the decode at byte " << differ.first - reference.begin()
           << " of " << reference.size();
  const auto after = heard + static_cast<std::ptrdiff_t>(reference.size());
  if (std::count(after, wav.end(), 0) != wav.end() - after)
    return ::testing::AssertionFailure() << "more than silence after the end";
  return ::testing::AssertionSuccess();
}

// As HeardWholeThenSilence, but a pause may put silence into the sound where the device had
// played all it held: the reference, each sample once and in order, with at most one stretch of
// silence inside it, then silence only.
inline ::testing::AssertionResult HeardWholeAroundOnePause(const std::vector<uint8_t>& reference,
                                                           const std::vector<uint8_t>& wav) {
  if (wav.size() < 44) return ::testing::AssertionFailure() << "nothing recorded";
  const std::vector<uint8_t> heard(wav.begin() + 44, wav.end());
  const size_t common = static_cast<size_t>(
      std::mismatch(reference.begin(), reference.end(), heard.begin(),
                    heard.begin() + static_cast<std::ptrdiff_t>(std::min(reference.size(),
                                                                         heard.size())))
          .first -
      reference.begin());
  if (common == reference.size() || common == heard.size())
    return HeardWholeThenSilence(reference, wav);
  // The silence inside: the reference's own zero bytes from there on belong to the sound.
  size_t sound = common;
  while (sound < reference.size() && reference[sound] == 0) ++sound;
  size_t resumed = common;
  while (resumed < heard.size() && heard[resumed] == 0) ++resumed;
  if (sound == reference.size()) return HeardWholeThenSilence(reference, wav);
  if (heard[common] != 0 || resumed == heard.size() || resumed < sound ||
      (resumed - sound) % 2 != 0)
    return ::testing::AssertionFailure()
           << "played differs from the decode at byte " << common << " of " << reference.size();
  std::vector<uint8_t> joined(wav.begin(), wav.begin() + 44 + static_cast<std::ptrdiff_t>(common));
  joined.insert(joined.end(), reference.begin() + static_cast<std::ptrdiff_t>(common),
                reference.begin() + static_cast<std::ptrdiff_t>(sound));
  joined.insert(joined.end(), heard.begin() + static_cast<std::ptrdiff_t>(resumed), heard.end());
  return HeardWholeThenSilence(reference, joined);
}
