// The object QVInitModule hands the host: besides the frame's part (the magic value, the mode,
// the pause and stop requests, the run's stage and seek flag) the decode thread of the current
// run and whether a seek landed in its last stretch.
#pragma once

#include <atomic>
#include <cstdint>
#include <thread>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModulePlayer.h"

namespace mpeg {

class ModuleState;

struct PlayerHandle : public ModulePlayer {
  explicit PlayerHandle(ModuleState& moduleState);
  // For the player the module serves: ends a running decode, releases the decoder and closes
  // the input.
  ~PlayerHandle();
  PlayerHandle(const PlayerHandle&) = delete;
  PlayerHandle& operator=(const PlayerHandle&) = delete;

  // Raises the stop request, stops the output's sound at once and waits for the decode thread
  // to end.
  void EndRun();
  // Joins a decode thread that has ended by itself.
  void ReapThread();
  // Ends a running decode, releases the decoder and closes the input: mode pmClosed.
  void CloseInput();

  ModuleState& State;
  std::thread DecodeThread;
  std::atomic<int32_t> DecodeThreadId{0};
  // Set while a run reads the input; the run clears it before it rewinds.
  std::atomic<bool> RunOwnsInput{false};

  // The frame's run stage is written under the stream's lock; while a seek is pending the
  // decode thread waits between frames until it is done, so the seek never starves behind the
  // frame loop's lock. Set by a seek that lands while the run plays out; the run decodes on from
  // there.
  std::atomic<bool> SeekedAtEnd{false};
};

}  // namespace mpeg
