// teskdec.dll playing to the wave device, as a host drives it.
#include "tests/engine/modules/common/WaveDeviceModuleHost.h"

namespace {

using WaveDeviceModule = DevicePlayer;

TEST_F(WaveDeviceModule, ShortRunReachesTheEndAndReportsItsBlocks) {
  Prepare(omMMSystem);
  BlockRecorder recorder;
  ReportTo(recorder);
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  std::lock_guard<std::mutex> guard(recorder.lock);
  EXPECT_EQ(recorder.actions, (std::vector<int>{1, 0}));
  ASSERT_FALSE(recorder.blocks.empty());
  // Half a second of the stream, in blocks of 16384 bytes but the last.
  size_t bytes = 0;
  for (const auto& block : recorder.blocks) bytes += block.size();
  EXPECT_GE(bytes, static_cast<size_t>(rate_) * 4 * LimitMs / 1000 - 16384);
  EXPECT_LE(bytes, static_cast<size_t>(rate_) * 4 * LimitMs / 1000 + 2 * 16384);
  EXPECT_EQ(recorder.rate.load(), rate_ < 48000 ? rate_ : rate_ / 2);
}

TEST_F(WaveDeviceModule, RefusedStartReportTurnsTheReportsOff) {
  Prepare(omMMSystem);
  BlockRecorder recorder;
  recorder.refuseStart = true;
  ReportTo(recorder);
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  std::lock_guard<std::mutex> guard(recorder.lock);
  EXPECT_EQ(recorder.actions, std::vector<int>{1});
  EXPECT_TRUE(recorder.blocks.empty());
}

TEST_F(WaveDeviceModule, WithoutDevicesPlayFailsWithCodeSix) {
  Prepare(omMMSystem);
  SoundDeviceChoice none("none");
  EXPECT_FALSE(qv_->QVPlay(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);
  QVByteBool separate = 0;
  EXPECT_FALSE(qv_->QVCanSetVolume(h_, &separate));
  EXPECT_EQ(qv_->QVLastError(h_), 0);
}

TEST_F(WaveDeviceModule, StopAndSeekWhilePlaying) {
  Prepare(omMMSystem);
  ASSERT_TRUE(qv_->QVPlay(h_));
  // A seek waits for the device to play what it holds, then moves the input.
  EXPECT_TRUE(qv_->QVSetPos(h_, 100));
  EXPECT_TRUE(qv_->QVStop(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
}

TEST_F(WaveDeviceModule, VolumeBeforeAndDuringPlay) {
  Prepare(omMMSystem);
  QVByteBool separate = 0;
  EXPECT_TRUE(qv_->QVCanSetVolume(h_, &separate));
  EXPECT_EQ(separate, 1);
  // Before anything plays a device is opened for the call.
  EXPECT_TRUE(qv_->QVSetVolume(h_, 0x80004000));
  uint32_t volume = 0;
  EXPECT_TRUE(qv_->QVGetVolume(h_, &volume));
  EXPECT_EQ(volume, 0x80004000u);
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_TRUE(qv_->QVSetVolume(h_, 0xFFFFFFFF));
  EXPECT_TRUE(qv_->QVGetVolume(h_, &volume));
  EXPECT_EQ(volume, 0xFFFFFFFFu);
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
}

}  // namespace
