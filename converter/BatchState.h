// What the batch knows of player 0 beyond the mode it reports: whether a run that Play started
// is still to be seen ending by the timer, and a pmFinished report kept for the timer. The
// module reports pmFinished to the first question only; every command asks for the mode
// before it acts, so a command used between the end of a file and the next tick would take
// that one report and the batch would stand still. Every question goes through here, and the
// report is kept for the tick.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/PluginInterface.h"

class BatchState {
 public:
  // AskMode asks player 0 for its mode now (pmClosed while it holds no module).
  explicit BatchState(std::function<int32_t()> AskMode);

  // The mode as a command sees it; a pmFinished answer is kept for the timer.
  int32_t Mode();
  // A file is converted, or has ended and the timer has not yet moved the batch on: the batch
  // is running either way. The mode is asked first, so that a finished report is kept.
  bool Busy();
  // A run started by Play whose end the timer has not yet seen.
  bool RunPending() const { return runPending_; }

  // Play is about to start a run: a report left from before is not this run's end.
  void RunStarting() { finishedKept_ = false; }
  // Play has started a run.
  void RunStarted() { runPending_ = true; }
  // A new choice of files or an abort: nothing of the last run moves the batch on.
  void Forget();

  // What one tick acts on: the kept report, or else the mode asked now; and whether the tick
  // sees the pending run end (it is no longer pending then).
  struct TickView {
    int32_t Mode;
    bool RunEnded;
  };
  TickView Tick();

 private:
  std::function<int32_t()> askMode_;
  bool finishedKept_ = false;
  bool runPending_ = false;
};
