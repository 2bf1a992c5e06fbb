// The object QVInitModule hands the host: besides the frame's part (the magic value, the mode,
// the pause and stop requests) the decode thread of the current run and its seek flags.
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

  ModuleState& state;
  std::thread decodeThread;
  std::atomic<int32_t> decodeThreadId{0};
  // Set while QVSetPos positions the input: the decode thread waits between frames until the
  // seek is done, so the seek never starves behind the frame loop's lock.
  std::atomic<bool> seekPending{false};
  // Set while a run reads the input; the run clears it before it rewinds.
  std::atomic<bool> runOwnsInput{false};

  // Where a run stands towards its end, written under the stream's lock: decoding; playing out
  // what the output holds after the last frame, when a seek sends it back to decoding; or
  // ending, when a seek or a pause is refused.
  enum class Stage { Decoding, PlayingOut, Ending };
  std::atomic<Stage> stage{Stage::Decoding};
  // Set by a seek that lands while the run plays out; the run decodes on from there.
  std::atomic<bool> seekedAtEnd{false};
};

}  // namespace mpeg
