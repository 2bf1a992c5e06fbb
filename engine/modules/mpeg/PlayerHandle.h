// The object QVInitModule hands the host: the handle check's magic value, the decode thread of
// the current run, the player mode and the pause and stop requests.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "engine/PluginInterface.h"
#include "engine/modules/common/DecoderModule.h"

class ModuleState;

struct PlayerHandle : public ModulePlayer {
  explicit PlayerHandle(ModuleState& moduleState);
  // For the player the module serves: ends a running decode, releases the decoder and closes
  // the input.
  ~PlayerHandle();
  PlayerHandle(const PlayerHandle&) = delete;
  PlayerHandle& operator=(const PlayerHandle&) = delete;

  bool Running() const {
    const int32_t m = mode.load();
    return m == pmPlaying || m == pmPaused;
  }
  // Raises the stop request and waits without a time limit for the decode thread to end.
  void EndRun();
  // Joins a decode thread that has ended by itself.
  void ReapThread();
  // Ends a running decode, releases the decoder and closes the input: mode pmClosed.
  void CloseInput();

  uint32_t magic = HandleMagic;
  ModuleState& state;
  std::thread decodeThread;
  std::atomic<int32_t> decodeThreadId{0};
  std::atomic<int32_t> mode{pmClosed};
  std::atomic<uint8_t> pauseRequest{0};
  std::atomic<uint8_t> stopRequest{0};
  // Set while QVSetPos positions the input: the decode thread waits between frames until the
  // seek is done, so the seek never starves behind the frame loop's lock.
  std::atomic<bool> seekPending{false};
  // Set while a run reads the input; the run clears it before it rewinds.
  std::atomic<bool> runOwnsInput{false};
};
