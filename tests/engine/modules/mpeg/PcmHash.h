// A hash of the PCM the decoder core makes of a whole stream, with one kernel table at one
// rate: what bench/PcmHashes lists and what the fixtures' recorded hashes pin.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

namespace mpegtest {

// 64-bit FNV-1a of the samples' little-endian bytes.
inline uint64_t PcmHash(const std::vector<int16_t>& samples) {
  uint64_t h = 14695981039346656037ull;
  for (const int16_t s : samples) {
    const auto v = static_cast<uint16_t>(s);
    for (const uint8_t byte : {static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)}) {
      h ^= byte;
      h *= 1099511628211ull;
    }
  }
  return h;
}

// A stream the decoder reads, by its file name.
inline bool IsMpegStream(const std::filesystem::path& path) {
  const std::string extension = path.extension().string();
  return extension == ".bit" || extension == ".mp1" || extension == ".mp2" || extension == ".mp3";
}

struct HashedRun {
  uint64_t Hash = 0;
  size_t Samples = 0;
  int Failure = -1;  // the code of a failure that ended the run
};

// The whole stream decoded with the SSE2 kernels (`baseline`) or the processor's best, at the
// full rate (level 0) or half of it (1).
inline HashedRun HashRun(const std::string& path, bool baseline, int level) {
  DecoderSettings settings;
  settings.DownsampleLevel = level;
  settings.BaselineKernels = baseline;
  MpegDecoder decoder;
  RunResult run;
  try {
    run = DecodeAll(decoder, FileSource(path), settings);
  } catch (const ModuleFailure& failure) {
    run.Failure = failure.Code;
  }
  return {PcmHash(run.Samples), run.Samples.size(), run.Failure};
}

}  // namespace mpegtest
