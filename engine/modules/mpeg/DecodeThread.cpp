#include "engine/modules/mpeg/DecodeThread.h"

#include <chrono>
#include <future>
#include <system_error>
#include <thread>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/ModuleState.h"
#include "engine/modules/mpeg/PlayerHandle.h"
#include "platform/win32/Threads.h"

namespace {

constexpr auto pausePoll = std::chrono::milliseconds(77);

// How the frame loop ended.
enum class RunEnd { ByItself, Stopped };

// Reads and decodes until the input or the end frame is reached, a failure occurs or the host
// stops the run. Failures propagate; their code is already set. The decoding rate was chosen
// for the output mode before the output opened, and the output mode cannot change during a
// run, so the run keeps that rate throughout.
RunEnd DecodeFrames(PlayerHandle& handle) {
  ModuleState& state = handle.state;
  MpegDecoder& decoder = state.decoder;
  for (;;) {
    {
      // The host's seek repositions the same input; it never reads at the same time.
      std::lock_guard<std::mutex> lock(state.readerLock);
      const FrameStatus status = decoder.ReadFrame();
      if (status == EndOfInput) return RunEnd::ByItself;
      if (status == FrameRead) {
        // Frames lost in front of this one are counted: they are decoded as silence.
        const uint32_t frame =
            state.frameCounter.load() + 1 + static_cast<uint32_t>(decoder.Reader.LostFrames());
        state.frameCounter = frame;
        state.PublishStreamInfo();
        if (frame < state.startFrame.load()) {
          decoder.SkipFrame();
        } else if (frame > state.endFrame.load()) {
          return RunEnd::ByItself;
        } else {
          decoder.DecodeFrame();
        }
      }
      // A header refused for its bit rate leaves code 5 for the host; like nothing found, it
      // is read past without counting.
      if (status == FrameRefused) state.errors.Set(qvInputFailure);
    }
    if (handle.pauseRequest.load()) {
      while (handle.pauseRequest.load() && !handle.stopRequest.load())
        std::this_thread::sleep_for(pausePoll);
    }
    if (handle.stopRequest.load()) return RunEnd::Stopped;
  }
}

void RunDecodeThread(PlayerHandle& handle) {
  ModuleState& state = handle.state;
  SetThreadPriority(GetCurrentThread(), state.threadPriority.load());

  RunEnd end = RunEnd::ByItself;
  bool outputFailed = false;
  try {
    end = DecodeFrames(handle);
  } catch (const ModuleFailure& failure) {
    if (failure.code != 0) state.errors.Set(failure.code);
    // A block the output refused is not offered again at the end.
    outputFailed = failure.code == qvOutputFailure;
  } catch (...) {
    state.errors.Set(qvInternalError);
  }
  if (handle.stopRequest.load()) end = RunEnd::Stopped;

  int32_t outcome = pmOpen;
  if (end == RunEnd::ByItself) {
    // The samples left in the block belong to the stream as well.
    if (!outputFailed) {
      try {
        state.decoder.FlushPcm();
      } catch (const ModuleFailure& failure) {
        if (failure.code != 0) state.errors.Set(failure.code);
      }
    }
    try {
      state.writer.DrainOutput();
    } catch (const ModuleFailure&) {
    }
    outcome = pmFinished;
  }
  {
    std::lock_guard<std::mutex> lock(state.readerLock);
    handle.runOwnsInput = false;
    state.decoder.Pcm.PcmFill = 0;
    // The frame counter keeps the last frame's position until the next stream set-up resets
    // it: a host polling the position while the mode still says playing never sees it fall
    // back.
    state.decoder.Rewind();
  }
  state.writer.CloseOutput();
  handle.stopRequest = 0;
  handle.mode = outcome;
}

}  // namespace

bool StartDecodeThread(PlayerHandle& handle) {
  std::promise<int32_t> started;
  std::future<int32_t> threadId = started.get_future();
  try {
    handle.decodeThread = std::thread([&handle, &started] {
      started.set_value(static_cast<int32_t>(GetCurrentThreadId()));
      RunDecodeThread(handle);
    });
  } catch (const std::system_error&) {
    return false;
  }
  // The host's QVSetPriority reaches the thread through its id.
  handle.decodeThreadId = threadId.get();
  return true;
}
