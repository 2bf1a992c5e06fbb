// Reads the format and the samples of a RIFF "WAVE" file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/Files.h"

struct WavFile {
  bool valid = false;
  uint16_t formatTag = 0, channels = 0, bitsPerSample = 0;
  uint32_t sampleRate = 0;
  std::string data;
};

inline uint32_t LittleEndian32(const std::string& s, size_t at) {
  return LittleEndian32(reinterpret_cast<const uint8_t*>(s.data()) + at);
}

// Walks the chunks; valid when a format and a data chunk lie within the file.
inline WavFile ReadWavFile(const std::filesystem::path& path) {
  WavFile wav;
  const std::string bytes = ReadText(path);
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
    return wav;
  bool haveFormat = false, haveData = false;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    std::string id = bytes.substr(at, 4);
    uint32_t size = LittleEndian32(bytes, at + 4);
    if (at + 8 + size > bytes.size()) return wav;
    if (id == "fmt " && size >= 16) {
      wav.formatTag = static_cast<uint16_t>(LittleEndian32(bytes, at + 8) & 0xFFFF);
      wav.channels = static_cast<uint16_t>(LittleEndian32(bytes, at + 8) >> 16);
      wav.sampleRate = LittleEndian32(bytes, at + 12);
      wav.bitsPerSample = static_cast<uint16_t>(LittleEndian32(bytes, at + 20) >> 16);
      haveFormat = true;
    } else if (id == "data") {
      wav.data = bytes.substr(at + 8, size);
      haveData = true;
    }
    at += 8 + size + (size & 1);
  }
  wav.valid = haveFormat && haveData;
  return wav;
}

// The number of 16-bit samples, from the first, that lie within one step of the reference.
inline size_t MatchingSamples(const std::string& output, const std::string& reference) {
  size_t count = std::min(output.size(), reference.size()) / 2;
  for (size_t i = 0; i < count; ++i) {
    int16_t a, b;
    std::memcpy(&a, output.data() + 2 * i, 2);
    std::memcpy(&b, reference.data() + 2 * i, 2);
    if (a - b > 1 || b - a > 1) return i;
  }
  return count;
}
