#include "engine/modules/mpeg/ModuleState.h"

namespace mpeg {

namespace {

// The wave device takes at most 44100 Hz (the decoder halves higher rates for it), waits a poll
// after it opens, reports every block to the output callbacks and drops a block that waits for
// room once a seek begins.
constexpr WaveDeviceRules MpegWaveDevice{44100, true, true, true};

}  // namespace

ModuleState::ModuleState(const ModuleTexts& texts) : DecoderModule(texts, MpegWaveDevice) {
  ResetRecord();
}

void ModuleState::ResetRecord() {
  ResetSharedRecord();
  Stream.SetFrameCounter(0);
  StartFrame = 0;
  EndFrame = NoEnd;
  SynthesisScale = 32768;
  ThreadPriority = 0;
  for (auto& row : Decoder.Equalizer().Gains)
    for (double& gain : row) gain = 1.0;
  Decoder.Equalizer().On = 0;
}

void ModuleState::MeasureFrameDuration() { frameDuration_ = Stream.Header().FrameDuration(); }

void ModuleState::ConvertLimits() {
  const double d = FrameDuration();
  const auto toFrame = [d](uint32_t ms) -> uint32_t {
    if (d <= 0.0) return 0;
    return static_cast<uint32_t>(ms / d);
  };
  StartFrame = toFrame(StartLimit);
  if (EndLimit == 0 || EndLimit == NoEnd) {
    EndLimit = NoEnd;
    EndFrame = NoEnd;
  } else {
    EndFrame = toFrame(EndLimit);
  }
}

void ModuleState::PublishStreamInfo(const FrameHeader& header, uint32_t limit) {
  const StreamInfo info{header.ChannelMode, header.Layer, header.BitRate() * 1000,
                        header.SampleRate()};
  {
    std::lock_guard<std::mutex> lock(infoLock_);
    info_ = info;
  }
  frameLimit = limit;
}

StreamInfo ModuleState::PublishedInfo() const {
  std::lock_guard<std::mutex> lock(infoLock_);
  return info_;
}

}  // namespace mpeg
