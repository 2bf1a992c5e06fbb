// teskdec.dll playing through DirectSound, as a host drives it.
#include "tests/engine/modules/common/WaveDeviceModuleHost.h"

namespace {

using DirectSoundModule = DevicePlayer;

HWND HostWindow() { return reinterpret_cast<HWND>(0x2000); }

TEST_F(DirectSoundModule, ShortRunReachesTheEnd) {
  Prepare(omDirectSound);
  ASSERT_TRUE(qv_->QVSetWindow(h_, HostWindow()));
  ASSERT_TRUE(qv_->QVPlay(h_));
  // The buffer exists from the start of play: its volume can be set.
  EXPECT_TRUE(qv_->QVSetVolume(h_, 32767));
  uint32_t volume = 0;
  EXPECT_TRUE(qv_->QVGetVolume(h_, &volume));
  EXPECT_EQ(volume, 32767u * 65537u);
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  // Closed with the run: no buffer, no volume.
  EXPECT_FALSE(qv_->QVGetVolume(h_, &volume));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  // Another run plays again.
  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_TRUE(qv_->QVStop(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
}

TEST_F(DirectSoundModule, OpenFailuresGiveCodeSix) {
  Prepare(omDirectSound);
  // No window for the cooperative level.
  EXPECT_FALSE(qv_->QVPlay(h_));
  EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
  ASSERT_TRUE(qv_->QVSetWindow(h_, HostWindow()));
  {
    SoundDeviceChoice none("none");
    EXPECT_FALSE(qv_->QVPlay(h_));
    EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
  }
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
}

// A seek in this mode does not wait for the output.
TEST_F(DirectSoundModule, SeekWhilePlaying) {
  Prepare(omDirectSound);
  ASSERT_TRUE(qv_->QVSetWindow(h_, HostWindow()));
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_TRUE(qv_->QVSetPos(h_, 200));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
}

}  // namespace
