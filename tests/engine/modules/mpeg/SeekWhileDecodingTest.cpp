// Seeks from the host's thread while a decode thread steps through the stream. Both take the
// stream's one lock, as QVSetPos and the module's decode thread do, so every frame comes out
// whole: one frame's samples per step, after a seek the frame behind the one sought, and, once
// the reservoir, the overlap and the synthesis history hold only frames read since the seek,
// the very samples of an uninterrupted run.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <set>
#include <thread>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpeg;

using namespace mpegtest;

namespace {

struct Step {
  uint32_t Frame;
  size_t Blocks;    // blocks handed on during the step
  uint32_t Fill;    // bytes left in the block after it
  bool SeekNearby;  // a seek was seen since the step before
};

TEST(SeekWhileDecoding, FramesAfterEachSeekAreWhole) {
  for (const char* name : {"l2-fl10", "l3-si"}) {
    const InputSource source = FileSource(VectorPath(std::string(name) + ".bit"));
    MpegStream stream;
    MpegDecoder decoder;
    PcmBlock pcm;
    DecoderSession session(stream, decoder, pcm);
    PcmCollector collector;
    // One frame per block, so that each block is one frame's samples.
    const SettingsForStream oneFramePerBlock = [&](const FrameHeader& first) {
      return DecoderSettings{0, first.SamplesPerFrame() * 4, 32768};
    };
    QVByteBool canSetPosition = 1;
    session.OpenInput(source, &canSetPosition);
    ASSERT_EQ(session.Start(oneFramePerBlock, &PcmCollector::Sink, &collector), FrameRead) << name;
    const int32_t perFrame = stream.Header().SamplesPerFrame();
    MpegDecoder uninterrupted;
    const RunResult reference = DecodeAll(uninterrupted, source, oneFramePerBlock(stream.Header()));
    ASSERT_GT(reference.Frames, 20) << name;
    const uint32_t limit = stream.FrameLimit();

    std::atomic<int> seeks{0};
    std::atomic<bool> seeksDone{false};
    std::vector<Step> steps;
    int failure = -1;
    std::thread run([&] {
      int seen = 0;
      size_t blocks = 0;  // handed on before the step
      const auto record = [&](const StepResult& step, FrameRange&) {
        const int now = seeks.load();
        if (step.Outcome == StepOutcome::Decoded) {
          steps.push_back(
              {step.Frame, collector.BlockSizes.size() - blocks, pcm.PcmFill, now != seen});
          seen = now;
        }
        blocks = collector.BlockSizes.size();
        return true;
      };
      try {
        for (;;) {
          blocks = collector.BlockSizes.size();
          // Read before the decode: an end reached after the last seek is the run's end.
          const bool lastSeekDone = seeksDone.load();
          session.DecodeToEnd({}, record);
          // At the end it waits for the seeks, which bring it back into the stream.
          if (lastSeekDone) break;
        }
      } catch (const ModuleFailure& raised) {
        failure = raised.Code;
      }
    });
    std::set<uint32_t> targets;
    int accepted = 0;
    // The last seek goes back near the start, so that a long stretch of frames follows it.
    for (int i = 0; i <= 100; ++i) {
      const uint32_t target = i < 100 ? 1 + (i * 7) % limit : 1;
      targets.insert(target);
      // What QVSetPos does: the seek under the lock the decode thread takes for each step.
      auto lock = stream.Lock();
      accepted += session.SeekToFrame(target);
      ++seeks;
    }
    seeksDone = true;
    run.join();
    EXPECT_EQ(failure, -1) << name;
    EXPECT_EQ(accepted, 101) << name;
    ASSERT_GT(steps.size(), 1u) << name;

    const size_t frameSamples = static_cast<size_t>(perFrame) * 2;
    ASSERT_EQ(collector.Samples.size(), steps.size() * frameSamples) << name;
    size_t compared = 0;
    size_t quiet = 0;  // steps since the last seek seen
    for (size_t i = 0; i < steps.size(); ++i) {
      const Step& s = steps[i];
      // Whole: each step one frame's samples, handed on complete.
      ASSERT_EQ(s.Blocks, 1u) << name << " step " << i;
      ASSERT_EQ(s.Fill, 0u) << name << " step " << i;
      // In place: the frame after the one before it, or the one behind a frame sought.
      if (i > 0 && s.Frame != steps[i - 1].Frame + 1) {
        EXPECT_TRUE(s.Frame >= 1 && targets.count(s.Frame - 1) == 1)
            << name << " frame " << s.Frame << " after " << steps[i - 1].Frame;
      }
      quiet = s.SeekNearby || (i > 0 && s.Frame != steps[i - 1].Frame + 1) ? 0 : quiet + 1;
      // A seek between two steps shows at one of them: eight quiet steps in a row leave the
      // last of them with nothing from before the seek.
      if (quiet < 8 || s.Frame >= static_cast<uint32_t>(reference.Frames)) continue;
      const auto ours = collector.Samples.begin() + static_cast<ptrdiff_t>(i * frameSamples);
      const auto theirs =
          reference.Samples.begin() + static_cast<ptrdiff_t>(s.Frame * frameSamples);
      EXPECT_TRUE(std::equal(ours, ours + static_cast<ptrdiff_t>(frameSamples), theirs))
          << name << " frame " << s.Frame;
      ++compared;
    }
    EXPECT_GT(compared, 0u) << name;
  }
}

}  // namespace
