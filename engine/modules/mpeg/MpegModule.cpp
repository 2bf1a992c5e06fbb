#include "engine/modules/mpeg/MpegModule.h"

#include <chrono>
#include <new>
#include <thread>

#include "engine/modules/common/HandleCheck.h"
#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/common/ModuleOperation.h"
#include "engine/modules/mpeg/DecodeThread.h"
#include "engine/modules/mpeg/ModuleState.h"
#include "engine/modules/mpeg/PlayerHandle.h"
#include "platform/win32/Threads.h"

namespace mpeg {

namespace {

constexpr ModuleTexts MpegTexts{"Audio MPEG", "*.mp1;*.mp2;*.mp3",
                                "Brassel MPEG audio decoder (Layers I, II, III) by Ormund.", 120};

// How often the end of a run looks whether a seek is done.
constexpr auto SeekPoll = std::chrono::milliseconds(1);

PlayerHandle& Handle(ModulePlayer& player) { return static_cast<PlayerHandle&>(player); }

// The decoder settings for a stream of the given rate. The wave device takes at most 44100 Hz:
// for it a stream of 48000 Hz or more is decoded at half rate, so that the device plays the
// samples at their own rate.
DecoderSettings DecodingSettings(const ModuleState& state, uint32_t streamRate) {
  const bool halfRate = streamRate >= 48000 && state.Output.OutputMode == omMMSystem;
  return {halfRate ? 1 : 0, state.Output.BufferSize, state.SynthesisScale};
}

// The output takes the rate of the samples the decoder was set up to make.
void TakeDecodingRate(ModuleState& state, uint32_t streamRate) {
  const bool halfRate = state.Decoder.DownsampleLevel() != 0;
  const uint32_t outputRate = halfRate ? streamRate / 2 : streamRate;
  state.Output.SampleRate = outputRate;
}

// The input the stream reads, as the record's input settings give it.
InputSource SourceOf(const InputSettings& input) {
  return {
      input.InputMode,       input.InputName.value_or(""), input.OpenCallback, input.CloseCallback,
      input.GetSizeCallback, input.SeekCallback,           input.ReadCallback, input.InputUser};
}

int32_t Milliseconds(uint32_t frames, double frameDuration) {
  const double ms = frames * frameDuration;
  if (ms >= 4294967295.0) return -1;
  return static_cast<int32_t>(static_cast<uint32_t>(ms));
}

}  // namespace

MpegModule& MpegModule::Instance() {
  static MpegModule module;
  return module;
}

MpegModule::MpegModule() : ModuleState(MpegTexts) {}

ModulePlayer* MpegModule::Checked(QVHandle h) { return CheckHandle<PlayerHandle>(h); }

QVHandle MpegModule::HandleOf(ModulePlayer& player) {
  return reinterpret_cast<QVHandle>(&Handle(player));
}

ModulePlayer* MpegModule::InitModule() {
  PlayerHandle* handle = new (std::nothrow) PlayerHandle(*this);
  if (handle == nullptr) return nullptr;
  if (!Com.Initialise()) {
    delete handle;
    return nullptr;
  }
  return handle;
}

bool MpegModule::DeInitModule(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  // COM stays entered for the player the module serves.
  const bool served = Current == &handle;
  delete &handle;
  if (served) Com.Release();
  return true;
}

bool MpegModule::Open(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  return Operation([&] {
    RequireMode(handle.IsClosed());
    handle.PauseRequest = 0;
    try {
      if (Input.InputMode != imCallback && !Input.InputName) RaiseModuleFailure(qvInputFailure);
      if (Input.InputMode == imCallback &&
          (Input.OpenCallback == nullptr || Input.GetSizeCallback == nullptr ||
           Input.SeekCallback == nullptr || Input.ReadCallback == nullptr))
        RaiseModuleFailure(qvInputFailure);
      Session.OpenInput(SourceOf(Input), &CanSetPosition);
      Output.InputFile = Stream.Input().Identity();
    } catch (...) {
      // A failed open closes what it opened.
      if (Stream.IsOpen()) Stream.Close();
      RaiseModuleFailure(qvInputFailure);
    }
    handle.Mode = pmOpen;
    return true;
  });
}

bool MpegModule::InitStream(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  return Operation([&] {
    RequireMode(handle.Mode.load() == pmOpen);
    handle.ReapThread();
    // No sink yet: the block reaches the output that QVPlay opens.
    const FrameStatus status = Session.Start(
        [&](const FrameHeader& first) {
          return DecodingSettings(*this, static_cast<uint32_t>(first.SampleRate()));
        },
        nullptr, nullptr);
    if (status != FrameRead) {
      if (status == FrameRefused) RaiseModuleFailure(qvInputFailure);
      return false;
    }
    PublishStreamInfo(Stream.Header(), Stream.FrameLimit());
    MeasureFrameDuration();
    Output.FrameDuration = FrameDuration();

    TakeDecodingRate(*this, static_cast<uint32_t>(Stream.Header().SampleRate()));
    handle.Mode = pmReady;
    return true;
  });
}

bool MpegModule::Play(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  return Operation([&] {
    RequireMode(handle.Mode.load() == pmReady);
    if (Output.OutputMode == omCallback &&
        (Output.DataCallback == nullptr || Output.ActionCallback == nullptr)) {
      Errors.Set(qvCallbackMissing);
      return false;
    }
    handle.ReapThread();
    // A stream prepared at full rate for another output and then played on the wave device:
    // the half rate is taken now, before the device opens at the rate of the samples.
    if (Output.OutputMode == omMMSystem && Decoder.DownsampleLevel() == 0 &&
        Output.SampleRate >= 48000) {
      Session.SetUp(DecodingSettings(*this, Output.SampleRate));
      TakeDecodingRate(*this, Output.SampleRate);
    }
    // The block's sink is the output, set up with it: from here on every full block of the
    // run goes to the output, until the run's end closes the output and takes the sink away.
    Writer.OpenOutput(Output);
    Pcm.SetSink(OutputWriter::WriteToOutput, &Writer);
    if (EndLimit.load() == 0) EndLimit = StartLimit.load();
    ConvertLimits();
    Stream.ClearHeaderChanged();
    handle.StopRequest = 0;
    // A run starts unpaused, also after one that was stopped while paused.
    handle.PauseRequest = 0;
    handle.RunOwnsInput = true;
    handle.Stage = PlayerHandle::Stage::Decoding;
    handle.SeekedAtEnd = false;
    Stream.WatchStopRequest(&handle.StopRequest);
    // The mode is set first: a short run may end before this thread goes on.
    handle.Mode = pmPlaying;
    if (!StartDecodeThread(handle)) {
      handle.Mode = pmReady;
      handle.RunOwnsInput = false;
      Stream.WatchStopRequest(nullptr);
      Pcm.SetSink(nullptr, nullptr);
      Writer.DiscardOutput();
      RaiseModuleFailure(qvInternalError);
    }
    return true;
  });
}

bool MpegModule::Stop(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  return Operation([&] {
    const int32_t m = handle.Mode.load();
    RequireMode(m == pmPlaying || m == pmPaused || m == pmFinished);
    handle.EndRun();
    handle.ReapThread();
    handle.Mode = pmOpen;
    return true;
  });
}

bool MpegModule::Close(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  handle.CloseInput();
  return true;
}

void MpegModule::MoveInput(ModulePlayer& player, uint32_t position) {
  PlayerHandle& handle = Handle(player);
  const double d = FrameDuration();
  if (d <= 0.0) return;
  const auto frame = static_cast<uint32_t>(position / d);
  // The lock the decode thread holds for each frame step.
  auto lock = Stream.Lock();
  // A run that is ending, or has ended meanwhile and rewound the input for the next one,
  // takes no seek.
  RequireMode(handle.RunOwnsInput.load() && handle.Stage != PlayerHandle::Stage::Ending);
  try {
    Session.SeekToFrame(frame);
  } catch (const ModuleFailure&) {
  }
  // A run playing out its last samples decodes on from the new frame.
  if (handle.Stage == PlayerHandle::Stage::PlayingOut) handle.SeekedAtEnd = true;
}

bool MpegModule::SeekComing(const ModulePlayer& player) const {
  return player.SeekPending.load() || static_cast<const PlayerHandle&>(player).SeekedAtEnd.load();
}

// The seek moves the input under the stream's lock while the run waits: the run learns from
// the handle whether it landed.
bool MpegModule::SeekSendsRunBack(ModulePlayer& player, std::unique_lock<std::mutex>& held) {
  PlayerHandle& handle = Handle(player);
  while (handle.SeekPending.load() && !handle.StopRequest.load())
    std::this_thread::sleep_for(SeekPoll);
  held = Stream.Lock();
  if (!handle.SeekedAtEnd.load() || handle.StopRequest.load()) return false;
  handle.SeekedAtEnd = false;
  return true;
}

bool MpegModule::SetLimits(ModulePlayer& player, uint32_t start, uint32_t end) {
  PlayerHandle& handle = Handle(player);
  StartLimit = start;
  EndLimit = end < start ? start : end;
  if (handle.ReadyOrLater()) ConvertLimits();
  return true;
}

StreamInfo MpegModule::InfoRecord(ModulePlayer&) { return PublishedInfo(); }

int32_t MpegModule::DurationMs(ModulePlayer&) {
  return Milliseconds(PublishedFrameLimit(), FrameDuration());
}

int32_t MpegModule::PositionMs(ModulePlayer&) {
  return Milliseconds(Stream.FrameCounter(), FrameDuration());
}

const char* MpegModule::InfoText(ModulePlayer&) { return Stream.TagBlock(); }

// The block holds whole synthesis calls; a new size reaches the block at the next stream
// initialisation.
int32_t MpegModule::UsableBufferSize(int32_t size) const {
  return static_cast<int32_t>(PcmBlock::UsableSize(size));
}

bool MpegModule::SetInputMode(QVHandle h, int32_t mode) {
  ModulePlayer* player = Served(h);
  if (player == nullptr) return false;
  return Operation([&] {
    RequireMode(player->IsClosed());
    Input.InputMode = mode == imCallback ? imCallback : imFile;
    return true;
  });
}

bool MpegModule::SetPriority(QVHandle h, int32_t priority) {
  ModulePlayer* player = Served(h);
  if (player == nullptr) return false;
  PlayerHandle& handle = Handle(*player);
  if (handle.Running()) {
    const int32_t id = handle.DecodeThreadId.load();
    HANDLE thread =
        id != 0 ? OpenThread(THREAD_SET_INFORMATION, FALSE, static_cast<DWORD>(id)) : nullptr;
    return thread != nullptr && SetThreadPriority(thread, priority);
  }
  ThreadPriority = priority;
  return true;
}

bool MpegModule::HasEQ(QVHandle h, QVByteBool* has) {
  const bool valid = Checked(h) != nullptr;
  if (has != nullptr) *has = valid ? 1 : 0;
  return valid;
}

bool MpegModule::UseEQ(QVHandle h, bool use) {
  if (Served(h) == nullptr) return false;
  Decoder.Equalizer().On = use ? 1 : 0;
  return true;
}

bool MpegModule::EQ(QVHandle h, double** gains, int32_t* channels, int32_t* bands) {
  if (Served(h) == nullptr) return false;
  if (gains != nullptr) *gains = &Decoder.Equalizer().Gains[0][0];
  if (channels != nullptr) *channels = EqualizerGains::Channels;
  if (bands != nullptr) *bands = EqualizerGains::Bands;
  return true;
}

}  // namespace mpeg
