#include "engine/modules/mpeg/MpegModule.h"

#include <new>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/common/ModuleOperation.h"
#include "engine/modules/mpeg/DecodeThread.h"
#include "engine/modules/mpeg/ModuleState.h"
#include "engine/modules/mpeg/PlayerHandle.h"
#include "platform/win32/Threads.h"

namespace MpegModule {

namespace {

bool NotRunning(const PlayerHandle& handle) { return !handle.Running(); }
bool IsClosed(const PlayerHandle& handle) { return handle.mode.load() == pmClosed; }
bool ReadyOrLater(const PlayerHandle& handle) {
  const int32_t m = handle.mode.load();
  return m == pmReady || m == pmFinished || m == pmPlaying || m == pmPaused;
}

template <class Body>
bool Operation(PlayerHandle& handle, Body&& body) {
  return RunModuleOperation(handle.state.errors, false, [&]() -> bool { return body(); });
}

// Every full block of the PcmBlock goes to the output writer.
void WriteToOutput(void* context, uint8_t* block, int32_t bytes) {
  static_cast<ModuleState*>(context)->writer.WriteBlock(block, static_cast<uint32_t>(bytes));
}

// The decoder settings for a stream of the given rate. The wave device takes at most 44100 Hz:
// for it a stream of 48000 Hz or more is decoded at half rate, so that the device plays the
// samples at their own rate.
DecoderSettings DecodingSettings(const ModuleState& state, uint32_t streamRate) {
  const bool halfRate = streamRate >= 48000 && state.output.outputMode == omMMSystem;
  return {halfRate ? 1 : 0, state.output.bufferSize, state.synthesisScale};
}

// The output takes the rate of the samples the decoder was set up to make.
void TakeDecodingRate(ModuleState& state, uint32_t streamRate) {
  const bool halfRate = state.decoder.DownsampleLevel() != 0;
  const uint32_t outputRate = halfRate ? streamRate / 2 : streamRate;
  state.forcedOutputRate = halfRate ? static_cast<int32_t>(outputRate) : -1;
  state.output.sampleRate = outputRate;
}

int32_t Milliseconds(uint32_t frames, double frameDuration) {
  const double ms = frames * frameDuration;
  if (ms >= 4294967295.0) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

}  // namespace

PlayerHandle* InitModule() {
  ModuleState& state = ModuleState::Instance();
  PlayerHandle* handle = new (std::nothrow) PlayerHandle(state);
  if (handle == nullptr) return nullptr;
  if (!state.com.Initialise()) {
    delete handle;
    return nullptr;
  }
  return handle;
}

bool DeInitModule(PlayerHandle& handle) {
  ModuleState& state = handle.state;
  // COM stays entered for the player the module serves.
  const bool served = state.current == &handle;
  delete &handle;
  if (served) state.com.Release();
  return true;
}

bool Open(PlayerHandle& handle) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(IsClosed(handle));
    handle.pauseRequest = 0;
    try {
      if (state.input.Mode != imCallback && !state.inputNameSet) RaiseModuleFailure(qvInputFailure);
      if (state.input.Mode == imCallback &&
          (state.input.Open == nullptr || state.input.GetSize == nullptr ||
           state.input.Seek == nullptr || state.input.Read == nullptr))
        RaiseModuleFailure(qvInputFailure);
      state.session.OpenInput(state.input, &state.canSetPosition);
      state.output.inputFile = state.stream.Input().Identity();
    } catch (...) {
      // A failed open closes what it opened.
      if (state.stream.IsOpen()) state.stream.Close();
      RaiseModuleFailure(qvInputFailure);
    }
    handle.mode = pmOpen;
    return true;
  });
}

bool InitStream(PlayerHandle& handle) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(handle.mode.load() == pmOpen);
    handle.ReapThread();
    const FrameStatus status = state.session.Start(
        [&](const FrameHeader& first) {
          return DecodingSettings(state, static_cast<uint32_t>(first.SampleRate()));
        },
        WriteToOutput, &state);
    if (status != FrameRead) {
      if (status == FrameRefused) RaiseModuleFailure(qvInputFailure);
      return false;
    }
    state.PublishStreamInfo(state.stream.Header(), state.stream.FrameLimit());
    state.MeasureFrameDuration();
    state.output.frameDuration = state.FrameDuration();

    TakeDecodingRate(state, static_cast<uint32_t>(state.stream.Header().SampleRate()));
    handle.mode = pmReady;
    return true;
  });
}

bool Play(PlayerHandle& handle) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(handle.mode.load() == pmReady);
    if (state.output.outputMode == omCallback &&
        (state.output.dataCallback == nullptr || state.output.actionCallback == nullptr)) {
      state.errors.Set(qvCallbackMissing);
      return false;
    }
    handle.ReapThread();
    // A stream prepared at full rate for another output and then played on the wave device:
    // the half rate is taken now, before the device opens at the rate of the samples.
    if (state.output.outputMode == omMMSystem && state.decoder.DownsampleLevel() == 0 &&
        state.output.sampleRate >= 48000) {
      state.session.SetUp(DecodingSettings(state, state.output.sampleRate));
      TakeDecodingRate(state, state.output.sampleRate);
    }
    state.writer.OpenOutput(state.output);
    if (state.endLimit.load() == 0) state.endLimit = state.startLimit.load();
    state.ConvertLimits();
    state.stream.ClearHeaderChanged();
    handle.stopRequest = 0;
    // A run starts unpaused, also after one that was stopped while paused.
    handle.pauseRequest = 0;
    handle.runOwnsInput = true;
    // The mode is set first: a short run may end before this thread goes on.
    handle.mode = pmPlaying;
    if (!StartDecodeThread(handle)) {
      handle.mode = pmReady;
      handle.runOwnsInput = false;
      state.writer.DiscardOutput();
      RaiseModuleFailure(qvInternalError);
    }
    return true;
  });
}

bool Pause(PlayerHandle& handle) {
  return Operation(handle, [&] {
    RequireMode(handle.Running());
    handle.pauseRequest = 1;
    int32_t expected = pmPlaying;
    // Only a run still in progress becomes paused.
    if (!handle.mode.compare_exchange_strong(expected, pmPaused) && expected != pmPaused)
      RequireMode(false);
    return true;
  });
}

bool Resume(PlayerHandle& handle) {
  return Operation(handle, [&] {
    RequireMode(handle.Running());
    handle.pauseRequest = 0;
    int32_t expected = pmPaused;
    if (!handle.mode.compare_exchange_strong(expected, pmPlaying) && expected != pmPlaying)
      RequireMode(false);
    return true;
  });
}

bool Stop(PlayerHandle& handle) {
  return Operation(handle, [&] {
    const int32_t m = handle.mode.load();
    RequireMode(m == pmPlaying || m == pmPaused || m == pmFinished);
    handle.EndRun();
    handle.ReapThread();
    handle.mode = pmOpen;
    return true;
  });
}

bool Close(PlayerHandle& handle) {
  handle.CloseInput();
  return true;
}

bool SetPos(PlayerHandle& handle, uint32_t position) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(handle.Running());
    handle.seekPending = true;
    struct SeekDone {
      PlayerHandle& handle;
      ~SeekDone() { handle.seekPending = false; }
    } seekDone{handle};
    state.writer.SetSeekInProgress(true);
    if (state.writer.ActiveOutputMode() != omDirectSound) {
      try {
        state.writer.DrainOutput();
      } catch (const ModuleFailure&) {
      }
    }
    state.writer.SetSeekInProgress(false);
    const double d = state.FrameDuration();
    if (d <= 0.0) return true;
    const auto frame = static_cast<uint32_t>(position / d);
    // The lock the decode thread holds for each frame step.
    auto lock = state.stream.Lock();
    // A run that ended meanwhile has rewound the input for the next one: leave it there.
    if (!handle.runOwnsInput.load()) return true;
    try {
      state.session.SeekToFrame(frame);
    } catch (const ModuleFailure&) {
    }
    return true;
  });
}

bool SetInputMode(PlayerHandle& handle, int32_t mode) {
  return Operation(handle, [&] {
    RequireMode(IsClosed(handle));
    handle.state.input.Mode = mode == imCallback ? imCallback : imFile;
    return true;
  });
}

bool SetInputName(PlayerHandle& handle, const char* name) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(IsClosed(handle));
    state.input.Name = name != nullptr ? name : "";
    state.inputNameSet = name != nullptr;
    return true;
  });
}

bool SetOutputMode(PlayerHandle& handle, int32_t mode) {
  return Operation(handle, [&] {
    RequireMode(NotRunning(handle));
    handle.state.output.outputMode = mode;
    return true;
  });
}

bool SetOutputName(PlayerHandle& handle, const char* name) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(NotRunning(handle));
    if (name != nullptr)
      state.output.outputName = name;
    else
      state.output.outputName.reset();
    return true;
  });
}

bool SetOutputDev(PlayerHandle& handle, int32_t device) {
  return Operation(handle, [&] {
    RequireMode(IsClosed(handle));
    handle.state.output.deviceNumber = device;
    return true;
  });
}

bool SetDevNum(PlayerHandle& handle, int32_t device) {
  return Operation(handle, [&] {
    RequireMode(NotRunning(handle));
    handle.state.output.deviceNumber = device;
    return true;
  });
}

bool SetBuffers(PlayerHandle& handle, int32_t count, int32_t size) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(NotRunning(handle));
    if (count != 0) state.output.buffersCount = count;
    // The block holds whole synthesis calls; a new size reaches the block at the next stream
    // initialisation.
    if (size != 0) state.output.bufferSize = static_cast<int32_t>(PcmBlock::UsableSize(size));
    return true;
  });
}

bool SetPriority(PlayerHandle& handle, int32_t priority) {
  if (handle.Running()) {
    const int32_t id = handle.decodeThreadId.load();
    HANDLE thread =
        id != 0 ? OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(id)) : nullptr;
    return thread != nullptr && SetThreadPriority(thread, priority);
  }
  handle.state.threadPriority = priority;
  return true;
}

bool SetLimits(PlayerHandle& handle, uint32_t start, uint32_t end) {
  ModuleState& state = handle.state;
  state.startLimit = start;
  state.endLimit = end < start ? start : end;
  if (ReadyOrLater(handle)) state.ConvertLimits();
  return true;
}

bool SetWindow(PlayerHandle& handle, HWND window) {
  return Operation(handle, [&] {
    RequireMode(NotRunning(handle));
    handle.state.output.window = window;
    return true;
  });
}

bool UseOutCB(PlayerHandle& handle, bool use) {
  return Operation(handle, [&] {
    RequireMode(NotRunning(handle));
    handle.state.output.useOutputCallbacks = use;
    return true;
  });
}

bool SetOutCB(PlayerHandle& handle, QVOutputProc data, QVOutputActionProc action,
              QVUserValue user) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(NotRunning(handle));
    state.output.dataCallback = data;
    state.output.actionCallback = action;
    state.output.outputUser = user;
    return true;
  });
}

bool SetInCB(PlayerHandle& handle, QVInputOpenProc open, QVInputCloseProc close,
             QVInputGetSizeProc getSize, QVInputSeekProc seek, QVInputReadProc read,
             QVUserValue user) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    RequireMode(IsClosed(handle));
    state.input.Open = open;
    state.input.Close = close;
    state.input.GetSize = getSize;
    state.input.Seek = seek;
    state.input.Read = read;
    state.input.User = user;
    return true;
  });
}

int32_t GetPlayerMode(PlayerHandle& handle) {
  int32_t expected = pmFinished;
  // pmFinished is reported once.
  if (handle.mode.compare_exchange_strong(expected, pmOpen)) return pmFinished;
  return expected;
}

int32_t GetPos(PlayerHandle& handle) {
  return RunModuleOperation(handle.state.errors, -1, [&]() -> int32_t {
    ModuleState& state = handle.state;
    const int32_t m = handle.mode.load();
    if (m == pmFinished) return GetSize(handle);
    RequireMode(m == pmPlaying || m == pmPaused);
    return Milliseconds(state.stream.FrameCounter(), state.FrameDuration());
  });
}

int32_t GetSize(PlayerHandle& handle) {
  return RunModuleOperation(handle.state.errors, -1, [&]() -> int32_t {
    ModuleState& state = handle.state;
    RequireMode(ReadyOrLater(handle));
    return Milliseconds(state.PublishedFrameLimit(), state.FrameDuration());
  });
}

bool CanSetPos(PlayerHandle& handle) {
  return Operation(handle, [&] {
    RequireMode(!IsClosed(handle));
    return handle.state.canSetPosition != 0;
  });
}

bool GetInfo1(PlayerHandle& handle, StreamInfo* info, uint32_t* size) {
  return Operation(handle, [&] {
    ModuleState& state = handle.state;
    // A size query, in any mode.
    if (info == nullptr || size == nullptr || *size < sizeof(StreamInfo)) {
      if (size != nullptr) *size = sizeof(StreamInfo);
      state.errors.Clear();
      return false;
    }
    *size = sizeof(StreamInfo);
    RequireMode(ReadyOrLater(handle));
    *info = state.PublishedInfo();
    *size = sizeof(StreamInfo);
    return true;
  });
}

bool GetInfo2(PlayerHandle& handle, const char** text) {
  return Operation(handle, [&] {
    RequireMode(!IsClosed(handle));
    if (text != nullptr) *text = handle.state.stream.TagBlock();
    return true;
  });
}

int32_t LastError(PlayerHandle& handle) { return handle.state.errors.Take(); }

bool GetVolume(PlayerHandle& handle, uint32_t* volume) {
  ModuleState& state = handle.state;
  return state.writer.GetOutputVolume(state.output, volume);
}

bool SetVolume(PlayerHandle& handle, uint32_t volume) {
  ModuleState& state = handle.state;
  return state.writer.SetOutputVolume(state.output, volume);
}

bool CanSetVolume(PlayerHandle& handle, QVByteBool* separate) {
  ModuleState& state = handle.state;
  return state.writer.CanSetOutputVolume(state.output, separate);
}

bool UseEQ(PlayerHandle& handle, bool use) {
  handle.state.decoder.Equalizer().On = use ? 1 : 0;
  return true;
}

bool EQ(PlayerHandle& handle, double** gains, int32_t* channels, int32_t* bands) {
  if (gains != nullptr) *gains = &handle.state.decoder.Equalizer().Gains[0][0];
  if (channels != nullptr) *channels = EqualizerGains::Channels;
  if (bands != nullptr) *bands = EqualizerGains::Bands;
  return true;
}

}  // namespace MpegModule
