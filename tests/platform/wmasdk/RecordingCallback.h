// A callback object for the reader's tests: records every call, lets a test hold the reader's
// thread inside OnSample, and waits for conditions with a deadline.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wmasdk/WmaSdk.h"

class RecordingCallback final : public IWMAudioReadCallback {
 public:
  struct Call {
    bool sample;
    DWORD length;  // sample: bytes
    DWORD time;    // sample: ms
    WMT_STATUS status;
    std::thread::id thread;
  };

  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override { return --references; }

  HRESULT WINAPI OnSample(const BYTE* data, DWORD length, DWORD msTime) override {
    std::unique_lock<std::mutex> lock(mutex_);
    calls_.push_back({true, length, msTime, WMT_ERROR, std::this_thread::get_id()});
    pcm_.insert(pcm_.end(), data, data + length);
    ++inside_;
    changed_.notify_all();
    changed_.wait(lock, [&] { return !holding_; });
    if (onSample) {
      lock.unlock();
      onSample(calls_.size());
      lock.lock();
    }
    --inside_;
    ++finishedSamples_;
    changed_.notify_all();
    return S_OK;
  }

  HRESULT WINAPI OnStatus(WMT_STATUS status, HRESULT, const void*) override {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.push_back({false, 0, 0, status, std::this_thread::get_id()});
    changed_.notify_all();
    if (onStatus) onStatus(status);
    return S_OK;
  }

  // While held, a sample call waits inside OnSample until Unhold.
  void Hold() {
    std::lock_guard<std::mutex> lock(mutex_);
    holding_ = true;
  }
  void Unhold() {
    std::lock_guard<std::mutex> lock(mutex_);
    holding_ = false;
    changed_.notify_all();
  }

  // Waits until the condition holds (checked under the lock, at every call and every few
  // milliseconds, for conditions no call signals) or 20 s passed.
  bool WaitFor(const std::function<bool()>& condition) {
    std::unique_lock<std::mutex> lock(mutex_);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!condition()) {
      if (std::chrono::steady_clock::now() > deadline) return false;
      changed_.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
  }
  bool WaitForStatus() {
    return WaitFor([&] { return !calls_.empty() && !calls_.back().sample; });
  }
  bool WaitForSamples(size_t count) {
    return WaitFor([&] { return finishedSamples_ >= count; });
  }
  bool WaitInside() {
    return WaitFor([&] { return inside_ > 0; });
  }
  // A sample call is in progress, or the last call was a status (nothing more to deliver).
  bool WaitInsideOrStatus() {
    return WaitFor([&] { return inside_ > 0 || (!calls_.empty() && !calls_.back().sample); });
  }

  std::vector<Call> Calls() {
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
  }
  std::vector<uint8_t> Pcm() {
    std::lock_guard<std::mutex> lock(mutex_);
    return pcm_;
  }
  int Inside() {
    std::lock_guard<std::mutex> lock(mutex_);
    return inside_;
  }
  size_t FinishedSamples() {
    std::lock_guard<std::mutex> lock(mutex_);
    return finishedSamples_;
  }
  void Clear() {
    std::lock_guard<std::mutex> lock(mutex_);
    calls_.clear();
    pcm_.clear();
    finishedSamples_ = 0;
  }

  // Run on the reader's thread after the n-th sample call (n counted from 1) and at a status.
  std::function<void(size_t)> onSample;
  std::function<void(WMT_STATUS)> onStatus;
  std::atomic<ULONG> references{1};

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::vector<Call> calls_;
  std::vector<uint8_t> pcm_;
  bool holding_ = false;
  int inside_ = 0;
  size_t finishedSamples_ = 0;
};
