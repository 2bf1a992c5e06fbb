#include "engine/modules/mpeg/MpegDecoder.h"

#include <cstring>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/Layer1Decoder.h"
#include "engine/modules/mpeg/Layer2Decoder.h"
#include "engine/modules/mpeg/Layer3Frame.h"
#include "engine/modules/mpeg/Layer3State.h"

namespace mpeg {

MpegDecoder::MpegDecoder()
    : kernels_{},
      layer3_(std::make_unique<Layer3State>()),
      slots_(std::make_unique<SubbandSlots>()) {}

MpegDecoder::~MpegDecoder() = default;

void MpegDecoder::DecoderSetup(const DecoderSettings& settings, PcmBlock& pcm) {
  if (!pcm.Allocate(settings.BufferSize)) RaiseModuleFailure(qvInternalError);
  downsampleLevel_ = settings.DownsampleLevel != 0 ? 1 : 0;
  kernels_ = ChooseKernels(settings.BaselineKernels);
  BuildLayer3Tables(*layer3_, downsampleLevel_, kernels_);
  BuildLayer2Tables(layer2_);
  synthesis_.BuildSynthesisTables(settings.SynthesisScale);
  synthesis_.ClearHistory();
  decoderReady_ = true;
}

void MpegDecoder::ForgetReservoir() { ResetLayer3Reservoir(*layer3_); }

void MpegDecoder::DecodeFrame(MpegStream& stream, PcmBlock& pcm) {
  if (!decoderReady_ || pcm.Data() == nullptr) return;
  const FrameHeader& header = stream.Header();
  // Frames lost in front of this one keep their place as silence; the bit reservoir from
  // before the gap is no longer the stream's.
  if (stream.LostFrames() > 0) {
    ForgetReservoir();
    DecodeSilence(header, stream.LostFrames(), pcm);
  }
  BitCursor& bits = stream.Cursor();
  int count = 0;
  switch (header.Layer) {
    case 1:
      if (header.CrcPresent) bits.ReadBits(16);
      count = DecodeLayer1(bits, header, layer2_, downsampleLevel_, *slots_);
      break;
    case 2:
      if (header.CrcPresent) bits.ReadBits(16);
      count = DecodeLayer2(bits, header, layer2_, downsampleLevel_, *slots_);
      break;
    case 3:
      // The side information starts with the check word; Layer III skips it itself.
      count = DecodeLayer3(*layer3_, header, stream.Body(), *slots_);
      break;
    default: break;
  }
  SynthesizeSlots(count, header.Channels == 2, pcm);
}

void MpegDecoder::SkipFrame(const MpegStream& stream) {
  if (stream.LostFrames() > 0) ForgetReservoir();
  const FrameHeader& header = stream.Header();
  if (header.Layer == 3) SkipLayer3Frame(*layer3_, header, stream.Body());
}

void MpegDecoder::DecodeSilence(const FrameHeader& header, int32_t frames, PcmBlock& pcm) {
  const bool stereo = header.Channels == 2;
  for (int32_t frame = 0; frame < frames; ++frame) {
    int count;
    if (header.Layer == 3) {
      count = SilentLayer3Frame(*layer3_, header, *slots_);
    } else {
      count = header.SlotsPerFrame();
      std::memset(slots_->Samples, 0, sizeof slots_->Samples);
    }
    SynthesizeSlots(count, stereo, pcm);
  }
}

void MpegDecoder::SynthesizeSlots(int count, bool stereo, PcmBlock& pcm) {
  double(*left)[32] = slots_->Samples[0];
  double(*right)[32] = slots_->Samples[1];
  // The rate and the channel count hold for the whole frame: one choice, then the slots.
  if (downsampleLevel_ == 0) {
    for (int s = 0; s < count; ++s) {
      if (stereo) {
        synthesis_.SynthesizeSlot(left[s], right[s], pcm.Data(), &pcm.PcmFill);
      } else {
        synthesis_.SynthesizeMono(left[s], pcm.Data(), &pcm.PcmFill);
      }
      pcm.WriteIfFull();
    }
  } else {
    for (int s = 0; s < count; ++s) {
      if (stereo) {
        synthesis_.SynthesizeSlotHalf(left[s], right[s], pcm.Data(), &pcm.PcmFill);
      } else {
        synthesis_.SynthesizeMonoHalf(left[s], pcm.Data(), &pcm.PcmFill);
      }
      pcm.WriteIfFull();
    }
  }
}

}  // namespace mpeg
