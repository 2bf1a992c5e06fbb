#include "platform/win32/Multimedia.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/SoundDevices.h"
#include "tests/support/Wait.h"

namespace {

// What a device's callback saw, in order, and on which thread.
struct CallbackLog {
  std::mutex lock;
  std::vector<UINT> messages;
  std::vector<WAVEHDR*> done;
  std::thread::id thread;
  bool unprepareOnDone = false;
  bool closeOnDone = false;
  MMRESULT closed = 0xFFFF;

  static void CALLBACK Proc(HWAVEOUT device, UINT message, DWORD_PTR instance, DWORD_PTR param1,
                            DWORD_PTR) {
    auto* log = reinterpret_cast<CallbackLog*>(instance);
    auto* header = reinterpret_cast<WAVEHDR*>(param1);
    // The completion may release the header at once, as the output does.
    if (message == WOM_DONE && log->unprepareOnDone) {
      EXPECT_EQ(waveOutUnprepareHeader(device, header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    }
    if (message == WOM_DONE && log->closeOnDone) {
      EXPECT_EQ(waveOutUnprepareHeader(device, header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
      const MMRESULT closed = waveOutClose(device);
      std::lock_guard<std::mutex> guard(log->lock);
      log->closed = closed;
    }
    std::lock_guard<std::mutex> guard(log->lock);
    log->messages.push_back(message);
    if (message == WOM_DONE) log->done.push_back(header);
    log->thread = std::this_thread::get_id();
  }
  size_t DoneCount() {
    std::lock_guard<std::mutex> guard(lock);
    return done.size();
  }
};

// A prepared buffer of silence lasting the given milliseconds of 44.1 kHz stereo.
struct Buffer {
  explicit Buffer(uint32_t milliseconds) : data(44100 * 4 * milliseconds / 1000, 0) {
    header.lpData = data.data();
    header.dwBufferLength = static_cast<DWORD>(data.size());
  }
  std::vector<char> data;
  WAVEHDR header{};
};

class WaveOut : public ::testing::Test {
 protected:
  HWAVEOUT Open(CallbackLog& log) {
    const WAVEFORMATEX format = Pcm(2, 44100, 16);
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(&CallbackLog::Proc),
                          reinterpret_cast<DWORD_PTR>(&log), CALLBACK_FUNCTION),
              MMSYSERR_NOERROR);
    return device;
  }
  SoundDeviceChoice device_{"virtual"};
};

TEST(WaveOutDevices, DeviceSelection) {
  struct Case {
    const char* kind;
    UINT count;
    MMRESULT open;
    MMRESULT mapper;
  };
  // Unset (empty): the machine's ALSA device when it opens, else the virtual one.
  const Case cases[] = {{"none", 0, MMSYSERR_BADDEVICEID, MMSYSERR_NODRIVER},
                        {"virtual", 1, MMSYSERR_NOERROR, MMSYSERR_NOERROR},
                        {"", 1, MMSYSERR_NOERROR, MMSYSERR_NOERROR}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.kind);
    SoundDeviceChoice choice(c.kind);
    EXPECT_EQ(waveOutGetNumDevs(), c.count);
    const WAVEFORMATEX format = Pcm(2, 44100, 16);
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), c.open);
    if (device != nullptr) {
      EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    }
    device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL), c.mapper);
    if (device != nullptr) {
      EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
    }
    WAVEOUTCAPSA caps{};
    EXPECT_EQ(waveOutGetDevCapsA(0, &caps, sizeof(caps)), c.open);
    EXPECT_EQ(waveOutOpen(nullptr, 1, &format, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_BADDEVICEID);
  }
}

TEST_F(WaveOut, CapabilitiesOfferVolumeAndSeparateChannels) {
  WAVEOUTCAPSA caps{};
  ASSERT_EQ(waveOutGetDevCapsA(0, &caps, sizeof(caps)), MMSYSERR_NOERROR);
  EXPECT_EQ(caps.dwSupport & (WAVECAPS_VOLUME | WAVECAPS_LRVOLUME),
            WAVECAPS_VOLUME | WAVECAPS_LRVOLUME);
  EXPECT_EQ(caps.wChannels, 2);
  EXPECT_NE(std::strlen(caps.szPname), 0u);
  // A short record gets what fits.
  WAVEOUTCAPSA partial{};
  partial.dwSupport = 0xABCD;
  ASSERT_EQ(waveOutGetDevCapsA(0, &partial, 8), MMSYSERR_NOERROR);
  EXPECT_EQ(partial.dwSupport, 0xABCDu);
  EXPECT_EQ(waveOutGetDevCapsA(0, nullptr, sizeof(caps)), MMSYSERR_INVALPARAM);
}

TEST_F(WaveOut, FormatsTheDeviceRefuses) {
  struct Case {
    const char* name;
    WAVEFORMATEX format;
  };
  WAVEFORMATEX wrongTag = Pcm(2, 44100, 16);
  wrongTag.wFormatTag = 3;
  WAVEFORMATEX wrongAlign = Pcm(2, 44100, 16);
  wrongAlign.nBlockAlign = 2;
  WAVEFORMATEX wrongRate = Pcm(2, 44100, 16);
  wrongRate.nAvgBytesPerSec = 44100;
  const Case cases[] = {{"not PCM", wrongTag},           {"six channels", Pcm(6, 44100, 16)},
                        {"24 bits", Pcm(2, 44100, 24)},  {"no rate", Pcm(2, 0, 16)},
                        {"block alignment", wrongAlign}, {"bytes per second", wrongRate}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    HWAVEOUT device = nullptr;
    EXPECT_EQ(waveOutOpen(&device, 0, &c.format, 0, 0, CALLBACK_NULL), WAVERR_BADFORMAT);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(waveOutOpen(nullptr, 0, &c.format, 0, 0, WAVE_FORMAT_QUERY), WAVERR_BADFORMAT);
  }
  const WAVEFORMATEX good = Pcm(1, 8000, 8);
  EXPECT_EQ(waveOutOpen(nullptr, 0, &good, 0, 0, WAVE_FORMAT_QUERY), MMSYSERR_NOERROR);
}

TEST_F(WaveOut, BuffersPlayInOrderAndComeBackOnTheCallbackThread) {
  CallbackLog log;
  HWAVEOUT device = Open(log);
  ASSERT_NE(device, nullptr);
  Buffer buffers[3] = {Buffer(20), Buffer(5), Buffer(0)};
  for (Buffer& b : buffers) {
    ASSERT_EQ(waveOutPrepareHeader(device, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(b.header.dwFlags, WHDR_PREPARED);
    ASSERT_EQ(waveOutWrite(device, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitFor([&] { return log.DoneCount() == 3; }));
  for (Buffer& b : buffers) {
    EXPECT_EQ(b.header.dwFlags, WHDR_PREPARED | WHDR_DONE);
    EXPECT_EQ(waveOutUnprepareHeader(device, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    EXPECT_EQ(b.header.dwFlags, WHDR_DONE);
  }
  ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
  // WOM_CLOSE has come by the time the close returns.
  std::lock_guard<std::mutex> guard(log.lock);
  EXPECT_EQ(log.messages, (std::vector<UINT>{WOM_OPEN, WOM_DONE, WOM_DONE, WOM_DONE, WOM_CLOSE}));
  EXPECT_EQ(log.done,
            (std::vector<WAVEHDR*>{&buffers[0].header, &buffers[1].header, &buffers[2].header}));
  EXPECT_NE(log.thread, std::this_thread::get_id());
}

TEST_F(WaveOut, HeaderRules) {
  CallbackLog log;
  HWAVEOUT device = Open(log);
  ASSERT_NE(device, nullptr);
  Buffer playing(2000);
  Buffer other(10);
  EXPECT_EQ(waveOutWrite(device, &other.header, sizeof(WAVEHDR)), WAVERR_UNPREPARED);
  EXPECT_EQ(waveOutPrepareHeader(device, &other.header, sizeof(WAVEHDR) - 1), MMSYSERR_INVALPARAM);
  EXPECT_EQ(waveOutPrepareHeader(device, nullptr, sizeof(WAVEHDR)), MMSYSERR_INVALPARAM);
  ASSERT_EQ(waveOutPrepareHeader(device, &playing.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutWrite(device, &playing.header, sizeof(WAVEHDR) + 1), MMSYSERR_INVALPARAM);
  ASSERT_EQ(waveOutWrite(device, &playing.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_TRUE(playing.header.dwFlags & WHDR_INQUEUE);
  // Queued: neither written again, unprepared, nor the device closed.
  EXPECT_EQ(waveOutWrite(device, &playing.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutUnprepareHeader(device, &playing.header, sizeof(WAVEHDR)), WAVERR_STILLPLAYING);
  EXPECT_EQ(waveOutClose(device), WAVERR_STILLPLAYING);

  // A reset hands every queued buffer back, done, before it returns.
  ASSERT_EQ(waveOutReset(device), MMSYSERR_NOERROR);
  EXPECT_EQ(log.DoneCount(), 1u);
  EXPECT_EQ(playing.header.dwFlags, WHDR_PREPARED | WHDR_DONE);
  EXPECT_EQ(waveOutUnprepareHeader(device, &playing.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);

  // The handle is gone.
  EXPECT_EQ(waveOutClose(device), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutReset(device), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutPrepareHeader(device, &other.header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutWrite(device, &other.header, sizeof(WAVEHDR)), MMSYSERR_INVALHANDLE);
}

// A device taken away while open (unplugged) refuses new buffers; what it holds still plays and
// comes back done, and the handle closes as before.
TEST_F(WaveOut, ADeviceTakenAwayRefusesBuffersAndPlaysWhatItHolds) {
  CallbackLog log;
  HWAVEOUT device = Open(log);
  ASSERT_NE(device, nullptr);
  Buffer held(30);
  Buffer refused(10);
  ASSERT_EQ(waveOutPrepareHeader(device, &held.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutPrepareHeader(device, &refused.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(device, &held.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  {
    SoundDeviceChoice none("none");
    EXPECT_EQ(waveOutWrite(device, &refused.header, sizeof(WAVEHDR)), MMSYSERR_NODRIVER);
    EXPECT_EQ(refused.header.dwFlags, WHDR_PREPARED);  // never queued
    ASSERT_TRUE(WaitFor([&] { return log.DoneCount() == 1; }));
  }
  EXPECT_EQ(waveOutUnprepareHeader(device, &held.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutUnprepareHeader(device, &refused.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
  std::lock_guard<std::mutex> guard(log.lock);
  EXPECT_EQ(log.done, std::vector<WAVEHDR*>{&held.header});
}

TEST_F(WaveOut, CompletionMayUnprepareItsBuffer) {
  CallbackLog log;
  log.unprepareOnDone = true;
  HWAVEOUT device = Open(log);
  ASSERT_NE(device, nullptr);
  std::vector<Buffer> buffers;
  buffers.reserve(4);
  for (int i = 0; i < 4; ++i) buffers.emplace_back(10);
  for (Buffer& b : buffers) {
    ASSERT_EQ(waveOutPrepareHeader(device, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitFor([&] { return log.DoneCount() == 4; }));
  for (Buffer& b : buffers) EXPECT_EQ(b.header.dwFlags, WHDR_DONE);
  EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST_F(WaveOut, CallbackMayCloseItsDevice) {
  CallbackLog log;
  log.closeOnDone = true;
  HWAVEOUT device = Open(log);
  ASSERT_NE(device, nullptr);
  Buffer buffer(10);
  ASSERT_EQ(waveOutPrepareHeader(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] {
    std::lock_guard<std::mutex> guard(log.lock);
    return !log.messages.empty() && log.messages.back() == WOM_CLOSE;
  }));
  std::lock_guard<std::mutex> guard(log.lock);
  EXPECT_EQ(log.closed, MMSYSERR_NOERROR);
  EXPECT_EQ(log.messages, (std::vector<UINT>{WOM_OPEN, WOM_DONE, WOM_CLOSE}));
  EXPECT_EQ(waveOutReset(device), MMSYSERR_INVALHANDLE);
}

TEST_F(WaveOut, CloseWaitsForTheDoneReportsStillOnTheirWay) {
  CallbackLog log;
  HWAVEOUT device = Open(log);
  ASSERT_NE(device, nullptr);
  Buffer buffer(10);
  ASSERT_EQ(waveOutPrepareHeader(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutWrite(device, &buffer.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  ASSERT_TRUE(WaitFor([&] {
    MMRESULT closed = waveOutClose(device);
    return closed == MMSYSERR_NOERROR;
  }));
  std::lock_guard<std::mutex> guard(log.lock);
  EXPECT_EQ(log.messages, (std::vector<UINT>{WOM_OPEN, WOM_DONE, WOM_CLOSE}));
}

TEST(WaveOutAlsa, BuffersPlayThroughTheAlsaDevice) {
  SoundDeviceChoice alsa("alsa");
  NullAlsaDevice null;
  CallbackLog log;
  log.unprepareOnDone = true;
  const WAVEFORMATEX format = Pcm(2, 44100, 16);
  HWAVEOUT device = nullptr;
  ASSERT_EQ(waveOutOpen(&device, 0, &format, reinterpret_cast<DWORD_PTR>(&CallbackLog::Proc),
                        reinterpret_cast<DWORD_PTR>(&log), CALLBACK_FUNCTION),
            MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutSetVolume(device, 0x80008000), MMSYSERR_NOERROR);
  Buffer buffers[2] = {Buffer(30), Buffer(30)};
  for (Buffer& b : buffers) {
    std::fill(b.data.begin(), b.data.end(), 0x40);
    ASSERT_EQ(waveOutPrepareHeader(device, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
    ASSERT_EQ(waveOutWrite(device, &b.header, sizeof(WAVEHDR)), MMSYSERR_NOERROR);
  }
  ASSERT_TRUE(WaitFor([&] { return log.DoneCount() == 2; }));
  // The volume is applied to a copy: the caller's samples stay as they were.
  EXPECT_EQ(buffers[0].data[0], 0x40);
  ASSERT_EQ(waveOutSetVolume(device, 0xFFFFFFFF), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
}

TEST(WaveOutAlsa, AlsaWithoutItsDeviceRefusesTheOpen) {
  SoundDeviceChoice alsa("alsa");
  const auto path = std::filesystem::temp_directory_path() /
                    ("brassel-empty-alsa-" + std::to_string(::getpid()) + ".conf");
  std::ofstream(path) << "\n";
  setenv("ALSA_CONFIG_PATH", path.c_str(), 1);
  const WAVEFORMATEX format = Pcm(2, 44100, 16);
  HWAVEOUT device = nullptr;
  EXPECT_NE(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(device, nullptr);
  unsetenv("ALSA_CONFIG_PATH");
  std::filesystem::remove(path);
}

TEST_F(WaveOut, VolumeIsKeptPerDevice) {
  const WAVEFORMATEX format = Pcm(2, 22050, 16);
  HWAVEOUT device = nullptr;
  ASSERT_EQ(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_NULL | WAVE_ALLOWSYNC),
            MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutSetVolume(device, 0x12345678), MMSYSERR_NOERROR);
  ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);

  // Another open of the same device, and the device number itself, see the volume.
  DWORD volume = 0;
  ASSERT_EQ(waveOutOpen(&device, 0, &format, 0, 0, CALLBACK_NULL), MMSYSERR_NOERROR);
  EXPECT_EQ(waveOutGetVolume(device, &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0x12345678u);
  ASSERT_EQ(waveOutClose(device), MMSYSERR_NOERROR);
  volume = 0;
  EXPECT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &volume), MMSYSERR_NOERROR);
  EXPECT_EQ(volume, 0x12345678u);
  EXPECT_EQ(waveOutSetVolume(reinterpret_cast<HWAVEOUT>(0), 0xFFFFFFFF), MMSYSERR_NOERROR);

  EXPECT_EQ(waveOutGetVolume(device, &volume), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutSetVolume(device, 0), MMSYSERR_INVALHANDLE);
  EXPECT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), nullptr), MMSYSERR_INVALPARAM);
  {
    SoundDeviceChoice none("none");
    EXPECT_EQ(waveOutGetVolume(reinterpret_cast<HWAVEOUT>(0), &volume), MMSYSERR_INVALHANDLE);
  }
}

// ---- timers ---------------------------------------------------------------------------------

struct TimerLog {
  std::atomic<int> runs{0};
  std::atomic<UINT> id{0};
  std::atomic<DWORD_PTR> user{0};
  std::thread::id thread;
  std::mutex lock;
};

void CALLBACK CountRun(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* log = reinterpret_cast<TimerLog*>(user);
  {
    std::lock_guard<std::mutex> guard(log->lock);
    log->thread = std::this_thread::get_id();
  }
  // The count first: a test that sees the id of the timer it waits for sees its run counted.
  ++log->runs;
  log->user = user;
  log->id = id;
}

TEST(Timers, OneShotRunsOnceOnTheTimerThread) {
  TimerLog log;
  const UINT id = timeSetEvent(5, 0, CountRun, reinterpret_cast<DWORD_PTR>(&log), TIME_ONESHOT);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return log.id.load() == id; }));
  EXPECT_EQ(log.runs.load(), 1);
  EXPECT_EQ(log.user.load(), reinterpret_cast<DWORD_PTR>(&log));
  {
    std::lock_guard<std::mutex> guard(log.lock);
    EXPECT_NE(log.thread, std::this_thread::get_id());
  }
  // Run and finished: nothing to kill.
  EXPECT_EQ(timeKillEvent(id), MMSYSERR_INVALPARAM);
}

TEST(Timers, RefusedTimers) {
  TimerLog log;
  const auto user = reinterpret_cast<DWORD_PTR>(&log);
  EXPECT_EQ(timeSetEvent(0, 0, CountRun, user, TIME_ONESHOT), 0u);
  EXPECT_EQ(timeSetEvent(1000001, 0, CountRun, user, TIME_ONESHOT), 0u);
  EXPECT_EQ(timeSetEvent(10, 0, nullptr, user, TIME_ONESHOT), 0u);
  EXPECT_EQ(timeSetEvent(10, 0, CountRun, user, TIME_PERIODIC), 0u);
  EXPECT_EQ(timeKillEvent(0), MMSYSERR_INVALPARAM);
}

TEST(Timers, KilledBeforeItIsDueItNeverRuns) {
  TimerLog log;
  const auto user = reinterpret_cast<DWORD_PTR>(&log);
  const UINT late = timeSetEvent(1000000, 0, CountRun, user, TIME_ONESHOT);
  ASSERT_NE(late, 0u);
  EXPECT_EQ(timeKillEvent(late), TIMERR_NOERROR);
  EXPECT_EQ(timeKillEvent(late), MMSYSERR_INVALPARAM);
  // A timer due later than a killed one still runs; the killed one's run would come first.
  const UINT killed = timeSetEvent(1, 0, CountRun, user, TIME_ONESHOT);
  const UINT kept = timeSetEvent(20, 0, CountRun, user, TIME_ONESHOT);
  ASSERT_NE(killed, 0u);
  ASSERT_NE(kept, 0u);
  const MMRESULT killedResult = timeKillEvent(killed);
  ASSERT_TRUE(WaitFor([&] { return log.id.load() == kept; }));
  EXPECT_EQ(log.runs.load(), killedResult == TIMERR_NOERROR ? 1 : 2);
}

// A procedure that re-arms itself a few times and kills its own identifier as it runs.
struct Chain {
  std::atomic<int> runs{0};
  std::atomic<UINT> armed{0};
  std::atomic<MMRESULT> selfKill{0xFFFF};
};

void CALLBACK ChainRun(UINT id, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* chain = reinterpret_cast<Chain*>(user);
  chain->selfKill = timeKillEvent(id);
  if (++chain->runs < 3) chain->armed = timeSetEvent(2, 0, ChainRun, user, TIME_ONESHOT);
}

TEST(Timers, ProcedureMayKillItselfAndReArm) {
  Chain chain;
  ASSERT_NE(timeSetEvent(2, 0, ChainRun, reinterpret_cast<DWORD_PTR>(&chain), TIME_ONESHOT), 0u);
  ASSERT_TRUE(WaitFor([&] { return chain.runs.load() == 3; }));
  EXPECT_EQ(chain.selfKill.load(), TIMERR_NOERROR);
}

struct Gate {
  std::atomic<bool> entered{false};
  std::atomic<bool> open{false};
  std::atomic<bool> finished{false};
};

void CALLBACK HeldRun(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  auto* gate = reinterpret_cast<Gate*>(user);
  gate->entered = true;
  WaitFor([&] { return gate->open.load(); });
  gate->finished = true;
}

TEST(Timers, KillingARunningTimerWaitsForItsProcedure) {
  Gate gate;
  const UINT id = timeSetEvent(1, 0, HeldRun, reinterpret_cast<DWORD_PTR>(&gate), TIME_ONESHOT);
  ASSERT_NE(id, 0u);
  ASSERT_TRUE(WaitFor([&] { return gate.entered.load(); }));
  std::thread opener([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    gate.open = true;
  });
  // Normally the kill comes while the procedure runs; either way it ends after it.
  const MMRESULT killed = timeKillEvent(id);
  EXPECT_TRUE(killed == TIMERR_NOERROR || killed == MMSYSERR_INVALPARAM);
  EXPECT_TRUE(gate.finished.load());
  opener.join();
}

}  // namespace
