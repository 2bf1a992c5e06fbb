// The rules the module frame keeps for both modules alike, through the plug-in interface of
// teskdec.dll and teskwma.dll: pause, resume and seek move only a run, a paused run takes a
// seek and stays paused, a pause costs no sample, and QVGetInfo1 answers a size query in every
// mode with the error code reset, but a record only for a stream that is set up.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/PluginInterface.h"
#include "tests/engine/modules/common/BothModules.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"
#include "tests/support/TempFolder.h"
#include "tests/support/Wait.h"
#include "tests/support/WavFile.h"

namespace {

struct ModuleCase {
  const char* name;
  const char* module;
  const char* input;
  // Which field of the stream record holds the sampling rate.
  int rateField;
};

// Streams long enough that a run into a WAV file is still going while the test acts.
const ModuleCase Modules[] = {
    {"teskdec", TESKDEC_PATH, "conformance/l3-he_44khz.bit", 4},
    {"teskwma", TESKWMA_PATH, "wma/v2-44k-stereo.wma", 3},
};

int32_t RateOf(const StreamInfo& info, int field) {
  const int32_t fields[] = {info.Field1, info.Field2, info.Field3, info.Field4};
  return fields[field - 1];
}

class ModuleFrameRules : public testing::TestWithParam<ModuleCase> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(module_.Loaded());
    ASSERT_FALSE(folder_.path().empty());
    h_ = qv_->QVInitModule();
    ASSERT_NE(h_, 0u);
    input_ = FixturePath(GetParam().input).string();
  }
  void TearDown() override {
    if (h_ != 0) {
      EXPECT_TRUE(qv_->QVDeInitModule(h_));
    }
  }

  // Brings the handle to pmClosed, pmOpen or pmReady.
  void Reach(int32_t mode) {
    ASSERT_TRUE(qv_->QVClose(h_));
    if (mode >= pmOpen) {
      ASSERT_TRUE(qv_->QVSetInputName(h_, input_.c_str()));
      ASSERT_TRUE(qv_->QVOpen(h_));
    }
    if (mode >= pmReady) {
      ASSERT_TRUE(qv_->QVInitStream(h_));
    }
    ASSERT_EQ(qv_->QVGetPlayerMode(h_), mode);
  }
  // A run into a WAV file, once its first samples have been delivered.
  void Play(const std::string& wav) {
    Reach(pmReady);
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, omFile));
    ASSERT_TRUE(qv_->QVSetOutputName(h_, wav.c_str()));
    ASSERT_TRUE(qv_->QVPlay(h_));
    ASSERT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) > 0; }));
    ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  }
  // The samples of a run that ends by itself with no code.
  std::string Finished(const std::string& wav) {
    EXPECT_TRUE(WaitFor([&] { return qv_->QVGetPlayerMode(h_) == pmFinished; }));
    EXPECT_EQ(qv_->QVLastError(h_), 0);
    return ReadWavFile(wav).data;
  }
  std::string Unpaused() {
    const std::string wav = folder_.File("unpaused.wav");
    Play(wav);
    return Finished(wav);
  }

  LoadedModule module_{GetParam().module, ModuleLoadFlags};
  const QVExports* qv_ = &*module_;
  TempFolder folder_;
  QVHandle h_ = 0;
  std::string input_;
};

TEST_P(ModuleFrameRules, PauseResumeAndSeekAreRefusedOutsideARun) {
  struct Call {
    const char* name;
    std::function<QVBool(const QVExports&, QVHandle)> call;
  } const calls[] = {
      {"QVPause", [](const QVExports& q, QVHandle h) { return q.QVPause(h); }},
      {"QVResume", [](const QVExports& q, QVHandle h) { return q.QVResume(h); }},
      {"QVSetPos", [](const QVExports& q, QVHandle h) { return q.QVSetPos(h, 500); }},
  };
  // pmFinished stands for a run that has ended by itself: the mode that the host sees after
  // it has been told.
  for (const int32_t mode : {pmClosed, pmOpen, pmReady, pmFinished}) {
    if (mode == pmFinished) {
      Unpaused();
      ASSERT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
    }
    for (const Call& c : calls) {
      SCOPED_TRACE(testing::Message() << c.name << " in mode " << mode);
      if (mode != pmFinished) Reach(mode);
      const int32_t before = qv_->QVGetPlayerMode(h_);
      EXPECT_FALSE(c.call(*qv_, h_));
      EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
      EXPECT_EQ(qv_->QVGetPlayerMode(h_), before);
    }
  }
}

TEST_P(ModuleFrameRules, APausedRunHoldsItsModeAndLosesNoSample) {
  const std::string whole = Unpaused();
  ASSERT_FALSE(whole.empty());

  const std::string wav = folder_.File("paused.wav");
  Play(wav);
  EXPECT_TRUE(qv_->QVPause(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPaused);
  EXPECT_TRUE(qv_->QVPause(h_));  // paused already
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPaused);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  EXPECT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  EXPECT_TRUE(qv_->QVResume(h_));  // playing already
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  EXPECT_TRUE(qv_->QVPause(h_));
  EXPECT_TRUE(qv_->QVResume(h_));
  EXPECT_EQ(Finished(wav), whole);
}

TEST_P(ModuleFrameRules, ASeekWhilePausedMovesThePositionAndTheRunStaysPaused) {
  const std::string whole = Unpaused();
  const std::string wav = folder_.File("seeked.wav");
  Play(wav);
  const int32_t duration = qv_->QVGetSize(h_);
  ASSERT_GT(duration, 1000);
  ASSERT_TRUE(qv_->QVPause(h_));
  const uint32_t target = static_cast<uint32_t>(duration / 2);
  EXPECT_TRUE(qv_->QVSetPos(h_, target));
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPaused);
  // The position of the place reached: the frame the seek found (this stream has no table of
  // positions and its bit rate climbs, so that lies well after the time), or the time itself
  // and the block delivered there.
  const int32_t reached = qv_->QVGetPos(h_);
  EXPECT_GE(reached, static_cast<int32_t>(target) - 100);
  // The WAV file is whole after every block: what it holds now came before the seek.
  const size_t before = ReadWavFile(wav).data.size();
  ASSERT_TRUE(qv_->QVResume(h_));
  // The run goes on from there to the end: a good part of the stream is skipped (the place of
  // a time in a variable bit-rate stream is only estimated), the rest written.
  const size_t written = Finished(wav).size();
  EXPECT_LT(written, whole.size() * 3 / 4);
  EXPECT_GT(written, whole.size() / 10);
  // What follows the seek is what the position leaves of the stream, within a block of the
  // output (under 100 ms here) and a frame.
  const double msPerByte = static_cast<double>(duration) / static_cast<double>(whole.size());
  const double follows = static_cast<double>(written - before) * msPerByte;
  EXPECT_NEAR(reached + follows, duration, 150.0)
      << "position " << reached << " ms, then " << follows << " ms of samples";
}

// Output callbacks whose end report waits until the test lets it go: the run has ended then,
// but its mode is still playing.
struct HeldEnd {
  static QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
    auto* self = reinterpret_cast<HeldEnd*>(user);
    if (!init) {
      self->closing = true;
      WaitFor([self] { return self->released.load(); });
    }
    return TRUE;
  }
  static QVBool WINAPI Data(void*, int32_t, int32_t, int32_t, int32_t, QVUserValue) {
    return TRUE;
  }
  std::atomic<bool> closing{false};
  std::atomic<bool> released{false};
};

TEST_P(ModuleFrameRules, ARunThatIsEndingTakesNoPause) {
  HeldEnd end;
  Reach(pmReady);
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omCallback));
  ASSERT_TRUE(qv_->QVSetOutCB(h_, HeldEnd::Data, HeldEnd::Action,
                              reinterpret_cast<QVUserValue>(&end)));
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return end.closing.load(); }));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  // It would end paused.
  EXPECT_FALSE(qv_->QVPause(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  end.released = true;
  EXPECT_TRUE(WaitFor([&] { return qv_->QVGetPlayerMode(h_) == pmFinished; }));
  EXPECT_EQ(qv_->QVLastError(h_), 0);
}

TEST_P(ModuleFrameRules, ASizeQueryIsAnsweredInAnyModeAndResetsTheCode) {
  struct Case {
    const char* what;
    int32_t mode;
    bool withInfo;
    bool withSize;
    uint32_t size;
    bool result;
    int32_t codeAfter;  // the code was 2 before the call
  };
  const Case cases[] = {
      {"too small, closed", pmClosed, true, true, 8, false, 0},
      {"no record, closed", pmClosed, false, true, 16, false, 0},
      {"no size, closed", pmClosed, true, false, 0, false, 0},
      {"nothing, closed", pmClosed, false, false, 0, false, 0},
      {"a record before the stream is set up", pmOpen, true, true, 16, false, qvIncorrectMode},
      {"too small, ready", pmReady, true, true, 15, false, 0},
      {"no size, ready", pmReady, true, false, 0, false, 0},
      {"a record, ready", pmReady, true, true, 16, true, qvIncorrectMode},
      {"a larger room, ready", pmReady, true, true, 64, true, qvIncorrectMode},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Reach(c.mode);
    EXPECT_FALSE(qv_->QVStop(h_));  // code 2, which a size query resets and a record keeps
    StreamInfo info{};
    uint32_t size = c.size;
    EXPECT_EQ(
        QVTrue(qv_->QVGetInfo1(h_, c.withInfo ? &info : nullptr, c.withSize ? &size : nullptr)),
        c.result);
    if (c.withSize) {
      EXPECT_EQ(size, sizeof(StreamInfo));
    }
    EXPECT_EQ(qv_->QVLastError(h_), c.codeAfter);
    EXPECT_EQ(RateOf(info, GetParam().rateField), c.result ? 44100 : 0);
  }
}

INSTANTIATE_TEST_SUITE_P(BothModules, ModuleFrameRules, testing::ValuesIn(Modules),
                         ModuleCaseName<ModuleCase>);

}  // namespace
