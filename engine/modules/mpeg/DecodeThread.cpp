#include "engine/modules/mpeg/DecodeThread.h"

#include <chrono>
#include <future>
#include <system_error>
#include <thread>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/ModuleState.h"
#include "engine/modules/mpeg/PlayerHandle.h"
#include "platform/win32/Threads.h"

namespace mpeg {

namespace {

constexpr auto pausePoll = std::chrono::milliseconds(77);
constexpr auto seekPoll = std::chrono::milliseconds(1);

// How the frame loop ended.
enum class RunEnd { ByItself, Stopped };

// Reads and decodes until the input or the end frame is reached, a failure occurs or the host
// stops the run. Failures propagate; their code is already set. The decoding rate was chosen
// for the output mode before the output opened, and the output mode cannot change during a
// run, so the run keeps that rate throughout.
RunEnd DecodeFrames(PlayerHandle& handle) {
  ModuleState& state = handle.State;
  const auto awaitSeek = [&] {
    while (handle.SeekPending.load() && !handle.StopRequest.load())
      std::this_thread::sleep_for(seekPoll);
  };
  const auto limits = [&] { return FrameRange{state.StartFrame.load(), state.EndFrame.load()}; };
  const auto publish = [&](const StepResult& step) {
    state.PublishStreamInfo(step.Header, step.FrameLimit);
  };
  // After each step the host's queries see the frame read, and its requests are answered
  // before the next step.
  const auto betweenSteps = [&](const StepResult& step, FrameRange& next) {
    if (step.Outcome == StepOutcome::Decoded || step.Outcome == StepOutcome::Skipped) publish(step);
    // A header refused for its bit rate leaves code 5 for the host; like nothing found, it is
    // read past without counting.
    if (step.Outcome == StepOutcome::Refused) state.Errors.Set(qvInputFailure);
    if (handle.PauseRequest.load()) {
      while (handle.PauseRequest.load() && !handle.StopRequest.load())
        std::this_thread::sleep_for(pausePoll);
    }
    if (handle.StopRequest.load()) return false;
    awaitSeek();
    next = limits();
    return true;
  };
  awaitSeek();
  const DecodeEnd end = state.Session.DecodeToEnd(limits(), betweenSteps);
  if (end.Stopped) return RunEnd::Stopped;
  if (end.Last.Outcome == StepOutcome::PastEnd) publish(end.Last);
  return RunEnd::ByItself;
}

// The samples left in the block belong to the stream as well: at the end of a run that ended
// by itself they go to the output before it plays out, unless the output refused a block of
// the run. A failed write leaves its code; nothing is raised.
void WriteHeldSamples(ModuleState& state) {
  if (state.Writer.BlockRefused()) return;
  try {
    state.Pcm.Flush();
  } catch (const ModuleFailure& failure) {
    if (failure.Code != 0) state.Errors.Set(failure.Code);
  }
}

void RunDecodeThread(PlayerHandle& handle) {
  ModuleState& state = handle.State;
  SetThreadPriority(GetCurrentThread(), state.ThreadPriority.load());

  int32_t outcome = pmOpen;
  for (;;) {
    RunEnd end = RunEnd::ByItself;
    bool failed = false;
    try {
      end = DecodeFrames(handle);
    } catch (const ModuleFailure& failure) {
      if (failure.Code != 0) state.Errors.Set(failure.Code);
      failed = true;
    } catch (...) {
      state.Errors.Set(qvInternalError);
      failed = true;
    }
    if (end == RunEnd::Stopped || handle.StopRequest.load()) break;
    outcome = pmFinished;
    if (failed) {
      {
        auto lock = state.Stream.Lock();
        handle.Stage = PlayerHandle::Stage::Ending;
      }
      WriteHeldSamples(state);
      state.Writer.PlayOut();
      break;
    }
    {
      auto lock = state.Stream.Lock();
      handle.Stage = PlayerHandle::Stage::PlayingOut;
    }
    WriteHeldSamples(state);
    if (!state.GoesOnAfterPlayOut(handle)) break;
    outcome = pmOpen;
  }
  {
    auto lock = state.Stream.Lock();
    handle.RunOwnsInput = false;
    state.Stream.WatchStopRequest(nullptr);
    state.Pcm.Discard();
    state.Pcm.SetSink(nullptr, nullptr);
    // The frame counter keeps the last frame's position until the next stream set-up resets
    // it: a host polling the position while the mode still says playing never sees it fall
    // back.
    state.Session.Rewind();
  }
  state.Writer.CloseOutput();
  handle.StopRequest = 0;
  handle.Mode = outcome;
}

}  // namespace

bool StartDecodeThread(PlayerHandle& handle) {
  std::promise<int32_t> started;
  std::future<int32_t> threadId = started.get_future();
  try {
    handle.DecodeThread = std::thread([&handle, &started] {
      started.set_value(static_cast<int32_t>(GetCurrentThreadId()));
      RunDecodeThread(handle);
    });
  } catch (const std::system_error&) {
    return false;
  }
  // The host's QVSetPriority reaches the thread through its id.
  handle.DecodeThreadId = threadId.get();
  return true;
}

}  // namespace mpeg
