// A decode to the end through the session: where it ends (the end of the input, the first frame
// past the end frame, a stop between two steps) and that a refused header does not end it.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

// The frames of a clean stream, counted by the reader alone.
int FramesIn(const InputSource& source) {
  MpegStream stream;
  QVByteBool canSetPosition = 1;
  stream.Open(source, &canSetPosition);
  int frames = 0;
  while (stream.ReadFrame() == FrameRead) ++frames;
  return frames;
}

struct Decoded {
  DecodeEnd End;
  std::vector<uint32_t> Frames;  // the numbers of the frames decoded, in order
  std::vector<StepOutcome> Between;
  size_t Samples = 0;  // both channels, the block's rest included
};

// `between` also decides whether to go on; by default the run goes on to its end.
Decoded DecodeToEnd(const InputSource& source, FrameRange range, const BetweenSteps& between = {}) {
  MpegStream stream;
  MpegDecoder decoder;
  PcmBlock pcm;
  DecoderSession session(stream, decoder, pcm);
  PcmCollector collector;
  Decoded run;
  EXPECT_EQ(session.Open(source, {}, &PcmCollector::Sink, &collector), FrameRead);
  run.End = session.DecodeToEnd(range, [&](const StepResult& step, FrameRange& next) {
    run.Between.push_back(step.Outcome);
    if (step.Outcome == StepOutcome::Decoded) run.Frames.push_back(step.Frame);
    return between ? between(step, next) : true;
  });
  pcm.Flush();
  run.Samples = collector.Samples.size();
  return run;
}

std::vector<uint32_t> Numbers(uint32_t from, uint32_t to) {
  std::vector<uint32_t> numbers;
  for (uint32_t n = from; n <= to; ++n) numbers.push_back(n);
  return numbers;
}

TEST(DecodeToEnd, EndsAtTheEndOfTheInputOrPastTheEndFrame) {
  const InputSource source = FileSource(VectorPath("l2-fl10.bit"));
  const int frames = FramesIn(source);
  ASSERT_GT(frames, 10);
  const uint32_t last = static_cast<uint32_t>(frames) - 1;
  struct Case {
    const char* Name;
    FrameRange Range;
    StepOutcome End;
    uint32_t First, Last;  // of the frames decoded
    uint32_t Read;         // the number of the frame that ended the run (0: the input ended)
  };
  const Case cases[] = {
      {"whole stream", {}, StepOutcome::EndOfInput, 0, last, 0},
      {"end frame", {0, 4}, StepOutcome::PastEnd, 0, 4, 5},
      {"start and end frame", {3, 6}, StepOutcome::PastEnd, 3, 6, 7},
      {"one frame", {5, 5}, StepOutcome::PastEnd, 5, 5, 6},
      {"end frame the last frame", {0, last}, StepOutcome::EndOfInput, 0, last, 0},
  };
  for (const Case& c : cases) {
    const Decoded run = DecodeToEnd(source, c.Range);
    EXPECT_FALSE(run.End.Stopped) << c.Name;
    EXPECT_EQ(run.End.Last.Outcome, c.End) << c.Name;
    EXPECT_EQ(run.End.Last.Frame, c.Read) << c.Name;
    EXPECT_EQ(run.Frames, Numbers(c.First, c.Last)) << c.Name;
    EXPECT_EQ(run.Samples, run.Frames.size() * 1152 * 2) << c.Name;
  }
}

TEST(DecodeToEnd, StopsWhereTheCallerSaysAndTakesTheEndFrameItMoves) {
  const InputSource source = FileSource(VectorPath("l2-fl10.bit"));
  // Stopped after the third frame: nothing more is read or decoded.
  const Decoded stopped =
      DecodeToEnd(source, {}, [](const StepResult& step, FrameRange&) { return step.Frame < 2; });
  EXPECT_TRUE(stopped.End.Stopped);
  EXPECT_EQ(stopped.End.Last.Frame, 2u);
  EXPECT_EQ(stopped.Frames, Numbers(0, 2));
  EXPECT_EQ(stopped.Samples, 3u * 1152 * 2);

  // The end frame moved during the run, as a host's new limits move it.
  const Decoded moved = DecodeToEnd(source, {}, [](const StepResult& step, FrameRange& next) {
    if (step.Frame == 1) next.EndFrame = 4;
    return true;
  });
  EXPECT_FALSE(moved.End.Stopped);
  EXPECT_EQ(moved.End.Last.Outcome, StepOutcome::PastEnd);
  EXPECT_EQ(moved.Frames, Numbers(0, 4));
}

// A free-format header inside the stream is refused; the run reads past it to the end, the lost
// frame counted, so every later frame stays in place.
TEST(DecodeToEnd, GoesOnPastARefusedHeader) {
  const InputSource clean = FileSource(FixturePath("damaged/m1_clean.mp3").string());
  const InputSource damaged = FileSource(FixturePath("damaged/m1_free_format.mp3").string());
  const int frames = FramesIn(clean);
  const Decoded run = DecodeToEnd(damaged, {});
  EXPECT_FALSE(run.End.Stopped);
  EXPECT_EQ(run.End.Last.Outcome, StepOutcome::EndOfInput);
  EXPECT_EQ(std::count(run.Between.begin(), run.Between.end(), StepOutcome::Refused), 1);
  ASSERT_FALSE(run.Frames.empty());
  EXPECT_EQ(run.Frames.back(), static_cast<uint32_t>(frames) - 1);
  EXPECT_EQ(run.Samples, static_cast<size_t>(frames) * 1152 * 2);
}

}  // namespace
