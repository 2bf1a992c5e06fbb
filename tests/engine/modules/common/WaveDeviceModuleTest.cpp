// teskdec.dll playing to the wave device, as a host drives it.
#include <algorithm>
#include <cstddef>
#include <mutex>
#include <vector>

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

// A seek plays what the device holds, then the run goes on from the new position: the blocks
// that follow are the stream's own from there. A stop ends the run with the device's end report
// once the queued blocks have played, and nothing is delivered after it.
TEST_F(WaveDeviceModule, StopAndSeekWhilePlaying) {
  // 10 s of 22050 Hz: the device's queue holds 1.5 s of it.
  const char* stream = "M2L3_noise.bit";
  Prepare(omCallback, stream);
  ASSERT_TRUE(qv_->QVSetLimits(h_, 0, 0));
  BlockRecorder whole;
  ReportTo(whole);
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  const std::vector<uint8_t> reference = whole.Pcm();
  const size_t targetOffset = 6000 * 22050 * 4 / 1000;  // bytes of 22050 Hz stereo
  constexpr uint32_t target = 6000;
  ASSERT_GT(reference.size(), targetOffset + 3 * 22050 * 4);

  ASSERT_TRUE(qv_->QVInitStream(h_));
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omMMSystem));
  BlockRecorder recorder;
  ReportTo(recorder);
  // The run ends before the recorder goes, also when an assertion ends the test early.
  struct RunStopper {
    ModuleLibrary& qv;
    QVHandle h;
    ~RunStopper() { qv->QVStop(h); }
  } stopper{qv_, h_};
  ASSERT_TRUE(qv_->QVPlay(h_));
  ASSERT_TRUE(WaitFor([&] { return recorder.blockCount.load() >= 1; }));
  ASSERT_LT(qv_->QVGetPos(h_), static_cast<int32_t>(target));
  ASSERT_TRUE(qv_->QVSetPos(h_, target));
  const int atSeek = recorder.blockCount.load();
  const int32_t position = qv_->QVGetPos(h_);
  EXPECT_GE(position, static_cast<int32_t>(target));
  // The decoder may have filled the device's queue again meanwhile.
  EXPECT_LE(position, static_cast<int32_t>(target + 9 * 16384 * 1000 / (22050 * 4) + 100));
  // The first block after the seek may still hold samples from before it, and the frames just
  // after the seek are decoded without the bit reservoir and the overlap they had in a whole
  // run, so they may reach into the second block; the third is the stream's own a little after
  // the target.
  ASSERT_TRUE(WaitFor([&] { return recorder.blockCount.load() >= atSeek + 3; }));
  std::vector<uint8_t> afterSeek;
  {
    std::lock_guard<std::mutex> guard(recorder.lock);
    afterSeek = recorder.blocks[static_cast<size_t>(atSeek) + 2];
  }
  ASSERT_EQ(afterSeek.size(), 16384u);
  const auto found =
      std::search(reference.begin(), reference.end(), afterSeek.begin(), afterSeek.end());
  ASSERT_NE(found, reference.end()) << "the block after the seek is not the stream's";
  const auto offset = static_cast<size_t>(found - reference.begin());
  EXPECT_GE(offset, targetOffset);
  EXPECT_LE(offset, targetOffset + 12 * 16384);

  ASSERT_TRUE(qv_->QVStop(h_));
  EXPECT_EQ(qv_->QVGetPlayerMode(h_), pmOpen);
  EXPECT_EQ(qv_->QVLastError(h_), 0);
  const int stoppedAt = recorder.blockCount.load();
  {
    std::lock_guard<std::mutex> guard(recorder.lock);
    EXPECT_EQ(recorder.actions, (std::vector<int>{1, 0}));
  }
  EXPECT_EQ(qv_->QVGetPos(h_), -1);
  EXPECT_EQ(qv_->QVLastError(h_), qvIncorrectMode);
  EXPECT_EQ(recorder.blockCount.load(), stoppedAt);
}

// What the device's data callback is given: the blocks and the rate it is told.
struct TellingRecorder {
  static QVBool WINAPI Data(void* samples, int32_t, int32_t, int32_t rate, int32_t size,
                            QVUserValue user) {
    auto* self = reinterpret_cast<TellingRecorder*>(user);
    std::lock_guard<std::mutex> guard(self->lock);
    const auto* bytes = static_cast<const uint8_t*>(samples);
    self->pcm.insert(self->pcm.end(), bytes, bytes + size);
    self->rates.push_back(rate);
    return TRUE;
  }
  static QVBool WINAPI Action(QVByteBool, QVUserValue) { return TRUE; }

  std::mutex lock;
  std::vector<uint8_t> pcm;
  std::vector<int32_t> rates;
};

// A stream of 48000 Hz prepared for a file and then played on the wave device, which takes at
// most 44100 Hz: the run is decoded at half rate and the device opened at that rate, so that
// it plays the samples in real time. The ALSA device here records the format it was opened
// with and the samples it played.
TEST_F(WaveDeviceModule, A48kStreamPreparedForAnotherOutputPlaysAtTheRateOfItsSamples) {
  TempFolder folder;
  const std::string played = folder.File("played.wav");
  Prepare(omFile, "l3-compl.bit");
  ASSERT_EQ(rate_, 48000);
  ASSERT_TRUE(qv_->QVSetLimits(h_, 0, 0));
  ASSERT_TRUE(qv_->QVSetOutputMode(h_, omMMSystem));
  TellingRecorder recorder;
  ASSERT_TRUE(qv_->QVSetOutCB(h_, TellingRecorder::Data, TellingRecorder::Action,
                              reinterpret_cast<QVUserValue>(&recorder)));
  ASSERT_TRUE(qv_->QVUseOutCB(h_, 1));
  {
    SoundDeviceChoice alsa("alsa");
    AlsaRecordingDevice device(played);
    ASSERT_TRUE(qv_->QVPlay(h_));
    EXPECT_EQ(WaitWhileRunning(*qv_, h_), pmFinished);
  }
  EXPECT_EQ(qv_->QVLastError(h_), 0);

  const std::vector<uint8_t> wav = ReadBytes(played);
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(LittleEndian16(&wav[22]), 2);
  EXPECT_EQ(LittleEndian32(&wav[24]), 24000u) << "the rate the device was opened at";
  std::lock_guard<std::mutex> guard(recorder.lock);
  ASSERT_FALSE(recorder.rates.empty());
  EXPECT_EQ(std::count(recorder.rates.begin(), recorder.rates.end(), 24000),
            static_cast<std::ptrdiff_t>(recorder.rates.size()))
      << "the data callback was told " << recorder.rates.front() << " Hz";
  // The samples are at that rate: the stream's duration in bytes of 24000 Hz stereo, all of
  // them played.
  const double streamSeconds = ReadBytes(VectorPath("l3-compl.pcm")).size() / (2 * 48000.0);
  EXPECT_NEAR(recorder.pcm.size() / (24000.0 * 4), streamSeconds, 0.1);
  EXPECT_TRUE(std::vector<uint8_t>(wav.begin() + 44, wav.end()) == recorder.pcm);
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
