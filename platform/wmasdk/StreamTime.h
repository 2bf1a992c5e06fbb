// How the times of a stream's packets and frames read: in a unit of the stream's own (its time
// base, num/den seconds), counted from the stream's start (the origin). The origin is the
// demultiplexer's to decide and may still change while the first packets are read, so a time
// is taken with the origin of the moment it is read at.
#pragma once

#include <algorithm>
#include <cstdint>
#include <limits>

struct StreamTime {
  int num = 1;
  int den = 1000;
  int64_t origin = 0;
};

// A time or a rate as the SDK's 32-bit values carry it: nothing below 0, the largest past it.
inline uint32_t ClampToU32(int64_t value) {
  if (value <= 0) return 0;
  return static_cast<uint32_t>(std::min<int64_t>(value, std::numeric_limits<uint32_t>::max()));
}
