// The wave device output: each block becomes one device buffer, at most BuffersCount of them
// queued at a time. The writer and the device's completion callback share only the count of
// buffers in flight, changed atomically; the writer waits for the device by polling every
// 77 ms. While the use output callbacks switch is on, the start, the end and, where the
// module's rules say so, every block are reported to the host's output callbacks as well.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleErrorCode.h"
#include "engine/modules/common/OutputSettings.h"
#include "platform/win32/Multimedia.h"

// Where the modules' wave device outputs differ; each module fills its own.
struct WaveDeviceRules {
  // The highest rate the device is opened at; 0: the samples' own rate.
  uint32_t RateLimit = 0;
  // One poll interval's wait after the device opens, before the first block.
  bool WaitAfterOpen = false;
  // Every block goes to the output data callback too, not only the start and end reports.
  bool ReportBlocks = false;
  // A block waiting for room in the device's queue is dropped once a seek begins.
  bool DropWaitingBlockOnSeek = false;
};

class WaveDeviceOutput {
 public:
  WaveDeviceOutput(ModuleErrorCode& errors, const WaveDeviceRules& rules,
                   std::atomic<bool>& seekInProgress);
  WaveDeviceOutput(const WaveDeviceOutput&) = delete;
  WaveDeviceOutput& operator=(const WaveDeviceOutput&) = delete;

  // Code 6 without a device or when it does not open. May turn the settings' use output
  // callbacks switch off (no action callback, or the start report refused).
  void Open(OutputSettings& settings);
  // Code 6 when the device refuses the buffer; the block is released first, and the output has
  // failed for good (Failed) until it is opened again. A block dropped
  // during a seek holds the writer until the seek is over: a decoder that ran on while the
  // device plays out would drop the rest of the stream.
  void Write(const void* data, uint32_t length);
  // Waits until no buffer is in flight: true. False when `interrupted` says so first (asked at
  // every poll).
  bool Drain(const std::function<bool()>& interrupted = {});
  // A host's stop: the device is reset at once (every queued buffer comes back unplayed); a
  // write or a drain under way on another thread returns, and later blocks go nowhere. Close
  // follows.
  void Stop();
  // Closes the device once it has played every queued buffer (none after a stop).
  void Close();

  // The volume of the open device, or of a device opened for the call.
  bool CanSetVolume(const OutputSettings& settings, QVByteBool* separate);
  bool GetVolume(const OutputSettings& settings, uint32_t* volume);
  bool SetVolume(const OutputSettings& settings, uint32_t volume);

  int32_t BuffersInFlight() const { return inFlight_.load(); }
  bool Failed() const { return failed_; }

 private:
  static void CALLBACK Completion(HWAVEOUT device, UINT message, DWORD_PTR instance,
                                  DWORD_PTR param1, DWORD_PTR param2);
  WAVEFORMATEX Format(const OutputSettings& settings, bool limitRate) const;
  void DropDuringSeek();
  // One poll interval, cut short by a stop.
  void Pause();
  [[noreturn]] void Refuse();
  // Opens a device of the settings' number and format with no callback, for a volume call.
  HWAVEOUT OpenForVolume(const OutputSettings& settings) const;

  ModuleErrorCode& errors_;
  const WaveDeviceRules rules_;
  std::atomic<bool>& seekInProgress_;
  OutputSettings* settings_ = nullptr;
  std::atomic<HWAVEOUT> device_{nullptr};
  std::atomic<int32_t> inFlight_{0};
  std::vector<uint8_t> staging_;
  bool failed_ = false;  // written and read by the writing thread only
  std::atomic<bool> stopped_{false};
  std::mutex stopLock_;
  std::condition_variable stopSignal_;
};
