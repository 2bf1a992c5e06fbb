#include "converter/BatchState.h"

#include <utility>

BatchState::BatchState(std::function<int32_t()> AskMode) : askMode_(std::move(AskMode)) {}

int32_t BatchState::Mode() {
  const int32_t mode = askMode_();
  if (mode == pmFinished) finishedKept_ = true;
  return mode;
}

bool BatchState::Busy() {
  const bool playing = Mode() == pmPlaying;
  return playing || runPending_;
}

void BatchState::Forget() {
  finishedKept_ = false;
  runPending_ = false;
}

BatchState::TickView BatchState::Tick() {
  int32_t mode = pmFinished;
  if (!finishedKept_) mode = Mode();
  finishedKept_ = false;
  // Paused is still the run; any other mode is its end, by itself or by a failure.
  const bool runEnded = runPending_ && mode != pmPlaying && mode != pmPaused;
  if (runEnded) runPending_ = false;
  return {mode, runEnded};
}
