// The DirectSound output: a looping secondary buffer of BuffersCount x BufferSize bytes, fed
// by the FeedTimer, a one-shot multimedia timer that re-arms itself about once per frame and
// moves what the StagingRing holds into the buffer right behind the sound fed before, as far
// as the play cursor has freed it; the rest of the freed part is silence. The first block goes
// in at the start of the buffer before it plays. The writer only appends to the ring. The
// ring, its fill, the feed cursor and the sound ahead of the play cursor are guarded by one
// lock; two auto-reset events connect the writer (space available) and the drain (everything
// played) to the timer.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <vector>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModuleErrorCode.h"
#include "engine/modules/common/OutputSettings.h"
#include "platform/win32/DirectSound.h"

class DirectSoundOutput {
 public:
  DirectSoundOutput(ModuleErrorCode& errors, std::atomic<bool>& seekInProgress);
  DirectSoundOutput(const DirectSoundOutput&) = delete;
  DirectSoundOutput& operator=(const DirectSoundOutput&) = delete;

  // Code 3 without COM; code 6 when the object, its initialisation, the cooperative level or
  // the buffer fails (what was made is released first).
  void Open(const OutputSettings& settings, bool comUsable);
  // The first block starts playback (code 6 when that fails); then blocks are appended to the
  // ring, waiting for space in 50 ms steps. Code 6 once the feed has failed.
  void Write(const void* data, uint32_t length);
  // Waits until the last sample written has played and the FeedTimer has stopped the buffer:
  // true. False when `interrupted` says so first (asked every few milliseconds): the sound goes
  // on and the writer may append again.
  bool Drain(const std::function<bool()>& interrupted = {});
  // A host's stop: the buffer stops at once, so the device is given nothing more; a write or a
  // drain under way on another thread returns, later blocks go nowhere and the FeedTimer feeds
  // no more. Close follows.
  void Stop();
  void Close();

  // Whether a secondary buffer exists, which the volume operations need.
  bool HasBuffer() const;
  // The buffer's volume; false when there is no buffer.
  bool GetVolume(uint32_t* volume);
  bool SetVolume(uint32_t volume);

  // The FeedTimer's delay in milliseconds for the settings of the moment.
  uint32_t FeedDelay() const;

 private:
  class AutoResetEvent {
   public:
    void Set();
    void Reset();
    // False when the time ran out.
    bool Wait(std::chrono::milliseconds limit);

   private:
    std::mutex lock_;
    std::condition_variable signalled_;
    bool set_ = false;
  };

  static void CALLBACK FeedTimerProc(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR,
                                     DWORD_PTR);
  void FeedTimer();
  void StartFeed();
  bool FillSilence(uint32_t bytes);
  bool CopyFromRing(uint32_t bytes);
  // Appends the block when the ring has room for it.
  bool Append(const uint8_t* data, uint32_t length);
  void WriteToRing(const uint8_t* data, uint32_t length);
  void Arm();
  void FeedFailed();
  void ReleaseObjects();

  ModuleErrorCode& errors_;
  std::atomic<bool>& seekInProgress_;
  const OutputSettings* settings_ = nullptr;

  IDirectSound* object_ = nullptr;
  IDirectSoundBuffer* buffer_ = nullptr;
  // Keeps the volume calls of the host's thread away from a buffer being released.
  mutable std::mutex bufferLock_;

  uint32_t capacity_ = 0;  // C: the looping buffer's size and the ring's
  // BufferSize as the writer last saw it; the FeedTimer reads it on its own thread.
  std::atomic<uint32_t> blockSize_{0};
  uint8_t silence_ = 0;
  double frameDuration_ = 0.0;  // milliseconds of one frame of the stream; 0: none
  uint32_t bytesPerSec_ = 0;
  // The ring lock, around the ring, its fill F, the feed cursor W, the sound ahead of the play
  // cursor and the buffer's Lock/Unlock.
  std::mutex ringLock_;
  std::vector<uint8_t> ring_;
  uint32_t fill_ = 0;
  uint32_t feedCursor_ = 0;  // W: the end of the sound fed
  uint32_t ahead_ = 0;       // bytes fed that the play cursor had not reached at the last feed
  uint32_t lastPlay_ = 0;    // the play cursor at the last feed
  AutoResetEvent ringSpace_;
  AutoResetEvent ringDrained_;

  std::atomic<bool> feedPlaying_{false};
  std::atomic<bool> feedDraining_{false};
  std::atomic<bool> feedFailed_{false};
  // Set by Stop; the buffer is not played again until the output opens anew.
  std::atomic<bool> stopped_{false};
  // Arming and recording the timer's identifier go together, so a run that starts before its
  // identifier is recorded still finds it; closing stops the re-arming.
  std::mutex timerLock_;
  UINT timerId_ = 0;
  bool closing_ = false;
  // Held by every FeedTimer run; close takes it to wait for a run in progress.
  std::mutex feedRun_;
};
