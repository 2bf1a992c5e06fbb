#include "engine/modules/mpeg/Layer3Decoder.h"

#include "engine/modules/mpeg/Layer3Frame.h"
#include "engine/modules/mpeg/Layer3State.h"
#include "engine/modules/mpeg/MpegDecoder.h"

namespace {

Layer3Frame CurrentFrame(MpegDecoder& decoder) {
  const FrameHeader& header = decoder.Header();
  return Layer3Frame{decoder.Reader.Current() + FrameReader::BodyOffset,
                     header.BodyLength,
                     header.CrcPresent != 0,
                     header.Lsf != 0,
                     header.RateIndex,
                     header.Channels,
                     header.ChannelMode,
                     header.ModeExtension};
}

void OutputGranule(void* user, Layer3State& state, int channels) {
  auto& decoder = *static_cast<MpegDecoder*>(user);
  for (int k = 0; k < 18; ++k) decoder.OutputSlot(state.slots[0][k], channels == 2 ? state.slots[1][k] : nullptr);
}

}  // namespace

void DecodeLayer3(MpegDecoder& decoder) {
  DecodeLayer3Frame(*decoder.Layer3, CurrentFrame(decoder), &OutputGranule, &decoder);
}

void SilentLayer3Frames(MpegDecoder& decoder, int frames) {
  const FrameHeader& header = decoder.Header();
  for (int frame = 0; frame < frames; ++frame)
    SilentLayer3Granules(*decoder.Layer3, header.Channels, header.Lsf ? 1 : 2, &OutputGranule, &decoder);
}

void KeepLayer3Reservoir(MpegDecoder& decoder) { SkipLayer3Frame(*decoder.Layer3, CurrentFrame(decoder)); }

void BuildLayer3Tables(MpegDecoder& decoder, int downsampleLevel) { BuildLayer3Tables(*decoder.Layer3, downsampleLevel); }

void ResetLayer3Reservoir(MpegDecoder& decoder) { ResetLayer3Reservoir(*decoder.Layer3); }
