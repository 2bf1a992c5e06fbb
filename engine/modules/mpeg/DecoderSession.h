// A stream opened for decoding: the input, its first frame, the decoder set up for the stream
// and the PcmBlock wired to the sink that takes its full blocks. Every run of the decoder (the
// decode thread, the tests, the benchmarks, the fuzz target) opens its stream here, decodes it
// to its end and rewinds and seeks through it. The stream, the decoder and the block are its
// owner's.
#pragma once

#include <cstdint>
#include <functional>

#include "engine/modules/mpeg/FrameStep.h"
#include "engine/modules/mpeg/MpegDecoder.h"
#include "engine/modules/mpeg/MpegStream.h"
#include "engine/modules/mpeg/PcmBlock.h"

namespace mpeg {

// The settings for a stream, chosen once its first frame is known.
using SettingsForStream = std::function<DecoderSettings(const FrameHeader& first)>;

// Called after every step of a decode to the end that does not end it, before the next: may
// move the frames of the next step (a host may change the limits during a run); false stops
// the run there.
using BetweenSteps = std::function<bool(const StepResult& step, FrameRange& next)>;

// How a decode to the end ended: the step that ended it (the end of the input or a frame past
// the end frame), or the step after which the caller stopped it.
struct DecodeEnd {
  bool Stopped = false;
  StepResult Last;
};

class DecoderSession {
 public:
  DecoderSession(MpegStream& stream, MpegDecoder& decoder, PcmBlock& pcm)
      : stream_(stream), decoder_(decoder), pcm_(pcm) {}
  DecoderSession(const DecoderSession&) = delete;
  DecoderSession& operator=(const DecoderSession&) = delete;

  // The whole opening: the input, then Start with `settings` whatever the first frame.
  // Raises ModuleFailure{5} when the input cannot be opened.
  FrameStatus Open(const InputSource& source, const DecoderSettings& settings, PcmBlockSink sink,
                   void* context);

  // The input alone, the frames of the previous one forgotten; raises ModuleFailure{5}.
  void OpenInput(const InputSource& source, QVByteBool* canSetPosition);

  // Prepares the open input for a run: reads the first frame, surveys the frames behind it for
  // the frame limit and returns to it, sets the decoder up with the settings `settingsFor`
  // gives for that frame and hands every full block to `sink`; the run's next frame is frame 0.
  // FrameRead, or what the reader gave instead (the input rewound, nothing set up). A reader
  // failure propagates after the rewind; a block that cannot be allocated raises
  // ModuleFailure{3}.
  FrameStatus Start(const SettingsForStream& settingsFor, PcmBlockSink sink, void* context);

  // The decoder set up again for the same stream (another rate), the input and the sink as
  // they are.
  void SetUp(const DecoderSettings& settings) { decoder_.DecoderSetup(settings, pcm_); }

  // The next frame step, taking the stream's lock.
  StepResult Step(const FrameRange& range = {}) {
    return FrameStep(stream_, decoder_, pcm_, range);
  }

  // Steps through the stream until its end: the end of the input, or a frame read past
  // `range`'s end frame. Nothing found and a header refused are read past, and a damaged
  // frame costs only itself (the decoder gives silence in its place): the run goes on.
  // Failures of the input, the decoder or the sink propagate with their code given.
  DecodeEnd DecodeToEnd(FrameRange range = {}, const BetweenSteps& between = {});

  // Back to the first frame; the Layer III main data from before it are not used. The caller
  // holds the stream's lock while a run may be in progress.
  bool Rewind();

  // Moves to frame n, where the step reads the frame found and skips it: the next step reads
  // frame n + 1. False when refused (the input stays). A failure of the search ends only the
  // search. The caller holds the stream's lock while a run may be in progress.
  bool SeekToFrame(uint32_t n);

 private:
  MpegStream& stream_;
  MpegDecoder& decoder_;
  PcmBlock& pcm_;
};

}  // namespace mpeg
