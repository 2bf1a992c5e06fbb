// The one loop of the decoder, a frame at a time: read the next frame, skip it (before the
// start frame) or decode it, synthesise both channels of its slots and hand full blocks on.
// The decode thread, the tests, the benchmarks and the fuzz target all run a stream with it,
// through their DecoderSession's decode to the end; a seek reads the frame it finds with it too.
#pragma once

#include <cstdint>

#include "engine/modules/mpeg/FrameHeader.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "engine/modules/mpeg/MpegStream.h"
#include "engine/modules/mpeg/PcmBlock.h"

namespace mpeg {

// The frames of a run that are decoded, by number (the input's first frame is frame 0): from
// StartFrame to EndFrame. The frames before StartFrame are read and skipped; the run ends after
// EndFrame.
struct FrameRange {
  uint32_t StartFrame = 0;
  uint32_t EndFrame = 0xFFFFFFFF;
};

enum class StepOutcome {
  Decoded,     // a frame was read and decoded
  Skipped,     // a frame before the start was read, not decoded
  NoFrame,     // nothing found this time; read again
  Refused,     // a header refused (code 5 for the host); read again
  PastEnd,     // a frame after the end frame was read: the run ends
  EndOfInput,  // the run ends
};

struct StepResult {
  StepOutcome Outcome = StepOutcome::NoFrame;
  // When a frame was read (Decoded, Skipped, PastEnd): its number, counting the frames lost in
  // front of it, its header and the frame limit as it gave them.
  uint32_t Frame = 0;
  FrameHeader Header;
  uint32_t FrameLimit = 0;
};

// One step, holding the stream's lock throughout. Failures of the input or the decoder
// propagate as ModuleFailure, with the code already given.
StepResult FrameStep(MpegStream& stream, MpegDecoder& decoder, PcmBlock& pcm,
                     const FrameRange& range = {});
// The same step for a caller that holds the stream's lock already.
StepResult FrameStepWithLockHeld(MpegStream& stream, MpegDecoder& decoder, PcmBlock& pcm,
                                 const FrameRange& range);

}  // namespace mpeg
