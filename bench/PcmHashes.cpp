// A hash of the PCM the decoder core makes of every MPEG fixture and every speed stream, with
// each form of the kernels, at both rates: run before and after a change to the decoding that
// must not move a sample, and compare the two listings.
//
// Usage: build-dir/bench/PcmHashes [file ...]
//   files: the streams to hash, default every .bit, .mp1, .mp2 and .mp3 under tests/fixtures and
//   the streams that make-speed-streams.sh left in the build folder's bench/
//
// Each line: the hash (64-bit FNV-1a of the samples), the sample count, the code of a failure
// that ended the run (-1: none), the kernels, the rate and the stream.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/engine/modules/mpeg/PcmHash.h"

using namespace mpeg;

namespace {

std::vector<std::string> DefaultStreams() {
  std::vector<std::string> found;
  for (const char* root : {BRASSEL_FIXTURES_DIR, BRASSEL_BINARY_DIR "/bench"}) {
    if (!std::filesystem::is_directory(root)) continue;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
      if (entry.is_regular_file() && mpegtest::IsMpegStream(entry.path()))
        found.push_back(entry.path().string());
    }
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> streams(argv + 1, argv + argc);
  if (streams.empty()) streams = DefaultStreams();
  for (const std::string& path : streams) {
    for (const bool baseline : {false, true}) {
      for (const int level : {0, 1}) {
        const mpegtest::HashedRun run = mpegtest::HashRun(path, baseline, level);
        std::printf("%016llx %10zu %3d %s %s %s\n", static_cast<unsigned long long>(run.Hash),
                    run.Samples, run.Failure, baseline ? "sse2" : "best",
                    level == 0 ? "full" : "half",
                    std::filesystem::path(path).filename().string().c_str());
      }
    }
  }
  return 0;
}
