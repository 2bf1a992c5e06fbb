#include "engine/modules/mpeg/MpegDecoder.h"

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/mpeg/Layer1Decoder.h"
#include "engine/modules/mpeg/Layer2Decoder.h"
#include "engine/modules/mpeg/Layer3Decoder.h"
#include "engine/modules/mpeg/Layer3State.h"

MpegDecoder::MpegDecoder() : Layer3(std::make_unique<Layer3State>()) {}

MpegDecoder::~MpegDecoder() = default;

void MpegDecoder::OpenInput(const InputSource& source, QVByteBool* canSetPosition) {
  Input.Open(source, canSetPosition);
  Reader.Reset();
}

void MpegDecoder::CloseInput() { Input.Close(); }

bool MpegDecoder::Rewind() {
  if (!Reader.Rewind()) return false;
  ResetLayer3Reservoir(*this);
  return true;
}

bool MpegDecoder::SeekToFrame(uint32_t n) {
  auto lock = LockInput();
  if (!Reader.PositionAtFrame(n)) return false;
  ResetLayer3Reservoir(*this);
  // The frame found there is read, not decoded. A failure of this search ends only the
  // search: the run reads on from wherever it stopped.
  try {
    FrameStatus status;
    do {
      status = Reader.ReadFrame(Cursor);
    } while (status == NoFrame || status == FrameRefused);
    if (status == FrameRead) SkipFrame();
  } catch (const ModuleFailure&) {
  }
  return true;
}

void MpegDecoder::DecoderSetup(const DecoderSettings& settings) {
  if (!Pcm.Allocate(settings.BufferSize)) RaiseModuleFailure(qvInternalError);
  DownsampleLevel = settings.DownsampleLevel != 0 ? 1 : 0;
  BuildLayer3Tables(*this, DownsampleLevel);
  BuildLayer2Tables(Layer2);
  Synthesis.BuildSynthesisTables(settings.SynthesisScale);
  Synthesis.ClearHistory();
  if (DownsampleLevel == 0) {
    stereo_ = &PolyphaseSynthesis::SynthesizeSlot;
    mono_ = &PolyphaseSynthesis::SynthesizeMono;
  } else {
    stereo_ = &PolyphaseSynthesis::SynthesizeSlotHalf;
    mono_ = &PolyphaseSynthesis::SynthesizeMonoHalf;
  }
  decoderReady_ = true;
}

void MpegDecoder::DecodeFrame() {
  if (!decoderReady_ || Pcm.Data() == nullptr) return;
  // Frames lost in front of this one keep their place as silence; the bit reservoir from
  // before the gap is no longer the stream's.
  if (Reader.LostFrames() > 0) {
    ResetLayer3Reservoir(*this);
    DecodeSilence(Reader.LostFrames());
  }
  if (Header().CrcPresent) Cursor.ReadBits(16);
  switch (Header().Layer) {
    case 1:
      DecodeLayer1(*this);
      break;
    case 2:
      DecodeLayer2(*this);
      break;
    case 3:
      DecodeLayer3(*this);
      break;
    default:
      break;
  }
}

void MpegDecoder::SkipFrame() {
  if (Reader.LostFrames() > 0) ResetLayer3Reservoir(*this);
  if (Header().Layer == 3) KeepLayer3Reservoir(*this);
}

void MpegDecoder::DecodeSilence(int32_t frames) {
  const FrameHeader& header = Header();
  const bool stereo = header.Channels == 2;
  if (header.Layer == 3) {
    SilentLayer3Frames(*this, frames);
    return;
  }
  const int32_t slots = header.Layer == 1 ? 12 : 36;
  for (int32_t frame = 0; frame < frames; ++frame) {
    for (int32_t slot = 0; slot < slots; ++slot) {
      double left[32] = {};
      double right[32] = {};
      OutputSlot(left, stereo ? right : nullptr);
    }
  }
}
