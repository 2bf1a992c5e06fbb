// A test host for teskwma.dll: loads the module with dlopen, binds the 42 exports by name and
// offers what the module's tests share: fixtures, WAV files, output callbacks that record,
// polling with a deadline.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/PluginInterface.h"

struct WmaExports {
#define QV_MEMBER(name, result, params) name##Proc name = nullptr;
  QV_EXPORT_LIST(QV_MEMBER)
#undef QV_MEMBER
};

class WmaLibrary {
 public:
  explicit WmaLibrary(const char* path = TESKWMA_PATH) {
    // Kept mapped after dlclose: the SDK's libraries keep allocations of their own start-up
    // in their static data, which the leak checker must still see.
    library_ = dlopen(path, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (library_ == nullptr) return;
#define QV_BIND(name, result, params) \
  exports_.name = reinterpret_cast<name##Proc>(dlsym(library_, #name));
    QV_EXPORT_LIST(QV_BIND)
#undef QV_BIND
  }
  ~WmaLibrary() {
    if (library_ != nullptr) dlclose(library_);
  }
  WmaLibrary(const WmaLibrary&) = delete;
  WmaLibrary& operator=(const WmaLibrary&) = delete;

  bool Loaded() const { return library_ != nullptr; }
  bool AllBound() const {
    bool all = true;
#define QV_CHECK(name, result, params) all = all && exports_.name != nullptr;
    QV_EXPORT_LIST(QV_CHECK)
#undef QV_CHECK
    return all;
  }
  const WmaExports* operator->() const { return &exports_; }
  const WmaExports& operator*() const { return exports_; }

 private:
  void* library_ = nullptr;
  WmaExports exports_;
};

inline std::filesystem::path WmaFixture(const std::string& name) {
  return std::filesystem::path(BRASSEL_FIXTURES_DIR) / "wma" / name;
}

inline std::vector<uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteBytes(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline uint32_t Le32(const uint8_t* at) {
  return at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
}
inline uint16_t Le16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

// The parts of a WAV file the module writes.
struct WavFile {
  bool valid = false;
  uint32_t riffSize = 0;
  uint16_t channels = 0;
  uint32_t rate = 0;
  uint32_t bytesPerSecond = 0;
  uint16_t blockAlign = 0;
  uint16_t bits = 0;
  uint32_t dataSize = 0;
  std::vector<uint8_t> data;
};

inline WavFile ReadWav(const std::filesystem::path& path) {
  const std::vector<uint8_t> b = ReadBytes(path);
  WavFile wav;
  if (b.size() < 46 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
      std::string(b.begin() + 8, b.begin() + 16) != "WAVEfmt " || Le32(&b[16]) != 18 ||
      std::string(b.begin() + 38, b.begin() + 42) != "data")
    return wav;
  wav.riffSize = Le32(&b[4]);
  wav.channels = Le16(&b[22]);
  wav.rate = Le32(&b[24]);
  wav.bytesPerSecond = Le32(&b[28]);
  wav.blockAlign = Le16(&b[32]);
  wav.bits = Le16(&b[34]);
  wav.dataSize = Le32(&b[42]);
  wav.data.assign(b.begin() + 46, b.end());
  wav.valid = Le16(&b[20]) == 1 && Le16(&b[36]) == 0 && wav.riffSize == b.size() - 8;
  return wav;
}

// Waits for a condition another thread makes true, polling, with a deadline.
template <class Condition>
bool WaitFor(Condition condition, std::chrono::seconds deadline = std::chrono::seconds(60)) {
  const auto until = std::chrono::steady_clock::now() + deadline;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > until) return false;
    std::this_thread::yield();
  }
  return true;
}

// Polls the player mode until the run has ended; the mode it then reads.
inline int32_t WaitWhileRunning(const WmaExports& qv, QVHandle h) {
  int32_t mode = pmPlaying;
  const bool ended = WaitFor([&] {
    mode = qv.QVGetPlayerMode(h);
    return mode != pmPlaying && mode != pmPaused;
  });
  EXPECT_TRUE(ended) << "the run did not end in time";
  return mode;
}

// A fresh folder for one test's files.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "teskwma-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  const std::filesystem::path& path() const { return path_; }
  std::string File(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

// The host's output callbacks in callback mode: records every block, the start and end
// reports and the module's position at each block; can answer false from a given block on.
struct CallbackRecorder {
  static QVBool WINAPI Data(void* samples, int32_t bits, int32_t channels, int32_t rate,
                            int32_t size, QVUserValue user) {
    auto* self = reinterpret_cast<CallbackRecorder*>(user);
    std::lock_guard<std::mutex> lock(self->mutex);
    const auto* bytes = static_cast<const uint8_t*>(samples);
    self->pcm.insert(self->pcm.end(), bytes, bytes + size);
    self->sizes.push_back(size);
    self->format = {bits, channels, rate};
    if (self->qv != nullptr) self->positions.push_back(self->qv->QVGetPos(self->handle));
    const int block = ++self->blocks;
    if (self->onBlock) self->onBlock(block);
    return self->refuseFrom != 0 && block >= self->refuseFrom ? FALSE : TRUE;
  }
  static QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
    auto* self = reinterpret_cast<CallbackRecorder*>(user);
    std::lock_guard<std::mutex> lock(self->mutex);
    (init ? self->starts : self->ends)++;
    return self->refuseStart && init ? FALSE : TRUE;
  }

  void Install(const WmaExports& exports, QVHandle h) {
    qv = &exports;
    handle = h;
    ASSERT_TRUE(exports.QVSetOutputMode(h, omCallback));
    ASSERT_TRUE(exports.QVSetOutCB(h, &Data, &Action, reinterpret_cast<QVUserValue>(this)));
  }
  int Blocks() {
    std::lock_guard<std::mutex> lock(mutex);
    return blocks;
  }
  int Ends() {
    std::lock_guard<std::mutex> lock(mutex);
    return ends;
  }

  std::mutex mutex;
  std::vector<uint8_t> pcm;
  std::vector<int32_t> sizes;
  std::vector<int32_t> positions;
  struct {
    int32_t bits, channels, rate;
  } format{};
  int blocks = 0;
  int starts = 0;
  int ends = 0;
  int refuseFrom = 0;
  bool refuseStart = false;
  std::function<void(int)> onBlock;  // on the SDK's thread, under the recorder's lock
  const WmaExports* qv = nullptr;
  QVHandle handle = 0;
};
