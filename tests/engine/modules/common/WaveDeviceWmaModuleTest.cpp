// teskwma.dll playing to the wave device and through DirectSound: the Windows Media Audio
// module's writer, whose blocks are the SDK's samples.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <vector>

#include "tests/engine/modules/wma/WmaHost.h"
#include "tests/support/SoundDevices.h"

namespace {

class WmaDevices : public PlayerTest<WmaLibrary> {
 protected:
  void Prepare(int32_t outputMode) {
    ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture("v2-44k-stereo.wma").c_str()));
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, outputMode));
    ASSERT_TRUE(qv_->QVSetWindow(h_, reinterpret_cast<HWND>(0x2000)));
    ASSERT_TRUE(qv_->QVOpen(h_));
    ASSERT_TRUE(qv_->QVInitStream(h_));
    ASSERT_TRUE(qv_->QVSetLimits(h_, 0, 500));
  }

  SoundDeviceChoice device_{"virtual"};
  CallbackRecorder recorder_;  // outlives the handle
};

// The module reports the start and the end to the host, but no blocks.
TEST_F(WmaDevices, WaveDeviceRunReportsStartAndEndOnly) {
  Prepare(omMMSystem);
  ASSERT_TRUE(qv_->QVSetOutCB(h_, &CallbackRecorder::Data, &CallbackRecorder::Action,
                              reinterpret_cast<QVUserValue>(&recorder_)));
  ASSERT_TRUE(qv_->QVUseOutCB(h_, 1));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  std::lock_guard<std::mutex> lock(recorder_.mutex);
  EXPECT_EQ(recorder_.starts, 1);
  EXPECT_EQ(recorder_.ends, 1);
  EXPECT_EQ(recorder_.blocks, 0);
}

// The device is taken away (unplugged) as the run starts: the first buffer it refuses ends the
// run with code 6, where the run stands then; the rest of the file is not delivered.
TEST_F(WmaDevices, ARefusedBufferEndsTheRunWithCodeSix) {
  struct Host {
    static QVBool WINAPI Data(void*, int32_t, int32_t, int32_t, int32_t, QVUserValue) {
      return TRUE;
    }
    static QVBool WINAPI Action(QVByteBool init, QVUserValue user) {
      auto* self = reinterpret_cast<Host*>(user);
      if (init) {
        setenv("BRASSEL_AUDIO", "none", 1);  // the SDK's thread has not started yet
      } else {
        self->positionAtEnd = self->qv->QVGetPos(self->h);
      }
      return TRUE;
    }
    const WmaExports* qv;
    QVHandle h;
    std::atomic<int32_t> positionAtEnd{-1};
  } host{&*qv_, h_};
  ASSERT_TRUE(qv_->QVSetInputName(h_, WmaFixture("v2-22k-mono-4s.wma").c_str()));
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omMMSystem));
  ASSERT_TRUE(qv_->QVOpen(h_));
  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(
      qv_->QVSetOutCB(h_, &Host::Data, &Host::Action, reinterpret_cast<QVUserValue>(&host)));
  ASSERT_TRUE(qv_->QVUseOutCB(h_, 1));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
  // One block of 1024 samples at 22050 Hz had been delivered: 46 ms of the 4.5 s.
  EXPECT_EQ(host.positionAtEnd.load(), 46);
}

TEST_F(WmaDevices, DirectSoundRunReachesTheEnd) {
  Prepare(omDirectSound);
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_TRUE(qv_->QVSetVolume(h_, 65535));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
}

// The blocks are the SDK's samples, each played in about one feed delay: what the ALSA device
// records of a DirectSound run is the decode through the output callbacks, from its first
// sample, without a gap, then silence.
TEST_F(WmaDevices, DirectSoundPlaysTheWholeStreamFromItsFirstSample) {
  Prepare(omCallback);
  ASSERT_TRUE(qv_->QVSetLimits(h_, 0, 0));
  recorder_.Install(*qv_, h_);
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  const std::vector<uint8_t> reference = recorder_.pcm;
  ASSERT_FALSE(reference.empty());

  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omDirectSound));
  const std::vector<uint8_t> wav = RecordedWhile([&] {
    ASSERT_TRUE(qv_->QVPlay(h_));
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  });
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  EXPECT_TRUE(HeardWholeThenSilence(reference, wav));
}

TEST_F(WmaDevices, StopWhilePlaying) {
  for (int32_t mode : {omMMSystem, omDirectSound}) {
    SCOPED_TRACE(mode);
    Prepare(mode);
    ASSERT_TRUE(qv_->QVPlay(h_));
    EXPECT_TRUE(qv_->QVStop(h_));
    EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
    EXPECT_EQ(qv_->QVLastError(h_), 0);
    ASSERT_TRUE(qv_->QVClose(h_));
  }
}

TEST_F(WmaDevices, WithoutDevicesPlayFailsWithCodeSix) {
  for (int32_t mode : {omMMSystem, omDirectSound}) {
    SCOPED_TRACE(mode);
    Prepare(mode);
    SoundDeviceChoice none("none");
    EXPECT_FALSE(qv_->QVPlay(h_));
    EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
    ASSERT_TRUE(qv_->QVClose(h_));
  }
}

}  // namespace
