// A test host for teskwma.dll: loads the module with dlopen, binds the 42 exports by name and
// offers what the module's tests share: fixtures, output callbacks that record, polling with a
// deadline.
#pragma once

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
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"
#include "tests/support/PlayerTest.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/support/WavFile.h"

using WmaExports = QVExports;

// teskwma.dll as the build made it, or the module at another path.
class WmaLibrary : public LoadedModule {
 public:
  // Kept mapped after dlclose: the SDK's libraries keep allocations of their own start-up
  // in their static data, which the leak checker must still see.
  explicit WmaLibrary(const char* path = TESKWMA_PATH)
      : LoadedModule(path, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE) {}
};

inline std::filesystem::path WmaFixture(const std::string& name) {
  return FixturePath("wma/" + name);
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
