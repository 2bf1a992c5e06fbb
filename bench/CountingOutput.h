// The module's callback output for the benchmarks: counts the bytes and the rate it is told,
// and wakes the waiting thread when the module closes the output at the end of a run.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include "engine/PluginInterface.h"

struct CountingOutput {
  static QVBool WINAPI Data(void*, int32_t, int32_t, int32_t rate, int32_t size, QVUserValue user) {
    auto* out = reinterpret_cast<CountingOutput*>(user);
    out->bytes += static_cast<uint64_t>(size);
    out->rate = rate;
    return TRUE;
  }
  static QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
    auto* out = reinterpret_cast<CountingOutput*>(user);
    if (!init) {
      std::lock_guard<std::mutex> guard(out->lock);
      out->done = true;
      out->closed.notify_all();
    }
    return TRUE;
  }
  QVUserValue User() { return reinterpret_cast<QVUserValue>(this); }
  void WaitClosed() {
    std::unique_lock<std::mutex> guard(lock);
    closed.wait(guard, [&] { return done; });
  }

  std::atomic<uint64_t> bytes{0};
  std::atomic<int32_t> rate{0};
  std::mutex lock;
  std::condition_variable closed;
  bool done = false;
};
