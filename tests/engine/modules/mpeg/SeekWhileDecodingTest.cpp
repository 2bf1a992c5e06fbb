// Seeks from the host's thread while a decode thread reads and decodes: the input lock keeps
// the two from using the input and the reader at the same time.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "tests/engine/modules/mpeg/DecodeHarness.h"

using namespace mpegtest;

namespace {

TEST(SeekWhileDecoding, SeeksInterleaveWithWholeFrames) {
  for (const char* name : {"l2-fl10", "l3-si"}) {
    MemoryStream memory;
    memory.Bytes = ReadBytes(VectorPath(std::string(name) + ".bit"));
    MpegDecoder decoder;
    QVByteBool canSetPosition = 1;
    decoder.OpenInput(memory.Source(), &canSetPosition);
    ASSERT_EQ(decoder.ReadFrame(), FrameRead);
    ASSERT_TRUE(decoder.Rewind());
    decoder.DecoderSetup({});
    PcmCollector collector;
    decoder.SetBlockSink(&PcmCollector::Sink, &collector);
    const uint32_t limit = decoder.FrameLimit();

    std::atomic<int> decoded{0};
    std::atomic<bool> seeksDone{false};
    std::thread run([&] {
      try {
        for (;;) {
          auto lock = decoder.LockInput();
          const FrameStatus status = decoder.ReadFrame();
          // At the end it waits for the seeks, which bring it back into the stream.
          if (status == EndOfInput) {
            if (seeksDone) break;
            continue;
          }
          if (status != FrameRead) continue;
          decoder.DecodeFrame();
          ++decoded;
        }
      } catch (const ModuleFailure&) {
      }
    });
    int accepted = 0;
    for (int i = 0; i < 100; ++i) accepted += decoder.SeekToFrame(1 + (i * 7) % limit);
    seeksDone = true;
    run.join();
    decoder.FlushPcm();
    EXPECT_EQ(accepted, 100) << name;
    EXPECT_GT(decoded.load(), 0) << name;
    EXPECT_EQ(collector.Samples.size() % 2, 0u);
  }
}

}  // namespace
