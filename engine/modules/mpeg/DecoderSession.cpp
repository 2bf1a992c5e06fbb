#include "engine/modules/mpeg/DecoderSession.h"

#include "engine/modules/common/ModuleFailure.h"

namespace mpeg {

FrameStatus DecoderSession::Open(const InputSource& source, const DecoderSettings& settings,
                                 PcmBlockSink sink, void* context) {
  QVByteBool canSetPosition = 1;
  OpenInput(source, &canSetPosition);
  return Start([&](const FrameHeader&) { return settings; }, sink, context);
}

void DecoderSession::OpenInput(const InputSource& source, QVByteBool* canSetPosition) {
  stream_.Open(source, canSetPosition);
}

FrameStatus DecoderSession::Start(const SettingsForStream& settingsFor, PcmBlockSink sink,
                                  void* context) {
  FrameStatus status;
  try {
    status = stream_.ReadFrame();
    if (status == FrameRead) stream_.SurveyFrames();
  } catch (...) {
    Rewind();
    throw;
  }
  // The run starts with this first frame.
  if (!Rewind() && status == FrameRead) RaiseModuleFailure(qvInputFailure);
  if (status != FrameRead) return status;
  stream_.SetFrameCounter(0);
  decoder_.DecoderSetup(settingsFor(stream_.Header()), pcm_);
  pcm_.SetSink(sink, context);
  return status;
}

DecodeEnd DecoderSession::DecodeToEnd(FrameRange range, const BetweenSteps& between) {
  DecodeEnd end;
  for (;;) {
    end.Last = Step(range);
    if (end.Last.Outcome == StepOutcome::EndOfInput || end.Last.Outcome == StepOutcome::PastEnd)
      return end;
    if (between && !between(end.Last, range)) {
      end.Stopped = true;
      return end;
    }
  }
}

bool DecoderSession::Rewind() {
  if (!stream_.Rewind()) return false;
  decoder_.ForgetReservoir();
  return true;
}

bool DecoderSession::SeekToFrame(uint32_t n) {
  if (!stream_.PositionAtFrame(n)) return false;
  decoder_.ForgetReservoir();
  // Every frame lies before this range: the step reads the frame found and skips it.
  constexpr FrameRange skipOnly{0xFFFFFFFF, 0xFFFFFFFF};
  stream_.SetFrameCounter(n);
  // The frame found is numbered as the stream places it, so that the position, the end frame
  // and the frame counter go on from the frame actually reached.
  uint32_t reached = n;
  // A failure of this search ends only the search: the run reads on from wherever it stopped.
  try {
    StepOutcome outcome;
    do {
      outcome = FrameStepWithLockHeld(stream_, decoder_, pcm_, skipOnly).Outcome;
    } while (outcome == StepOutcome::NoFrame || outcome == StepOutcome::Refused);
    if (outcome == StepOutcome::Skipped) reached = stream_.FrameReachedBySeek();
  } catch (const ModuleFailure&) {
  }
  stream_.SetFrameCounter(reached + 1);
  return true;
}

}  // namespace mpeg
