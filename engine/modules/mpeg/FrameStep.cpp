#include "engine/modules/mpeg/FrameStep.h"

#include "engine/modules/common/ModuleFailure.h"

StepResult FrameStep(MpegStream& stream, MpegDecoder& decoder, PcmBlock& pcm,
                     const FrameRange& range) {
  auto lock = stream.Lock();
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

FrameStatus ReadFirstFrame(MpegStream& stream, MpegDecoder& decoder) {
  FrameStatus status;
  try {
    status = stream.ReadFrame();
    if (status == FrameRead) stream.SurveyFrames();
  } catch (...) {
    RewindStream(stream, decoder);
    throw;
  }
  // The run starts with this first frame.
  if (!RewindStream(stream, decoder) && status == FrameRead) RaiseModuleFailure(qvInputFailure);
  return status;
}

bool RewindStream(MpegStream& stream, MpegDecoder& decoder) {
  if (!stream.Rewind()) return false;
  decoder.ForgetReservoir();
  return true;
}

bool SeekToFrame(MpegStream& stream, MpegDecoder& decoder, uint32_t n) {
  if (!stream.PositionAtFrame(n)) return false;
  decoder.ForgetReservoir();
  // The frame found there is read, not decoded. A failure of this search ends only the
  // search: the run reads on from wherever it stopped.
  try {
    FrameStatus status;
    do {
      status = stream.ReadFrame();
    } while (status == NoFrame || status == FrameRefused);
    if (status == FrameRead) decoder.SkipFrame(stream);
  } catch (const ModuleFailure&) {
  }
  stream.SetFrameCounter(n + 1);
  return true;
}
