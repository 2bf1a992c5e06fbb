// What every module's player handle holds for the frame: the handle check's magic value, the
// player mode, the pause and stop requests and where a run stands towards its end, with the
// mode rules the operations check. Each module's PlayerHandle derives from it.
#pragma once

#include <atomic>
#include <cstdint>

#include "engine/PluginInterface.h"

struct ModulePlayer {
  bool Running() const {
    const int32_t m = Mode.load();
    return m == pmPlaying || m == pmPaused;
  }
  bool IsClosed() const { return Mode.load() == pmClosed; }
  // A stream is set up: ready, finished, playing or paused.
  bool ReadyOrLater() const {
    const int32_t m = Mode.load();
    return m == pmReady || m == pmFinished || m == pmPlaying || m == pmPaused;
  }

  uint32_t Magic = HandleMagic;
  std::atomic<int32_t> Mode{pmClosed};
  std::atomic<uint8_t> PauseRequest{0};
  std::atomic<uint8_t> StopRequest{0};

  // Where a run stands towards its end: decoding; playing out what the output holds after the
  // last sample, when a seek sends it back to decoding; or ending, when a seek or a pause is
  // refused (it would end paused, or after the seek).
  enum class Stage { Decoding, PlayingOut, Ending };
  std::atomic<Stage> Stage{Stage::Decoding};
  // Set while QVSetPos drains the output and moves the input.
  std::atomic<bool> SeekPending{false};
};
