// The position of a run in milliseconds: where it started (the start limit, or the time a seek
// went to) and the samples delivered since, counted as bytes, so that a position made of many
// blocks does not fall behind by each block's fraction of a millisecond. The SDK's thread
// advances it; the host's thread sets it while no block is delivered and reads it at any time.
#pragma once

#include <atomic>
#include <cstdint>

namespace wma {

class PlayPosition {
 public:
  // A new starting point; the bytes delivered start from nothing.
  PlayPosition& operator=(uint32_t ms) {
    bytes_.store(0);
    start_.store(ms);
    ms_.store(ms);
    return *this;
  }

  // A block of the given length at bytesPerSecond; a format of 0 bytes per second leaves the
  // position where it is.
  void Advance(uint32_t length, uint32_t bytesPerSecond) {
    const uint64_t bytes = bytes_.fetch_add(length) + length;
    if (bytesPerSecond == 0) return;
    ms_.store(start_.load() + static_cast<uint32_t>(bytes * 1000 / bytesPerSecond));
  }

  uint32_t load() const { return ms_.load(); }
  operator uint32_t() const { return load(); }

 private:
  std::atomic<uint32_t> start_{0};
  std::atomic<uint64_t> bytes_{0};
  std::atomic<uint32_t> ms_{0};
};

}  // namespace wma
