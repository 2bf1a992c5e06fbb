// Runs of teskwma.dll: the position by delivered bytes, the limits, pause holding the SDK's
// thread, stop while paused, seeking, the end of a run and de-initialising while playing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/engine/modules/wma/WmaHost.h"

namespace {

class WmaRun : public PlayerTest<WmaLibrary> {
 protected:
  void OpenReady(const char* file) {
    ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture(file).c_str()));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
  }
  void ToFile(const std::string& name) {
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, omFile));
    ASSERT_TRUE(qv_->QVSetOutputName(h_, name.c_str()));
  }
  // Plays into the recorder, pausing at the second block, and waits until the SDK's thread
  // holds the third block in the pause.
  void PlayPausedInThirdBlock(const char* file) {
    OpenReady(file);
    recorder.Install(*qv_, h_);
    recorder.onBlock = [this](int block) {
      if (block == 2) qv_->QVPause(h_);
    };
    ASSERT_TRUE(qv_->QVPlay(h_));
    ASSERT_TRUE(WaitForPosition(ThirdBlockPosition));
  }
  // Waits until the SDK's thread has taken the next block into the sample operation: the
  // position moves before the pause wait and before the block is written.
  bool WaitForPosition(int32_t position) {
    return WaitFor([&] { return qv_->QVGetPos(h_) == position; });
  }

  // Three blocks of 8192 bytes of 44100 Hz stereo, or of 2048 bytes of 22050 Hz mono, have
  // been delivered: 139 ms (3 x 46 would lose a fraction of a millisecond per block).
  static constexpr int32_t ThirdBlockPosition = 3 * 8192 * 1000 / 176400;

  // Outlives the handle, whose run may still call it when a test fails early.
  CallbackRecorder recorder;
  TempFolder folder;
};

// The position counts the samples delivered: after n bytes of 44100 Hz stereo it is
// n x 1000 / 176 400 ms, truncated once, not block by block (8192-byte blocks of 46.4 ms each
// would lose 1.5% of the time so).
TEST_F(WmaRun, ThePositionCountsTheSamplesDelivered) {
  OpenReady("v2-44k-stereo.wma");
  recorder.Install(*qv_, h_);
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  ASSERT_GT(recorder.sizes.size(), 3u);
  int64_t delivered = 0;
  for (size_t i = 0; i < recorder.sizes.size(); ++i) {
    if (i + 1 < recorder.sizes.size()) {
      EXPECT_EQ(recorder.sizes[i], 8192);
    }
    delivered += recorder.sizes[i];
    EXPECT_EQ(recorder.positions[i], delivered * 1000 / 176400) << i;
  }
  EXPECT_EQ(recorder.positions[0], 46);
  EXPECT_EQ(recorder.positions[1], 92);
  EXPECT_EQ(recorder.positions[2], 139);
  // At the last block: the 65 536 samples of the file, 1486 ms.
  EXPECT_EQ(recorder.positions.back(), 1486);
  EXPECT_EQ(recorder.format.bits, 16);
  EXPECT_EQ(recorder.format.channels, 2);
  EXPECT_EQ(recorder.format.rate, 44100);
  EXPECT_EQ(recorder.starts, 1);
  EXPECT_EQ(recorder.ends, 1);
  EXPECT_TRUE(recorder.pcm == ReadBytes(WmaFixture("v2-44k-stereo.pcm")));
}

TEST_F(WmaRun, TheEndIsReportedOnceAndThePositionIsThenTheDuration) {
  OpenReady("v2-44k-stereo.wma");
  ToFile(folder.File("out.wav"));
  ASSERT_TRUE(qv_->QVPlay(h_));
  // Running, the position stays below the duration (1486 ms are delivered); finished, it
  // reads the duration, and asking for it does not take the end report.
  ASSERT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) == 1532; }));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmFinished);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  EXPECT_EQ(qv_->QVGetPos(h_), -1);
  EXPECT_EQ(qv_->QVGetSize(h_), -1);  // no longer ready
  // A second run needs the stream prepared again, and starts at the beginning.
  EXPECT_FALSE(qv_->QVPlay(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  ASSERT_TRUE(qv_->QVInitStream(h_));
  ToFile(folder.File("again.wav"));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_TRUE(ReadWavFile(folder.File("again.wav")).data ==
              ReadText(WmaFixture("v2-44k-stereo.pcm")));
}

TEST_F(WmaRun, LimitsChooseWhereTheRunStartsAndEnds) {
  const auto reference = ReadText(WmaFixture("v2-22k-mono-4s.pcm"));
  struct Case {
    uint32_t start, end;
    size_t minBytes, maxBytes;  // of the WAV data
  } cases[] = {
      {0, 0, reference.size(), reference.size()},  // the whole file
      {3000, 0, 0, 0},     // the end becomes the start: the first block passes it
      {2000, 1000, 0, 0},  // an end below the start is the start
      {5000, 0, reference.size(), reference.size()},  // past the end: from the start
      {1000, 2000, 900 * 44, 1000 * 45},              // about the second between
      {0, 500, 400 * 44, 500 * 45},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.start << "-" << c.end);
    OpenReady("v2-22k-mono-4s.wma");
    const std::string output = folder.File("out.wav");
    ToFile(output);
    ASSERT_TRUE(qv_->QVSetLimits(h_, c.start, c.end));
    ASSERT_TRUE(qv_->QVPlay(h_));
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
    const WavFile wav = ReadWavFile(output);
    ASSERT_TRUE(wav.valid);
    EXPECT_GE(wav.data.size(), c.minBytes);
    EXPECT_LE(wav.data.size(), c.maxBytes);
    if (c.minBytes == reference.size()) {
      EXPECT_TRUE(wav.data == reference);
    }
    ASSERT_TRUE(qv_->QVClose(h_));
  }
}

TEST_F(WmaRun, PauseHoldsTheSdksThreadUntilResume) {
  OpenReady("v2-44k-stereo.wma");
  recorder.Install(*qv_, h_);
  // Paused from the SDK's thread after the second block, so the third is the one held.
  recorder.onBlock = [&](int block) {
    if (block == 2) {
      EXPECT_TRUE(qv_->QVPause(h_));
    }
  };
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitForPosition(ThirdBlockPosition));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPaused);
  EXPECT_EQ(recorder.Blocks(), 2);
  EXPECT_TRUE(qv_->QVPause(h_));  // pausing again keeps it paused
  EXPECT_EQ(recorder.Blocks(), 2);
  ASSERT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_TRUE(recorder.pcm == ReadBytes(WmaFixture("v2-44k-stereo.pcm")));  // nothing lost
}

TEST_F(WmaRun, StopWhilePausedEndsTheWaitAndClosesTheOutputOnce) {
  ASSERT_NO_FATAL_FAILURE(PlayPausedInThirdBlock("v2-44k-stereo.wma"));
  ASSERT_TRUE(qv_->QVStop(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  const int blocks = recorder.Blocks();
  EXPECT_LE(blocks, 3);
  EXPECT_EQ(recorder.Ends(), 1);
  EXPECT_EQ(qv_->QVGetPos(h_), -1);
  ASSERT_TRUE(qv_->QVClose(h_));
  EXPECT_EQ(recorder.Blocks(), blocks);
  EXPECT_EQ(recorder.Ends(), 1);
}

// A run stopped while paused leaves no pause behind: the next run delivers every block.
TEST_F(WmaRun, ANewRunAfterAStopWhilePausedStartsUnpaused) {
  ASSERT_NO_FATAL_FAILURE(PlayPausedInThirdBlock("v2-44k-stereo.wma"));
  ASSERT_TRUE(qv_->QVStop(h_));
  size_t firstRun = 0;
  {
    std::lock_guard<std::mutex> lock(recorder.mutex);
    recorder.onBlock = nullptr;
    firstRun = recorder.pcm.size();
  }
  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(qv_->QVPlay(h_));
  // A run still paused would never end; the mode is not read before, as a short file may have
  // played to its end by then.
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  std::lock_guard<std::mutex> lock(recorder.mutex);
  EXPECT_TRUE(std::vector<uint8_t>(recorder.pcm.begin() + firstRun, recorder.pcm.end()) ==
              ReadBytes(WmaFixture("v2-44k-stereo.pcm")));
  EXPECT_EQ(recorder.starts, 2);
  EXPECT_EQ(recorder.ends, 2);
}

// A second player made while the first one's run goes on ends that run first, and the first
// player's reader with it: each file holds its own samples only.
TEST_F(WmaRun, ASecondInitModuleEndsTheRunningRunFirst) {
  OpenReady("v2-44k-stereo.wma");
  const std::string first = folder.File("first.wav");
  ToFile(first);
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) >= 200; }));
  ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);

  const QVHandle second = qv_->QVInitModule();
  ASSERT_NE(second, 0u);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmClosed);
  const WavFile firstWav = ReadWavFile(first);
  EXPECT_TRUE(firstWav.valid);
  EXPECT_EQ(firstWav.sampleRate, 44100u);
  EXPECT_EQ(firstWav.dataSize, firstWav.data.size());
  EXPECT_GE(firstWav.data.size(), 4u * 8192);
  const auto firstReference = ReadText(WmaFixture("v2-44k-stereo.pcm"));
  EXPECT_LT(firstWav.data.size(), firstReference.size());
  EXPECT_TRUE(std::equal(firstWav.data.begin(), firstWav.data.end(), firstReference.begin()));

  const std::string secondFile = folder.File("second.wav");
  ASSERT_TRUE(qv_->QVSetInputName(second, WmaFixture("v2-22k-mono-4s.wma").c_str()));
  ASSERT_TRUE(qv_->QVOpen(second));
  ASSERT_TRUE(qv_->QVInitStream(second));
  ASSERT_TRUE(qv_->QVSetOutputMode(second, omFile));
  ASSERT_TRUE(qv_->QVSetOutputName(second, secondFile.c_str()));
  ASSERT_TRUE(qv_->QVPlay(second));
  EXPECT_EQ(WaitWhileRunning(*qv_, second), pmFinished);
  EXPECT_EQ(qv_->QVLastError(second), 0);
  const WavFile secondWav = ReadWavFile(secondFile);
  EXPECT_TRUE(secondWav.valid);
  EXPECT_EQ(secondWav.sampleRate, 22050u);
  EXPECT_EQ(secondWav.channels, 1);
  EXPECT_TRUE(secondWav.data == ReadText(WmaFixture("v2-22k-mono-4s.pcm")));
  // The first file is as the second player found it.
  EXPECT_TRUE(ReadWavFile(first).data == firstWav.data);
  EXPECT_TRUE(qv_->QVDeInitModule(second));
}

TEST_F(WmaRun, StopLeavesAValidShorterWavFile) {
  OpenReady("v2-22k-mono-4s.wma");
  const std::string output = folder.File("out.wav");
  ToFile(output);
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) >= 200; }));
  ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  ASSERT_TRUE(qv_->QVStop(h_));
  EXPECT_FALSE(qv_->QVStop(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  const WavFile wav = ReadWavFile(output);
  ASSERT_TRUE(wav.valid);
  EXPECT_GT(wav.data.size(), 0u);
  EXPECT_LT(wav.data.size(), ReadBytes(WmaFixture("v2-22k-mono-4s.pcm")).size());
  EXPECT_EQ(wav.dataSize, wav.data.size());
  const auto reference = ReadText(WmaFixture("v2-22k-mono-4s.pcm"));
  EXPECT_TRUE(std::equal(wav.data.begin(), wav.data.end(), reference.begin()));
}

TEST_F(WmaRun, SetPosMovesAPausedRunWithoutWaitingForTheHeldThread) {
  ASSERT_NO_FATAL_FAILURE(PlayPausedInThirdBlock("v2-22k-mono-4s.wma"));
  // The SDK's thread waits inside the sample operation; the seek must not wait for it forever.
  ASSERT_TRUE(qv_->QVSetPos(h_, 2000));
  EXPECT_GE(qv_->QVGetPos(h_), 2000);  // the restarted reader may have taken its first block
  EXPECT_LE(qv_->QVGetPos(h_), 2000 + 46);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPaused);
  ASSERT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  std::lock_guard<std::mutex> lock(recorder.mutex);
  EXPECT_GT(recorder.positions.back(), 4000);
  // Three blocks before the seek, about 2.5 s after it.
  const size_t full = ReadBytes(WmaFixture("v2-22k-mono-4s.pcm")).size();
  EXPECT_GT(recorder.pcm.size(), full / 2);
  EXPECT_LT(recorder.pcm.size(), full * 2 / 3);
  EXPECT_EQ(recorder.ends, 1);
}

// WAV file output paces the run at 20 ms a block, so it is still going when the seek comes.
TEST_F(WmaRun, SetPosMovesARunningRun) {
  OpenReady("v2-22k-mono-4s.wma");
  const std::string output = folder.File("out.wav");
  ToFile(output);
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) >= 300; }));
  ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  ASSERT_TRUE(qv_->QVSetPos(h_, 3500)) << qv_->QVLastError(h_);
  EXPECT_GE(qv_->QVGetPos(h_), 3500);
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  const WavFile wav = ReadWavFile(output);
  ASSERT_TRUE(wav.valid);
  const size_t full = ReadBytes(WmaFixture("v2-22k-mono-4s.pcm")).size();
  EXPECT_LT(wav.data.size(), full / 2);
  EXPECT_GT(wav.data.size(), full / 4);
}

TEST_F(WmaRun, SettingsThatWaitForTheEndOfARun) {
  OpenReady("v2-22k-mono-4s.wma");
  recorder.Install(*qv_, h_);
  recorder.onBlock = [&](int block) {
    if (block == 1) qv_->QVPause(h_);
  };
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitForPosition(2 * 46));
  EXPECT_FALSE(qv_->QVSetOutputName(h_, "x.wav"));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  EXPECT_FALSE(qv_->QVSetOutputMode(h_, omFile));
  EXPECT_FALSE(qv_->QVSetBuffers(h_, 4, 4096));
  EXPECT_FALSE(qv_->QVSetOutCB(h_, nullptr, nullptr, 0));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  EXPECT_TRUE(qv_->QVSetLimits(h_, 0, 50));  // limits act at once: the held block ends the run
  ASSERT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(recorder.Blocks(), 1);
  EXPECT_EQ(recorder.Ends(), 1);
}

TEST_F(WmaRun, ARefusedBlockLeavesCode6AndTheRunGoesOn) {
  OpenReady("v2-8k-mono.wma");
  recorder.Install(*qv_, h_);
  recorder.refuseFrom = 3;
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
  EXPECT_TRUE(recorder.pcm == ReadBytes(WmaFixture("v2-8k-mono.pcm")));
  EXPECT_EQ(recorder.ends, 1);
}

TEST_F(WmaRun, DeInitModuleWhilePlayingEndsTheRunAndClosesTheOutput) {
  for (bool paused : {false, true}) {
    SCOPED_TRACE(paused ? "paused" : "playing");
    if (h_ == 0) h_ = qv_->QVInitModule();
    OpenReady("v2-22k-mono-4s.wma");
    const std::string output = folder.File("out.wav");
    ToFile(output);
    ASSERT_TRUE(qv_->QVPlay(h_));
    ASSERT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) >= 200; }));
    ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
    if (paused) {
      ASSERT_TRUE(qv_->QVPause(h_));
    }
    EXPECT_TRUE(qv_->QVDeInitModule(h_));
    h_ = 0;
    const WavFile wav = ReadWavFile(output);
    EXPECT_TRUE(wav.valid);
    EXPECT_EQ(wav.dataSize, wav.data.size());
    EXPECT_GT(wav.data.size(), 0u);
  }
}

}  // namespace

// A second run of the same open file, after the first has played to its end, gives the same
// samples again: the decoder starts from its initial state, its noise generator included.
TEST_F(WmaRun, ASecondRunAfterTheEndGivesTheSameSamples) {
  for (const char* file : {"v2-22k-mono-4s.wma", "v2-32k-mono.wma", "v2-44k-stereo.wma"}) {
    SCOPED_TRACE(file);
    const std::string pcm = std::string(file).substr(0, std::string(file).size() - 4) + ".pcm";
    const auto reference = ReadText(WmaFixture(pcm.c_str()));
    OpenReady(file);
    for (const char* output : {"first.wav", "second.wav"}) {
      SCOPED_TRACE(output);
      ToFile(folder.File(output));
      ASSERT_TRUE(qv_->QVPlay(h_));
      EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
      EXPECT_TRUE(ReadWavFile(folder.File(output)).data == reference);
      // The finished mode, told once, has left the file open.
      ASSERT_TRUE(qv_->QVInitStream(h_));
      EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);
    }
    ASSERT_TRUE(qv_->QVClose(h_));
  }
}
