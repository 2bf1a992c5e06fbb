// The header check made before the demuxer reads a file: every clean file passes, and a header
// that declares more than it holds is refused, whichever of its sizes does so.
#include "platform/wmasdk/HeaderLayout.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/platform/wmasdk/SdkFixtures.h"

namespace {

bool Fits(const std::string& path) {
  const int file = ::open(path.c_str(), O_RDONLY);
  EXPECT_GE(file, 0) << path;
  const off_t size = ::lseek(file, 0, SEEK_END);
  const bool fits = HeaderLayoutFits(file, size);
  ::close(file);
  return fits;
}

TEST(HeaderLayout, EveryCleanFileFits) {
  for (const char* name : {"v1-22k-mono", "v1-48k-stereo", "v2-22k-mono-4s", "v2-32k-mono",
                           "v2-44k-stereo", "v2-8k-mono", "v2-long-title"}) {
    EXPECT_TRUE(Fits(WmaFixture(std::string(name) + ".wma"))) << name;
  }
}

// Where an object with this id begins in the file's bytes.
size_t ObjectAt(const std::vector<uint8_t>& bytes, std::initializer_list<uint8_t> id) {
  const std::vector<uint8_t> key(id);
  const auto at = std::search(bytes.begin() + 16, bytes.end(), key.begin(), key.end());
  EXPECT_NE(at, bytes.end());
  return static_cast<size_t>(at - bytes.begin());
}

void Put(std::vector<uint8_t>& bytes, size_t at, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) bytes[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

uint64_t Get(const std::vector<uint8_t>& bytes, size_t at, int width) {
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[at + i];
  return value;
}

const std::initializer_list<uint8_t> FileProperties = {0xa1, 0xdc, 0xab, 0x8c};
const std::initializer_list<uint8_t> StreamProperties = {0x91, 0x07, 0xdc, 0xb7};
const std::initializer_list<uint8_t> Extension = {0xb5, 0x03, 0xbf, 0x5f};
const std::initializer_list<uint8_t> ContentDescription = {0x33, 0x26, 0xb2, 0x75};

struct Damage {
  const char* name;
  std::function<void(std::vector<uint8_t>&)> apply;
};

const Damage Damages[] = {
    {"header past the file", [](auto& b) { Put(b, 16, b.size() + 1, 8); }},
    {"object past the header",
     [](auto& b) {
       const size_t at = ObjectAt(b, FileProperties);
       Put(b, at + 16, Get(b, 16, 8), 8);
     }},
    // A walk that took it as it is would stay on the object for ever.
    {"object of no size", [](auto& b) { Put(b, ObjectAt(b, ContentDescription) + 16, 0, 8); }},
    {"stream lengths past the object",
     [](auto& b) {
       const size_t at = ObjectAt(b, StreamProperties);
       Put(b, at + 64, Get(b, at + 64, 4) + Get(b, at + 16, 8), 4);
     }},
    {"error correction past the object",
     [](auto& b) {
       const size_t at = ObjectAt(b, StreamProperties);
       Put(b, at + 68, Get(b, at + 16, 8), 4);
     }},
    // Its data taking in the object that follows it, which fits.
    {"extension data past the extension",
     [](auto& b) {
       const size_t at = ObjectAt(b, Extension);
       const size_t next = at + Get(b, at + 16, 8);
       Put(b, at + 42, Get(b, at + 42, 4) + Get(b, next + 16, 8), 4);
     }},
    {"packets of two sizes",
     [](auto& b) {
       const size_t at = ObjectAt(b, FileProperties);
       Put(b, at + 96, Get(b, at + 96, 4) / 2, 4);
     }},
};

TEST(HeaderLayout, AHeaderDeclaringMoreThanItHoldsIsRefused) {
  for (const char* name : {"header-stream-lengths", "header-packet-sizes"}) {
    EXPECT_FALSE(Fits(FixturePath(std::string("wma-hostile/") + name + ".wma").string())) << name;
  }
  TempFolder folder;
  const std::vector<uint8_t> clean = ReadBytes(WmaFixture("v2-44k-stereo.wma"));
  for (const Damage& damage : Damages) {
    SCOPED_TRACE(damage.name);
    std::vector<uint8_t> bytes = clean;
    damage.apply(bytes);
    ASSERT_NE(bytes, clean);
    const std::string path = folder.File("damaged.wma");
    WriteBytes(path, bytes);
    EXPECT_FALSE(Fits(path));
  }
}

}  // namespace
