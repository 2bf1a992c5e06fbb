// Whole files in and out, the conformance streams and fixtures by name, and little-endian
// fields, for the tests, benchmarks and fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The whole file; empty when it cannot be read.
inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::string ReadText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

#ifdef BRASSEL_VECTORS_DIR
// A conformance stream or its reference output.
inline std::filesystem::path VectorPath(const std::string& name) {
  return std::filesystem::path(BRASSEL_VECTORS_DIR) / name;
}
#endif

#ifdef BRASSEL_FIXTURES_DIR
// A committed fixture, by its path inside tests/fixtures.
inline std::filesystem::path FixturePath(const std::string& name) {
  return std::filesystem::path(BRASSEL_FIXTURES_DIR) / name;
}
#endif

inline uint16_t LittleEndian16(const uint8_t* at) {
  return static_cast<uint16_t>(at[0] | at[1] << 8);
}

inline uint32_t LittleEndian32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}

// Little-endian 16-bit samples of `count` bytes.
inline std::vector<int16_t> Samples(const uint8_t* bytes, size_t count) {
  std::vector<int16_t> samples(count / 2);
  for (size_t i = 0; i < samples.size(); ++i)
    samples[i] = static_cast<int16_t>(bytes[2 * i] | bytes[2 * i + 1] << 8);
  return samples;
}
