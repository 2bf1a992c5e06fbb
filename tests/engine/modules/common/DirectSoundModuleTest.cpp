// teskdec.dll playing through DirectSound, as a host drives it.
#include <algorithm>
#include <string>
#include <vector>

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

// The sound object and the buffer it made are released again (the leak checker sees the rest).
TEST_F(DirectSoundModule, ADeviceThatCannotBeOpenedFailsWithCodeSix) {
  Prepare(omDirectSound);
  ASSERT_TRUE(qv_->QVSetWindow(h_, HostWindow()));
  {
    SoundDeviceChoice alsa("alsa");
    UnopenableAlsaDevice missing;
    EXPECT_FALSE(qv_->QVPlay(h_));
    EXPECT_EQ(qv_->QVLastError(h_), qvOutputFailure);
    EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmReady);
  }
  // Nothing of the failed open stands in the way of the next one.
  ASSERT_TRUE(qv_->QVPlay(h_));
  EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
}

// What a run plays, recorded by the ALSA device, against the decode of the same stream through
// the output callbacks: the recording starts with the stream's first sample and holds every
// sample once, in order, then silence only; the run ends once the last one has played.
TEST_F(DirectSoundModule, PlaysTheWholeStreamFromItsFirstSample) {
  struct Case {
    const char* stream;
    bool shorterThanTheBuffer;
  };
  // 44100 Hz stereo: the looping buffer of 8 x 16384 bytes holds 0.74 s.
  constexpr size_t bufferBytes = 8 * 16384;
  const Case cases[] = {{"l1-fl2.bit", true}, {"l2-fl11.bit", false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stream);
    Prepare(omCallback, c.stream);
    ASSERT_EQ(rate_, 44100);
    ASSERT_TRUE(qv_->QVSetLimits(h_, 0, 0));
    BlockRecorder decode;
    ReportTo(decode);
    ASSERT_TRUE(qv_->QVPlay(h_));
    ASSERT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
    const std::vector<uint8_t> reference = decode.Pcm();
    ASSERT_EQ(reference.size() < bufferBytes, c.shorterThanTheBuffer) << reference.size();

    ASSERT_TRUE(qv_->QVInitStream(h_));
    ASSERT_TRUE(qv_->QVSetOutputMode(h_, omDirectSound));
    ASSERT_TRUE(qv_->QVSetWindow(h_, HostWindow()));
    const std::vector<uint8_t> wav = RecordedWhile([&] {
      ASSERT_TRUE(qv_->QVPlay(h_));
      EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
    });
    EXPECT_EQ(qv_->QVLastError(h_), 0);
    ASSERT_GE(wav.size(), 44u);
    EXPECT_EQ(LittleEndian32(&wav[24]), 44100u);
    EXPECT_TRUE(HeardWholeThenSilence(reference, wav));
    ASSERT_TRUE(qv_->QVClose(h_));
  }
}

// A seek in this mode does not wait for the output: the run goes on from the new position at
// the buffer's pace. A stop ends the run and releases its buffer.
TEST_F(DirectSoundModule, SeekWhilePlaying) {
  // 10 s of 22050 Hz: the looping buffer holds 1.5 s of it.
  Prepare(omDirectSound, "M2L3_noise.bit");
  ASSERT_TRUE(qv_->QVSetLimits(h_, 0, 0));
  ASSERT_TRUE(qv_->QVSetWindow(h_, HostWindow()));
  constexpr int32_t target = 6000;
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_LT(qv_->QVGetPos(h_), target);
  ASSERT_TRUE(qv_->QVSetPos(h_, target));
  const int32_t position = qv_->QVGetPos(h_);
  EXPECT_GE(position, target);
  EXPECT_LE(position, target + 1000);
  // The decoder follows the buffer's pace from there.
  EXPECT_TRUE(WaitFor([&] { return qv_->QVGetPos(h_) > position + 200; }));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmPlaying);
  uint32_t volume = 0;
  EXPECT_TRUE(qv_->QVGetVolume(h_, &volume));

  ASSERT_TRUE(qv_->QVStop(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  EXPECT_FALSE(qv_->QVGetVolume(h_, &volume));
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  EXPECT_EQ(qv_->QVGetPos(h_), -1);
}

}  // namespace
