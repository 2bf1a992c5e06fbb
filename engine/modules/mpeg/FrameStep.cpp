#include "engine/modules/mpeg/FrameStep.h"

namespace mpeg {

StepResult FrameStep(MpegStream& stream, MpegDecoder& decoder, PcmBlock& pcm,
                     const FrameRange& range) {
  auto lock = stream.Lock();
  return FrameStepWithLockHeld(stream, decoder, pcm, range);
}

StepResult FrameStepWithLockHeld(MpegStream& stream, MpegDecoder& decoder, PcmBlock& pcm,
                                 const FrameRange& range) {
  StepResult result;
  const FrameStatus status = stream.ReadFrame();
  if (status == EndOfInput) {
    result.Outcome = StepOutcome::EndOfInput;
    return result;
  }
  if (status != FrameRead) {
    result.Outcome = status == FrameRefused ? StepOutcome::Refused : StepOutcome::NoFrame;
    return result;
  }
  // Frames lost in front of this one are counted: they are decoded as silence.
  result.Frame = stream.FrameCounter() + static_cast<uint32_t>(stream.LostFrames());
  stream.SetFrameCounter(result.Frame + 1);
  result.Header = stream.Header();
  result.FrameLimit = stream.FrameLimit();
  if (result.Frame < range.StartFrame) {
    decoder.SkipFrame(stream);
    result.Outcome = StepOutcome::Skipped;
  } else if (result.Frame > range.EndFrame) {
    result.Outcome = StepOutcome::PastEnd;
  } else {
    decoder.DecodeFrame(stream, pcm);
    result.Outcome = StepOutcome::Decoded;
  }
  return result;
}

}  // namespace mpeg
