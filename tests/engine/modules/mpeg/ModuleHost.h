// A test host for teskdec.dll: loads the module with dlopen, binds the 42 exports by name and
// offers the small helpers the module's tests share (reading streams, WAV files, polling the
// player mode with a deadline).
#pragma once

#include <unistd.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <atomic>
#include <cstring>
#include <mutex>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "engine/PluginInterface.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"
#include "tests/support/PlayerTest.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"

using ModuleExports = QVExports;

// teskdec.dll as the build made it.
class ModuleLibrary : public LoadedModule {
 public:
  ModuleLibrary() : LoadedModule(TESKDEC_PATH) {}
};

// Frames of a constant-layout Layer I or II stream, walked header by header.
struct StreamLayout {
  int layer = 0;
  int rate = 0;
  int frames = 0;
  int firstFrameLength = 0;
  int samplesPerFrame() const { return layer == 1 ? 384 : 1152; }
};

inline StreamLayout WalkFrames(const std::vector<uint8_t>& s, size_t from = 0) {
  static const int rates[3] = {44100, 48000, 32000};
  static const int bitrates[2][15] = {
      {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
      {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384}};
  StreamLayout layout;
  size_t at = from;
  while (at + 4 <= s.size() && s[at] == 0xFF && (s[at + 1] & 0xE0) == 0xE0) {
    const int layer = 4 - ((s[at + 1] >> 1) & 3);
    const int bitrate = bitrates[layer == 1 ? 0 : 1][s[at + 2] >> 4];
    const int rate = rates[(s[at + 2] >> 2) & 3];
    const int padding = (s[at + 2] >> 1) & 1;
    const int length =
        layer == 1 ? (12000 * bitrate / rate + padding) * 4 : 144000 * bitrate / rate + padding;
    if (layout.frames == 0) {
      layout.layer = layer;
      layout.rate = rate;
      layout.firstFrameLength = length;
    }
    if (at + static_cast<size_t>(length) > s.size()) break;
    ++layout.frames;
    at += static_cast<size_t>(length);
  }
  return layout;
}

// Polls the player mode until it leaves the running modes; fails the test after the deadline.
inline int32_t WaitWhileRunning(const ModuleExports& qv, QVHandle h,
                                std::chrono::seconds deadline = std::chrono::seconds(120)) {
  int32_t mode = pmPlaying;
  const bool ended = WaitFor(
      [&] {
        mode = qv.QVGetPlayerMode(h);
        return mode != pmPlaying && mode != pmPaused;
      },
      deadline);
  if (!ended) ADD_FAILURE() << "the run did not end in time";
  return mode;
}

// An input served from memory through the input callbacks.
struct MemoryInput {
  std::vector<uint8_t> data;
  int64_t position = 0;
  bool refuseOpen = false;
  bool clearCanSetPosition = false;
  int64_t failReadsFrom = -1;  // reads that start at or after this position fail
  int opens = 0;
  int closes = 0;

  static QVBool WINAPI Open(QVUserValue user, QVStream* stream, QVByteBool* canSetPos) {
    auto* input = reinterpret_cast<MemoryInput*>(user);
    ++input->opens;
    if (input->refuseOpen) return FALSE;
    *stream = 77;
    input->position = 0;
    if (input->clearCanSetPosition) *canSetPos = 0;
    return TRUE;
  }
  static QVBool WINAPI Close(QVUserValue user, QVStream) {
    ++reinterpret_cast<MemoryInput*>(user)->closes;
    return TRUE;
  }
  static QVBool WINAPI GetSize(QVUserValue user, QVStream stream, int32_t* size) {
    *size = static_cast<int32_t>(reinterpret_cast<MemoryInput*>(user)->data.size());
    return stream == 77;
  }
  static QVBool WINAPI Seek(QVUserValue user, QVStream, int32_t* position, int32_t origin) {
    auto* input = reinterpret_cast<MemoryInput*>(user);
    const int64_t base = origin == 0   ? 0
                         : origin == 1 ? input->position
                                       : static_cast<int64_t>(input->data.size());
    const int64_t target = base + *position;
    if (target < 0 || target > static_cast<int64_t>(input->data.size())) return FALSE;
    input->position = target;
    *position = static_cast<int32_t>(target);
    return TRUE;
  }
  static QVBool WINAPI Read(QVUserValue user, QVStream, void* buffer, int32_t bytes,
                            int32_t* bytesRead) {
    auto* input = reinterpret_cast<MemoryInput*>(user);
    if (input->failReadsFrom >= 0 && input->position >= input->failReadsFrom) return FALSE;
    const int64_t left = static_cast<int64_t>(input->data.size()) - input->position;
    const int64_t count = bytes < left ? bytes : left;
    if (count > 0)
      std::memcpy(buffer, input->data.data() + input->position, static_cast<size_t>(count));
    input->position += count > 0 ? count : 0;
    *bytesRead = static_cast<int32_t>(count > 0 ? count : 0);
    return TRUE;
  }

  void Install(const ModuleExports& qv, QVHandle h) {
    EXPECT_TRUE(qv.QVSetInputMode(h, imCallback));
    EXPECT_TRUE(
        qv.QVSetInCB(h, Open, Close, GetSize, Seek, Read, reinterpret_cast<QVUserValue>(this)));
  }
};

// Output callbacks that keep every block; a gate can hold the decode thread in a chosen block.
struct BlockRecorder {
  std::mutex lock;
  std::vector<int> actions;
  std::vector<std::vector<uint8_t>> blocks;
  std::atomic<int> blockCount{0};
  std::atomic<int32_t> rate{0};
  int refuseBlock = -1;  // 1-based block answered false
  bool refuseStart = false;
  int holdAtBlock = -1;      // 1-based block at which the thread waits for Release()
  bool holdAtClose = false;  // the closing action waits for Release()
  std::atomic<bool> closing{false};
  std::atomic<bool> released{false};

  void Release() { released = true; }

  static QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
    auto* r = reinterpret_cast<BlockRecorder*>(user);
    {
      std::lock_guard<std::mutex> guard(r->lock);
      r->actions.push_back(init);
    }
    if (!init && r->holdAtClose) {
      r->closing = true;
      WaitFor([r] { return r->released.load(); });
    }
    return (init && r->refuseStart) ? FALSE : TRUE;
  }
  static QVBool WINAPI Data(void* samples, int32_t, int32_t, int32_t rate, int32_t size,
                            QVUserValue user) {
    auto* r = reinterpret_cast<BlockRecorder*>(user);
    r->rate = rate;
    int count;
    {
      std::lock_guard<std::mutex> guard(r->lock);
      auto* bytes = static_cast<uint8_t*>(samples);
      r->blocks.emplace_back(bytes, bytes + size);
      count = static_cast<int>(r->blocks.size());
    }
    r->blockCount = count;
    if (count == r->holdAtBlock) WaitFor([r] { return r->released.load(); });
    return count == r->refuseBlock ? FALSE : TRUE;
  }

  void Install(const ModuleExports& qv, QVHandle h) {
    EXPECT_TRUE(qv.QVSetOutputMode(h, omCallback));
    EXPECT_TRUE(qv.QVSetOutCB(h, Data, Action, reinterpret_cast<QVUserValue>(this)));
  }
  std::vector<uint8_t> Pcm() {
    std::lock_guard<std::mutex> guard(lock);
    std::vector<uint8_t> all;
    for (const auto& b : blocks) all.insert(all.end(), b.begin(), b.end());
    return all;
  }
};
