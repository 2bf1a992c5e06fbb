// Reads the format and the samples of a RIFF "WAVE" file, and checks it has the layout the
// modules write.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>

#include "tests/support/Files.h"

struct WavFile {
  // The layout the modules write, every size in agreement with the file: "RIFF" sized to the
  // file, an 18-byte PCM "fmt " chunk with no extension, then "data" from byte 46 to the end
  // (with the pad byte of an odd size), a byte rate and block size that follow the format.
  bool valid = false;
  uint16_t formatTag = 0, channels = 0, bitsPerSample = 0, blockAlign = 0;
  uint32_t sampleRate = 0, bytesPerSecond = 0;
  uint32_t riffSize = 0;  // as the header says
  uint32_t dataSize = 0;  // as the data chunk's header says
  std::string data;       // the data chunk's bytes that lie within the file
};

inline uint32_t LittleEndian32(const std::string& s, size_t at) {
  return LittleEndian32(reinterpret_cast<const uint8_t*>(s.data()) + at);
}

inline uint16_t LittleEndian16(const std::string& s, size_t at) {
  return LittleEndian16(reinterpret_cast<const uint8_t*>(s.data()) + at);
}

// Walks the chunks for the format and the data; a data chunk cut short by the end of the file
// (a file still being written) gives the bytes there are.
inline WavFile ReadWavFile(const std::filesystem::path& path) {
  WavFile wav;
  const std::string bytes = ReadText(path);
  if (bytes.size() < 12 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
    return wav;
  wav.riffSize = LittleEndian32(bytes, 4);
  size_t formatAt = 0, formatSize = 0, dataAt = 0;
  bool haveFormat = false, haveData = false, fits = true;
  for (size_t at = 12; at + 8 <= bytes.size();) {
    const std::string id = bytes.substr(at, 4);
    const uint32_t size = LittleEndian32(bytes, at + 4);
    if (id == "fmt " && size >= 16 && at + 8 + size <= bytes.size()) {
      wav.formatTag = LittleEndian16(bytes, at + 8);
      wav.channels = LittleEndian16(bytes, at + 10);
      wav.sampleRate = LittleEndian32(bytes, at + 12);
      wav.bytesPerSecond = LittleEndian32(bytes, at + 16);
      wav.blockAlign = LittleEndian16(bytes, at + 20);
      wav.bitsPerSample = LittleEndian16(bytes, at + 22);
      formatAt = at;
      formatSize = size;
      haveFormat = true;
    } else if (id == "data" && !haveData) {
      wav.dataSize = size;
      wav.data = bytes.substr(at + 8, size);
      dataAt = at;
      haveData = true;
    }
    if (at + 8 + size > bytes.size()) {
      fits = false;
      break;
    }
    at += 8 + size + (size & 1);
  }
  const size_t pad = wav.dataSize & 1;
  wav.valid = haveFormat && haveData && fits && wav.riffSize == bytes.size() - 8 &&
              formatAt == 12 && formatSize == 18 && LittleEndian16(bytes, formatAt + 24) == 0 &&
              wav.formatTag == 1 && dataAt == 38 && bytes.size() == 46 + wav.dataSize + pad &&
              wav.blockAlign == wav.channels * ((wav.bitsPerSample + 7) / 8) &&
              wav.blockAlign != 0 && wav.dataSize % wav.blockAlign == 0 &&
              wav.bytesPerSecond == wav.sampleRate * wav.blockAlign;
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
