// The MPEG audio decoder: turns the frames an MpegStream hands out into PCM in a PcmBlock. It
// holds the tables, the Layer III state, the equaliser gains and the synthesis; the layers fill
// the subband slots of a frame, and the decoder synthesises both channels of each slot and
// hands every full block on.
#pragma once

#include <cstdint>
#include <memory>

#include "engine/modules/mpeg/EqualizerGains.h"
#include "engine/modules/mpeg/Layer2Tables.h"
#include "engine/modules/mpeg/MpegStream.h"
#include "engine/modules/mpeg/PcmBlock.h"
#include "engine/modules/mpeg/PolyphaseSynthesis.h"
#include "engine/modules/mpeg/SubbandSlots.h"

namespace mpeg {

struct Layer3State;

struct DecoderSettings {
  int32_t DownsampleLevel = 0;  // 0 full rate, 1 half rate
  int32_t BufferSize = 16384;   // bytes of the PcmBlock (rounded down to a multiple of 128)
  int32_t SynthesisScale = 32768;
  bool BaselineKernels = false;  // the SSE2 kernels whatever the processor runs
};

class MpegDecoder {
 public:
  MpegDecoder();
  ~MpegDecoder();
  MpegDecoder(const MpegDecoder&) = delete;
  MpegDecoder& operator=(const MpegDecoder&) = delete;

  // The stream set-up: a new empty `pcm` of the buffer size, the kernels chosen, the tables
  // for the level, the synthesis history and the Layer III overlap cleared. Raises ModuleFailure{3}
  // when the block cannot be allocated.
  void DecoderSetup(const DecoderSettings& settings, PcmBlock& pcm);
  void DecoderReset() { decoderReady_ = false; }
  // The level of the last set-up: 0 full rate, 1 half rate.
  int32_t DownsampleLevel() const { return downsampleLevel_; }

  // Decodes the frame `stream` read last into `pcm`, after silence in place of the frames
  // lost in front of it.
  void DecodeFrame(MpegStream& stream, PcmBlock& pcm);
  // A frame read but not decoded: Layer III keeps its main data for the frames after it.
  void SkipFrame(const MpegStream& stream);
  // The input was positioned: Layer III main data from before that point are not used.
  void ForgetReservoir();

  EqualizerGains& Equalizer() { return equalizer_; }
  // The kernel table of the last set-up.
  const DecoderKernels& Kernels() const { return kernels_; }

 private:
  // Silence of `frames` frames of the stream's layer, through the synthesis.
  void DecodeSilence(const FrameHeader& header, int32_t frames, PcmBlock& pcm);
  // Synthesises both channels of `count` slots (the left one alone for one channel).
  void SynthesizeSlots(int count, bool stereo, PcmBlock& pcm);

  // The kernel table the synthesis and the Layer III stages run, chosen at set-up.
  DecoderKernels kernels_;
  EqualizerGains equalizer_;
  PolyphaseSynthesis synthesis_{equalizer_, kernels_};
  Layer2Tables layer2_ = {};
  std::unique_ptr<Layer3State> layer3_;
  std::unique_ptr<SubbandSlots> slots_;
  int32_t downsampleLevel_ = 0;
  bool decoderReady_ = false;
};

}  // namespace mpeg
