// Everything the MPEG module keeps while it is loaded: besides the frame's record (DecoderModule)
// the rest of the current player's settings and stream state, the stream and the decoder with
// its PcmBlock. The module (MpegModule) derives from it; its player handles reach it.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

#include "engine/PluginInterface.h"
#include "engine/modules/common/DecoderModule.h"
#include "engine/modules/mpeg/DecoderSession.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "engine/modules/mpeg/MpegStream.h"
#include "engine/modules/mpeg/PcmBlock.h"

namespace mpeg {

class ModuleState : public DecoderModule {
 public:
  // The initial values of a new player's record (QVInitModule): settings, limits, names,
  // callbacks, the equaliser and the error code.
  void ResetRecord();

  // Milliseconds of one frame of the current stream: its samples per frame over the rate of
  // its rate index, as the first frame gave them at stream initialisation.
  double FrameDuration() const { return frameDuration_.load(); }
  void MeasureFrameDuration();
  // The limits in milliseconds turned into start and end frames (an end of 0 means none).
  void ConvertLimits();

  // The fields the decode thread refreshes after every frame and the host's queries read: from
  // the header of the frame read last and the frame limit it gave.
  void PublishStreamInfo(const FrameHeader& header, uint32_t limit);
  StreamInfo PublishedInfo() const;
  uint32_t PublishedFrameLimit() const { return frameLimit.load(); }

  // The rest of the record.
  std::atomic<uint32_t> StartFrame{0};
  std::atomic<uint32_t> EndFrame{NoEnd};
  int32_t SynthesisScale = 32768;
  std::atomic<int32_t> ThreadPriority{0};

  MpegStream Stream;
  MpegDecoder Decoder;
  PcmBlock Pcm;
  DecoderSession Session{Stream, Decoder, Pcm};

 private:
  mutable std::mutex infoLock_;
  StreamInfo info_{};
  std::atomic<uint32_t> frameLimit{0};
  std::atomic<double> frameDuration_{0.0};

 protected:
  explicit ModuleState(const ModuleTexts& texts);
  ~ModuleState() = default;
};

}  // namespace mpeg
