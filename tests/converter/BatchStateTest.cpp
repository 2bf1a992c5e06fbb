// The batch's states against a player 0 that behaves like a module: a run ends in pmFinished,
// which it reports to the first question only, pmOpen afterwards.
#include "converter/BatchState.h"

#include <gtest/gtest.h>

namespace {

struct ScriptedPlayer {
  int32_t Mode = pmClosed;
  int Questions = 0;

  int32_t Ask() {
    ++Questions;
    const int32_t mode = Mode;
    if (mode == pmFinished) Mode = pmOpen;
    return mode;
  }
};

class BatchStateTest : public testing::Test {
 protected:
  // Play: a run starts and is playing.
  void StartRun() {
    Batch.RunStarting();
    Player.Mode = pmPlaying;
    Batch.RunStarted();
  }

  ScriptedPlayer Player;
  BatchState Batch{[this] { return Player.Ask(); }};
};

TEST_F(BatchStateTest, EachTickSeesTheModeAndARunEndsOnce) {
  struct Case {
    int32_t Mode;
    bool RunEnded;
  };
  // Paused is still the run; every other mode is its end, by itself or by a failure.
  const Case cases[] = {{pmPlaying, false}, {pmPaused, false}, {pmFinished, true},
                        {pmOpen, true},     {pmReady, true},   {pmClosed, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Mode);
    StartRun();
    Player.Mode = c.Mode;
    const BatchState::TickView tick = Batch.Tick();
    EXPECT_EQ(tick.Mode, c.Mode);
    EXPECT_EQ(tick.RunEnded, c.RunEnded);
    EXPECT_EQ(Batch.RunPending(), !c.RunEnded);
    // Once ended, the next tick finds no run to end; one still running ends there.
    Player.Mode = pmOpen;
    EXPECT_EQ(Batch.Tick().RunEnded, !c.RunEnded);
    EXPECT_FALSE(Batch.RunPending());
  }
}

TEST_F(BatchStateTest, FinishedReportTakenByACommandIsKeptForTheTick) {
  StartRun();
  Player.Mode = pmFinished;
  // A command between the end of a file and the tick: busy, and the report is taken.
  EXPECT_TRUE(Batch.Busy());
  EXPECT_EQ(Player.Mode, pmOpen);
  EXPECT_TRUE(Batch.Busy());
  EXPECT_EQ(Batch.Mode(), pmOpen);
  const int questions = Player.Questions;

  // The tick acts on the kept report without asking again, and sees the run end.
  const BatchState::TickView tick = Batch.Tick();
  EXPECT_EQ(tick.Mode, pmFinished);
  EXPECT_TRUE(tick.RunEnded);
  EXPECT_EQ(Player.Questions, questions);
  EXPECT_FALSE(Batch.Busy());

  // Kept for one tick only: the next one asks.
  EXPECT_EQ(Batch.Tick().Mode, pmOpen);
  EXPECT_EQ(Player.Questions, questions + 2);
}

TEST_F(BatchStateTest, BusyWhilePlayingAndUntilTheTickSeesTheEnd) {
  EXPECT_FALSE(Batch.Busy());
  Player.Mode = pmPlaying;
  // Playing counts also for a run that the batch did not start.
  EXPECT_TRUE(Batch.Busy());
  Player.Mode = pmOpen;
  EXPECT_FALSE(Batch.Busy());

  StartRun();
  EXPECT_TRUE(Batch.Busy());
  // Ended with a failure: not playing, yet busy until the tick.
  Player.Mode = pmOpen;
  EXPECT_TRUE(Batch.Busy());
  EXPECT_TRUE(Batch.Tick().RunEnded);
  EXPECT_FALSE(Batch.Busy());
}

TEST_F(BatchStateTest, ForgottenOrStaleReportDoesNotMoveTheBatchOn) {
  // A new choice of files or an abort after the end of a file: the kept report and the
  // pending run are gone, and the tick asks the player.
  StartRun();
  Player.Mode = pmFinished;
  EXPECT_EQ(Batch.Mode(), pmFinished);
  Batch.Forget();
  EXPECT_FALSE(Batch.RunPending());
  EXPECT_FALSE(Batch.Busy());
  const BatchState::TickView forgotten = Batch.Tick();
  EXPECT_EQ(forgotten.Mode, pmOpen);
  EXPECT_FALSE(forgotten.RunEnded);

  // A report kept from before a Play is not the end of the run that Play starts.
  Player.Mode = pmFinished;
  EXPECT_EQ(Batch.Mode(), pmFinished);
  StartRun();
  const BatchState::TickView started = Batch.Tick();
  EXPECT_EQ(started.Mode, pmPlaying);
  EXPECT_FALSE(started.RunEnded);
  EXPECT_TRUE(Batch.RunPending());
}

}  // namespace
