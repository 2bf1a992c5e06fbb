// Both modules on the two sound devices at the moments a host acts on a run: a stop (QVStop,
// QVClose, QVDeInitModule) returns at once with the device stopped, whatever the device still
// holds, at the start of a run, in its middle and once the decoder has reached the end; a pause
// or a seek in the last stretch, where the decoder is done and the device plays what it holds,
// takes effect as it does earlier in the run.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "engine/PluginInterface.h"
#include "tests/engine/modules/common/BothModules.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"
#include "tests/support/SoundDevices.h"
#include "tests/support/Wait.h"

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// A stop returns within a block's time; the bound leaves room for a loaded machine and stays
// far below the sound a device holds (0.4 to 1.5 s here).
constexpr auto StopBound = milliseconds(300);
// What the DirectSound device may receive after the stop was asked for: the piece it was
// playing and the one it had taken ahead.
constexpr double HeardAfterStopMs = 120;

struct Stream {
  const char* fixture;
  uint32_t bytesPerSecond;  // of the samples the module plays
  uint32_t endLimitMs;      // 0: the whole stream
  int32_t buffers;          // a buffer count for QVSetBuffers; 0: the module's own
};

struct ModuleCase {
  const char* name;
  const char* module;
  Stream shorter;  // shorter than the device's buffer: the decoder is at its end at once
  Stream longer;   // longer: the decoder reaches the end while the run goes on
};

const ModuleCase Modules[] = {
    {"teskdec",
     TESKDEC_PATH,
     {"conformance/l1-fl2.bit", 176400, 0, 0},
     {"conformance/l3-he_44khz.bit", 176400, 2000, 0}},
    // The module's buffers hold the SDK's samples: two of them, so that the decoder of the
    // 1.5 s stream reaches its end late in the run.
    {"teskwma",
     TESKWMA_PATH,
     {"wma/v2-8k-mono.wma", 16000, 0, 0},
     {"wma/v2-44k-stereo.wma", 176400, 0, 2}},
};

void PrintTo(const ModuleCase& c, std::ostream* out) { *out << c.name; }

double Milliseconds(Clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The samples a run hands to the output callbacks.
struct Decode {
  static QVBool WINAPI Data(void* samples, int32_t, int32_t, int32_t, int32_t size,
                            QVUserValue user) {
    auto* self = reinterpret_cast<Decode*>(user);
    std::lock_guard<std::mutex> guard(self->lock);
    const auto* bytes = static_cast<const uint8_t*>(samples);
    self->pcm.insert(self->pcm.end(), bytes, bytes + size);
    return TRUE;
  }
  static QVBool WINAPI Action(QVByteBool, QVUserValue) { return TRUE; }

  std::mutex lock;
  std::vector<uint8_t> pcm;
};

enum class Moment { Start, Middle, DecoderAtEnd };
enum class Call { Stop, Close, DeInit };

const char* NameOf(Moment m) {
  switch (m) {
    case Moment::Start: return "at the start";
    case Moment::Middle: return "in the middle";
    default: return "after the decoder reached the end";
  }
}
const char* NameOf(Call c) {
  switch (c) {
    case Call::Stop: return "QVStop";
    case Call::Close: return "QVClose";
    default: return "QVDeInitModule";
  }
}

class DeviceRunEnd : public testing::TestWithParam<ModuleCase> {
 protected:
  void SetUp() override { ASSERT_TRUE(module_.Loaded()); }
  void TearDown() override {
    if (h != 0) {
      EXPECT_TRUE(qv->QVDeInitModule(h));
    }
  }

  // A new player with the stream ready to play to the output.
  void Ready(const Stream& stream, int32_t outputMode) {
    if (h != 0) qv->QVDeInitModule(h);
    h = qv->QVInitModule();
    ASSERT_NE(h, 0u);
    ASSERT_TRUE(qv->QVSetInputName(h, FixturePath(stream.fixture).c_str()));
    ASSERT_TRUE(qv->QVSetOutputMode(h, outputMode));
    ASSERT_TRUE(qv->QVSetWindow(h, reinterpret_cast<HWND>(0x2000)));
    if (stream.buffers != 0) {
      ASSERT_TRUE(qv->QVSetBuffers(h, stream.buffers, 0));
    }
    ASSERT_TRUE(qv->QVOpen(h));
    ASSERT_TRUE(qv->QVInitStream(h));
    ASSERT_TRUE(qv->QVSetLimits(h, 0, stream.endLimitMs));
  }
  // The samples of the whole run, decoded to the output callbacks.
  std::vector<uint8_t> Decoded(const Stream& stream) {
    Ready(stream, omCallback);
    Decode decode;
    EXPECT_TRUE(
        qv->QVSetOutCB(h, Decode::Data, Decode::Action, reinterpret_cast<QVUserValue>(&decode)));
    EXPECT_TRUE(qv->QVPlay(h));
    EXPECT_TRUE(WaitFor([&] { return qv->QVGetPlayerMode(h) == pmFinished; }));
    endMs = static_cast<int32_t>(decode.pcm.size() * 1000 / stream.bytesPerSecond);
    EXPECT_GT(endMs, 0);
    return decode.pcm;
  }
  // The mode in which the run ended.
  int32_t WaitWhileRunning() {
    int32_t mode = pmPlaying;
    EXPECT_TRUE(WaitFor([&] {
      mode = qv->QVGetPlayerMode(h);
      return mode != pmPlaying && mode != pmPaused;
    })) << "the run did not end";
    return mode;
  }
  // Until the decoder has read the stream's last frame (or sample), by the length of the
  // decode: the device still plays what it holds.
  void WaitForTheDecoderAtTheEnd() {
    ASSERT_TRUE(WaitFor([&] { return qv->QVGetPos(h) + 50 >= endMs; }));
    ASSERT_EQ(qv->QVGetPlayerMode(h), pmPlaying) << "the run ended before the decoder was seen";
  }
  // Plays the stream and ends the run by the call at the moment; the time the call took, and
  // from the start of the play to the call in `before`.
  Clock::duration PlayAndEnd(const Stream& stream, Moment moment, Call call,
                             Clock::duration* before) {
    const Clock::time_point played = Clock::now();
    EXPECT_TRUE(qv->QVPlay(h));
    if (moment == Moment::Middle) {
      std::this_thread::sleep_until(played + milliseconds(200));
      // The longer stream is still being decoded there.
      EXPECT_TRUE(&stream != &GetParam().longer || qv->QVGetPos(h) + 200 < endMs)
          << "at " << qv->QVGetPos(h) << " ms of " << endMs;
    }
    if (moment == Moment::DecoderAtEnd) WaitForTheDecoderAtTheEnd();
    const Clock::time_point called = Clock::now();
    switch (call) {
      case Call::Stop:
        EXPECT_TRUE(qv->QVStop(h));
        EXPECT_EQ(qv->QVGetPlayerMode(h), pmOpen);
        break;
      case Call::Close:
        EXPECT_TRUE(qv->QVClose(h));
        EXPECT_EQ(qv->QVGetPlayerMode(h), pmClosed);
        break;
      case Call::DeInit:
        EXPECT_TRUE(qv->QVDeInitModule(h));
        h = 0;
        break;
    }
    const Clock::duration took = Clock::now() - called;
    *before = called - played;
    return took;
  }

  template <class Body>
  void ForEachStop(Body body) {
    for (const Stream* stream : {&GetParam().shorter, &GetParam().longer}) {
      ASSERT_FALSE(Decoded(*stream).empty());
      for (Moment moment : {Moment::Start, Moment::Middle, Moment::DecoderAtEnd})
        for (Call call : {Call::Stop, Call::Close, Call::DeInit}) {
          SCOPED_TRACE(std::string(stream->fixture) + ", " + NameOf(call) + " " + NameOf(moment));
          body(*stream, moment, call);
        }
    }
  }

  LoadedModule module_{GetParam().module, ModuleLoadFlags};
  const QVExports* qv = &*module_;
  SoundDeviceChoice device_{"virtual"};
  QVHandle h = 0;
  int32_t endMs = 0;
};

// The ALSA recording device holds what the DirectSound buffer gave it: no more than was due by
// the time of the stop.
TEST_P(DeviceRunEnd, AStopOnDirectSoundReturnsAtOnceAndTheDeviceHearsNoMore) {
  ForEachStop([&](const Stream& stream, Moment moment, Call call) {
    Ready(stream, omDirectSound);
    Clock::duration took{};
    Clock::duration before{};
    const std::vector<uint8_t> wav =
        RecordedWhile([&] { took = PlayAndEnd(stream, moment, call, &before); });
    EXPECT_LT(took, StopBound) << Milliseconds(took) << " ms";
    const double heardMs = (wav.size() > 44 ? wav.size() - 44 : 0) * 1000.0 / stream.bytesPerSecond;
    EXPECT_LE(heardMs, Milliseconds(before) + HeardAfterStopMs)
        << "the device played on after the stop";
  });
}

// The wave device is reset: its queue is not played out, and the device closes at once.
TEST_P(DeviceRunEnd, AStopOnTheWaveDeviceReturnsAtOnce) {
  ForEachStop([&](const Stream& stream, Moment moment, Call call) {
    Ready(stream, omMMSystem);
    Clock::duration before{};
    const Clock::duration took = PlayAndEnd(stream, moment, call, &before);
    EXPECT_LT(took, StopBound) << Milliseconds(took) << " ms";
  });
}

// Paused once the decoder is done, the run stays paused after the device has played what it
// held (silence follows, as after a pause earlier in the run), resumes and ends; every sample
// is heard once.
TEST_P(DeviceRunEnd, APauseInTheLastStretchHoldsTheRunOnDirectSound) {
  const Stream& stream = GetParam().shorter;
  const std::vector<uint8_t> reference = Decoded(stream);
  ASSERT_FALSE(reference.empty());
  Ready(stream, omDirectSound);
  const std::vector<uint8_t> wav = RecordedWhile([&] {
    ASSERT_TRUE(qv->QVPlay(h));
    WaitForTheDecoderAtTheEnd();
    EXPECT_TRUE(qv->QVPause(h));
    // Longer than all the sound the stream has.
    EXPECT_FALSE(
        WaitFor([&] { return qv->QVGetPlayerMode(h) != pmPaused; }, std::chrono::seconds(2)))
        << "the run left the pause";
    EXPECT_TRUE(qv->QVResume(h));
    EXPECT_EQ(WaitWhileRunning(), pmFinished);
  });
  EXPECT_EQ(qv->QVLastError(h), 0);
  // The pause may come while the last block still waits for room in the buffer: then the
  // device plays all it holds, silence, and the rest after the resume.
  EXPECT_TRUE(HeardWholeAroundOnePause(reference, wav));
}

TEST_P(DeviceRunEnd, APauseInTheLastStretchHoldsTheRunOnTheWaveDevice) {
  ASSERT_FALSE(Decoded(GetParam().shorter).empty());
  Ready(GetParam().shorter, omMMSystem);
  ASSERT_TRUE(qv->QVPlay(h));
  WaitForTheDecoderAtTheEnd();
  EXPECT_TRUE(qv->QVPause(h));
  EXPECT_FALSE(WaitFor([&] { return qv->QVGetPlayerMode(h) != pmPaused; }, std::chrono::seconds(2)))
      << "the run left the pause";
  EXPECT_TRUE(qv->QVResume(h));
  EXPECT_EQ(WaitWhileRunning(), pmFinished);
  EXPECT_EQ(qv->QVLastError(h), 0);
}

// A seek back to a quarter of the stream once the decoder is done plays the stream again from
// there: the device hears the whole stream and then its last three quarters. On a slow machine
// the run may already be ending when the seek comes; it is then refused with code 2, and the
// run is tried again.
TEST_P(DeviceRunEnd, ASeekInTheLastStretchTakesEffectOnDirectSound) {
  const Stream& stream = GetParam().shorter;
  const std::vector<uint8_t> reference = Decoded(stream);
  ASSERT_FALSE(reference.empty());
  bool tookEffect = false;
  for (int attempt = 0; attempt < 5 && !tookEffect; ++attempt) {
    Ready(stream, omDirectSound);
    bool sought = false;
    const std::vector<uint8_t> wav = RecordedWhile([&] {
      ASSERT_TRUE(qv->QVPlay(h));
      WaitForTheDecoderAtTheEnd();
      sought = qv->QVSetPos(h, static_cast<uint32_t>(endMs / 4));
      EXPECT_EQ(WaitWhileRunning(), pmFinished);
    });
    if (!sought) {
      EXPECT_EQ(qv->QVLastError(h), 2) << "a refused seek says why";
      continue;
    }
    tookEffect = true;
    EXPECT_EQ(qv->QVLastError(h), 0);
    ASSERT_GT(wav.size(), 44u);
    // Up to the last sound: what follows it is the buffer's silence.
    size_t heard = wav.size();
    while (heard > 44 && wav[heard - 1] == 0) --heard;
    EXPECT_GE(heard - 44, reference.size() + reference.size() * 3 / 4 * 8 / 10)
        << "of " << reference.size() << " bytes";
  }
  EXPECT_TRUE(tookEffect) << "every seek in the last stretch was refused";
}

// On the wave device the seek first waits until the device has played what it holds; the
// stream then plays again from the new place, in real time.
TEST_P(DeviceRunEnd, ASeekInTheLastStretchTakesEffectOnTheWaveDevice) {
  ASSERT_FALSE(Decoded(GetParam().shorter).empty());
  Ready(GetParam().shorter, omMMSystem);
  ASSERT_TRUE(qv->QVPlay(h));
  WaitForTheDecoderAtTheEnd();
  const int32_t target = endMs / 4;
  EXPECT_TRUE(qv->QVSetPos(h, static_cast<uint32_t>(target)));
  const Clock::time_point sought = Clock::now();
  EXPECT_EQ(WaitWhileRunning(), pmFinished);
  EXPECT_GE(Milliseconds(Clock::now() - sought), (endMs - target) * 0.8)
      << "the stream did not play again";
  EXPECT_EQ(qv->QVLastError(h), 0);
}

INSTANTIATE_TEST_SUITE_P(BothModules, DeviceRunEnd, testing::ValuesIn(Modules),
                         ModuleCaseName<ModuleCase>);

}  // namespace
