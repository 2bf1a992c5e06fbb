// The DirectSound output against a DirectSound of the test's own, registered in COM's class
// table in place of the platform's: its play and write cursors stand where the test puts them,
// so every feed of the FeedTimer can be checked byte for byte, and the test can play the
// buffer itself, piece by piece, and hear what a device would.
#include "engine/modules/common/DirectSoundOutput.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/modules/common/ModuleCom.h"
#include "engine/modules/common/ModuleFailure.h"
#include "platform/win32/Multimedia.h"
#include "tests/support/FailureCode.h"
#include "tests/support/SoundDevices.h"
#include "tests/support/Wait.h"

namespace {

class ScriptedBuffer final : public IDirectSoundBuffer {
 public:
  // The buffer's bytes; Lock holds the mutex until Unlock, so reading under it sees whole feeds.
  std::mutex memoryLock;
  std::vector<uint8_t> memory;
  std::atomic<DWORD> playCursor{0};
  // How far the write cursor stands ahead of the play cursor.
  std::atomic<DWORD> writeLead{0};
  std::atomic<bool> failPosition{false};
  std::atomic<int> plays{0};
  std::atomic<int> stops{0};
  std::atomic<int> positionSets{0};
  std::atomic<int> feeds{0};
  std::atomic<int> positionReads{0};
  std::atomic<LONG> volume{0};
  std::atomic<int> references{1};
  std::atomic<bool> usedAfterRelease{false};

  void Touch() {
    if (references.load() <= 0) usedAfterRelease = true;
  }
  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override { return --references; }
  HRESULT WINAPI GetCaps(LPDSBCAPS caps) override {
    caps->dwBufferBytes = static_cast<DWORD>(memory.size());
    return DS_OK;
  }
  HRESULT WINAPI GetCurrentPosition(DWORD* play, DWORD* write) override {
    Touch();
    ++positionReads;
    if (failPosition.load()) return DSERR_GENERIC;
    const DWORD at = playCursor.load();
    if (play != nullptr) *play = at;
    if (write != nullptr) *write = static_cast<DWORD>((at + writeLead.load()) % memory.size());
    return DS_OK;
  }
  HRESULT WINAPI GetFormat(LPWAVEFORMATEX, DWORD, DWORD*) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI GetVolume(LONG* v) override {
    *v = volume.load();
    return DS_OK;
  }
  HRESULT WINAPI GetPan(LONG*) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI GetFrequency(DWORD*) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI GetStatus(DWORD*) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI Initialize(IDirectSound*, LPCDSBUFFERDESC) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI Lock(DWORD offset, DWORD bytes, LPVOID* first, DWORD* firstBytes, LPVOID* second,
                      DWORD* secondBytes, DWORD) override {
    Touch();
    const auto size = static_cast<DWORD>(memory.size());
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    memoryLock.lock();
    *first = memory.data() + offset;
    *firstBytes = std::min(bytes, size - offset);
    *second = bytes > size - offset ? memory.data() : nullptr;
    *secondBytes = bytes - *firstBytes;
    return DS_OK;
  }
  HRESULT WINAPI Play(DWORD, DWORD, DWORD flags) override {
    EXPECT_EQ(flags, DSBPLAY_LOOPING);
    ++plays;
    return DS_OK;
  }
  HRESULT WINAPI SetCurrentPosition(DWORD position) override {
    EXPECT_EQ(position, 0u);
    ++positionSets;
    return DS_OK;
  }
  HRESULT WINAPI SetFormat(const WAVEFORMATEX*) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI SetVolume(LONG v) override {
    volume = v;
    return DS_OK;
  }
  HRESULT WINAPI SetPan(LONG) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI SetFrequency(DWORD) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI Stop() override {
    Touch();
    ++stops;
    return DS_OK;
  }
  HRESULT WINAPI Unlock(LPVOID, DWORD, LPVOID, DWORD) override {
    ++feeds;
    memoryLock.unlock();
    return DS_OK;
  }
  HRESULT WINAPI Restore() override { return DS_OK; }

  std::vector<uint8_t> Bytes() {
    std::lock_guard<std::mutex> guard(memoryLock);
    return memory;
  }
};

class ScriptedSound final : public IDirectSound {
 public:
  HRESULT initializeResult = DS_OK;
  HRESULT levelResult = DS_OK;
  HRESULT bufferResult = DS_OK;
  std::atomic<int> references{1};
  HWND window = nullptr;
  DWORD level = 0;
  DSBUFFERDESC desc{};
  WAVEFORMATEX format{};
  ScriptedBuffer buffer;

  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override { return --references; }
  HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC d, LPDIRECTSOUNDBUFFER* made,
                                   IUnknown*) override {
    desc = *d;
    format = *d->lpwfxFormat;
    if (FAILED(bufferResult)) return bufferResult;
    buffer.memory.assign(d->dwBufferBytes, 0x55);
    *made = &buffer;
    return DS_OK;
  }
  HRESULT WINAPI GetCaps(LPDSCAPS) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER, LPDIRECTSOUNDBUFFER*) override {
    return DSERR_UNSUPPORTED;
  }
  HRESULT WINAPI SetCooperativeLevel(HWND w, DWORD l) override {
    window = w;
    level = l;
    return levelResult;
  }
  HRESULT WINAPI Compact() override { return DS_OK; }
  HRESULT WINAPI GetSpeakerConfig(DWORD*) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI SetSpeakerConfig(DWORD) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI Initialize(LPCGUID device) override {
    EXPECT_EQ(device, nullptr);
    return initializeResult;
  }
};

ScriptedSound* scripted = nullptr;

HRESULT CreateScripted(REFIID riid, void** object) {
  EXPECT_TRUE(riid == IID_IDirectSound);
  *object = static_cast<IDirectSound*>(scripted);
  return S_OK;
}

class DirectSoundOutputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    scripted = &sound_;
    RegisterComClass(CLSID_DirectSound, CreateScripted);
    ASSERT_TRUE(com_.Initialise());
    // 8 kHz mono 8-bit, blocks of 80 bytes (10 ms), four of them: C = 320.
    settings_.OutputMode = omDirectSound;
    settings_.SampleRate = 8000;
    settings_.Channels = 1;
    settings_.BitsPerSample = 8;
    settings_.BufferSize = 80;
    settings_.BuffersCount = 4;
    settings_.Window = reinterpret_cast<HWND>(0x40);
  }
  void TearDown() override {
    com_.Release();
    RegisterDirectSoundClass();
    scripted = nullptr;
  }
  int32_t Fails(auto step) { return FailureCode(step); }
  static std::vector<uint8_t> Block(uint8_t first, size_t bytes = 80) {
    std::vector<uint8_t> block(bytes);
    for (size_t i = 0; i < bytes; ++i) block[i] = static_cast<uint8_t>(first + i);
    return block;
  }
  void Write(DirectSoundOutput& output, const std::vector<uint8_t>& block) {
    output.Write(block.data(), static_cast<uint32_t>(block.size()));
  }
  // Moves the play cursor and waits until a feed has filled the buffer up to it.
  bool PlayTo(DWORD position, const std::vector<uint8_t>& expected) {
    sound_.buffer.playCursor = position;
    return WaitFor([&] { return sound_.buffer.Bytes() == expected; });
  }

  ScriptedSound sound_;
  ModuleCom com_;
  ModuleErrorCode errors_;
  std::atomic<bool> seeking_{false};
  OutputSettings settings_;
};

TEST_F(DirectSoundOutputTest, OpenFailures) {
  struct Case {
    const char* name;
    HRESULT initialize, level, buffer;
  };
  const Case cases[] = {{"initialisation", DSERR_NODRIVER, DS_OK, DS_OK},
                        {"cooperative level", DS_OK, DSERR_INVALIDPARAM, DS_OK},
                        {"buffer", DS_OK, DS_OK, DSERR_BADFORMAT}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sound_.initializeResult = c.initialize;
    sound_.levelResult = c.level;
    sound_.bufferResult = c.buffer;
    DirectSoundOutput output(errors_, seeking_);
    EXPECT_EQ(Fails([&] { output.Open(settings_, true); }), qvOutputFailure);
    // What the open made is released again.
    EXPECT_EQ(sound_.references.load(), 0);
    EXPECT_FALSE(output.HasBuffer());
    sound_.references = 1;
  }
  // Without COM for the module nothing is made.
  DirectSoundOutput output(errors_, seeking_);
  EXPECT_EQ(Fails([&] { output.Open(settings_, false); }), qvInternalError);
  EXPECT_EQ(sound_.references.load(), 1);
}

TEST_F(DirectSoundOutputTest, BufferAsDescribed) {
  settings_.Channels = 2;
  settings_.BitsPerSample = 16;
  settings_.SampleRate = 48000;
  settings_.BufferSize = 16384;
  settings_.BuffersCount = 8;
  DirectSoundOutput output(errors_, seeking_);
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  EXPECT_EQ(sound_.window, settings_.Window);
  EXPECT_EQ(sound_.level, DSSCL_PRIORITY);
  EXPECT_EQ(sound_.desc.dwSize, sizeof(DSBUFFERDESC));
  EXPECT_EQ(sound_.desc.dwFlags, 0x8080u);
  EXPECT_EQ(sound_.desc.dwBufferBytes, 131072u);
  EXPECT_EQ(sound_.format.wFormatTag, WAVE_FORMAT_PCM);
  EXPECT_EQ(sound_.format.nSamplesPerSec, 48000u);
  EXPECT_EQ(sound_.format.nAvgBytesPerSec, 192000u);
  EXPECT_EQ(sound_.format.nBlockAlign, 4);
  EXPECT_EQ(sound_.format.cbSize, 0);
  EXPECT_TRUE(output.HasBuffer());
  output.Close();
  EXPECT_FALSE(output.HasBuffer());
  EXPECT_EQ(sound_.buffer.references.load(), 0);
  EXPECT_EQ(sound_.references.load(), 0);
  EXPECT_EQ(sound_.buffer.plays.load(), 0);
}

TEST_F(DirectSoundOutputTest, FeedTimerDelay) {
  struct Case {
    double frameDuration;
    int32_t bufferSize;
    uint32_t delay;
  };
  const Case cases[] = {
      // The MPEG module: just under one frame.
      {1152 * 1000.0 / 44100, 16384, 25},
      {24.0, 16384, 23},
      {36.0, 16384, 35},
      // The Windows Media Audio module, without frames: the playing time of one block; never
      // below 1 ms.
      {0.0, 16384, 92},
      {0.0, 4, 1},
  };
  settings_.SampleRate = 44100;
  settings_.Channels = 2;
  settings_.BitsPerSample = 16;
  for (const auto& c : cases) {
    settings_.FrameDuration = c.frameDuration;
    settings_.BufferSize = c.bufferSize;
    sound_.references = 1;
    sound_.buffer.references = 1;
    DirectSoundOutput output(errors_, seeking_);
    ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
    EXPECT_EQ(output.FeedDelay(), c.delay) << c.frameDuration << " " << c.bufferSize;
    output.Close();
  }
}

TEST_F(DirectSoundOutputTest, FeedFollowsThePlayCursor) {
  for (int bits : {8, 16}) {
    SCOPED_TRACE(bits);
    settings_.BitsPerSample = bits;
    sound_.references = 1;
    sound_.buffer.references = 1;
    sound_.buffer.playCursor = 0;
    sound_.buffer.writeLead = 0;
    const uint8_t silence = bits == 8 ? 0x80 : 0;
    DirectSoundOutput output(errors_, seeking_);
    ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
    const auto a = Block(1);
    const auto b = Block(101);
    // The first block goes in at the start of the silent buffer, which plays from there.
    Write(output, a);
    EXPECT_EQ(sound_.buffer.positionSets.load(), 1);
    EXPECT_EQ(sound_.buffer.plays.load(), 1);
    std::vector<uint8_t> expected(320, silence);
    std::copy(a.begin(), a.end(), expected.begin());
    EXPECT_EQ(sound_.buffer.Bytes(), expected);
    // The next one follows right behind it, before the cursor has moved.
    Write(output, b);
    EXPECT_EQ(sound_.buffer.plays.load(), 1);
    std::copy(b.begin(), b.end(), expected.begin() + 80);
    ASSERT_TRUE(PlayTo(0, expected));

    // Played up to 120: what was played becomes silence, the rest of b is still ahead.
    std::fill(expected.begin(), expected.begin() + 120, silence);
    ASSERT_TRUE(PlayTo(120, expected));
    // Past the end of the sound: silence all round (an underrun plays silence).
    expected.assign(320, silence);
    ASSERT_TRUE(PlayTo(180, expected));
    // What comes next starts at the cursor, not where the sound ended behind it.
    const auto c = Block(201);
    Write(output, c);
    std::copy(c.begin(), c.end(), expected.begin() + 180);
    ASSERT_TRUE(WaitFor([&] { return sound_.buffer.Bytes() == expected; }));
    expected.assign(320, silence);
    ASSERT_TRUE(PlayTo(260, expected));
    // Nor inside what the device holds already: it goes in behind the write cursor, and round
    // past the end of the buffer it takes two regions.
    sound_.buffer.writeLead = 40;
    const auto d = Block(31);
    Write(output, d);
    std::copy(d.begin(), d.begin() + 20, expected.begin() + 300);
    std::copy(d.begin() + 20, d.end(), expected.begin());
    ASSERT_TRUE(WaitFor([&] { return sound_.buffer.Bytes() == expected; }));
    // The cursor comes round past the start and the end of d: silence again.
    expected.assign(320, silence);
    ASSERT_TRUE(PlayTo(60, expected));

    output.Close();
    EXPECT_EQ(sound_.buffer.stops.load(), 1);
    sound_.buffer.stops = 0;
    sound_.buffer.plays = 0;
    sound_.buffer.positionSets = 0;
  }
}

TEST_F(DirectSoundOutputTest, WriterWaitsForSpaceAndTheRingNeverFillsUp) {
  DirectSoundOutput output(errors_, seeking_);
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  // Four blocks fill the buffer and three the ring (240 of 320); the eighth would fill the
  // ring exactly and waits.
  std::atomic<int> written{0};
  std::thread writer([&] {
    for (int i = 0; i < 8; ++i) {
      Write(output, Block(static_cast<uint8_t>(10 * i)));
      ++written;
    }
  });
  ASSERT_TRUE(WaitFor([&] { return written.load() == 7; }));
  EXPECT_EQ(written.load(), 7);
  std::vector<uint8_t> expected(320);
  const auto put = [&](int block, int at) {
    const auto bytes = Block(static_cast<uint8_t>(10 * block));
    std::copy(bytes.begin(), bytes.end(), expected.begin() + 80 * at);
  };
  for (int i = 0; i < 4; ++i) put(i, i);
  ASSERT_TRUE(PlayTo(0, expected));
  // Once a block has played, the ring's first goes in its place and the eighth behind the
  // others.
  put(4, 0);
  ASSERT_TRUE(PlayTo(80, expected));
  ASSERT_TRUE(WaitFor([&] { return written.load() == 8; }));
  writer.join();
  for (int i = 5; i < 8; ++i) put(i, i - 4);
  ASSERT_TRUE(PlayTo(0, expected));
  output.Close();
}

TEST_F(DirectSoundOutputTest, BlockLargerThanTheRingGoesInPieces) {
  settings_.BuffersCount = 1;  // C = 80: a block of 160 would never fit whole
  DirectSoundOutput output(errors_, seeking_);
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  const auto block = Block(1, 160);
  std::atomic<bool> written{false};
  std::thread writer([&] {
    Write(output, block);
    written = true;
  });
  // Halves of the ring: the first two fill the buffer, the third waits in the ring, the
  // fourth for the ring.
  std::vector<uint8_t> expected(block.begin(), block.begin() + 80);
  ASSERT_TRUE(PlayTo(0, expected));
  std::copy(block.begin() + 80, block.begin() + 120, expected.begin());
  ASSERT_TRUE(PlayTo(40, expected));
  ASSERT_TRUE(WaitFor([&] { return written.load(); }));
  writer.join();
  std::copy(block.begin() + 120, block.end(), expected.begin() + 40);
  ASSERT_TRUE(PlayTo(0, expected));
  output.Close();
}

TEST_F(DirectSoundOutputTest, DrainWaitsUntilTheLastSampleHasPlayed) {
  DirectSoundOutput output(errors_, seeking_);
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  // Nothing written: nothing to wait for.
  output.Drain();
  output.Close();

  sound_.references = 1;
  sound_.buffer.references = 1;
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  const auto a = Block(1);
  const auto b = Block(101);
  Write(output, a);
  Write(output, b);
  std::atomic<bool> drained{false};
  std::thread drainer([&] {
    output.Drain();
    drained = true;
  });
  std::vector<uint8_t> expected(320, 0x80);
  std::copy(a.begin(), a.end(), expected.begin());
  std::copy(b.begin(), b.end(), expected.begin() + 80);
  ASSERT_TRUE(PlayTo(0, expected));
  // The ring is empty, but 40 bytes of b have not played: the drain waits for them.
  std::fill(expected.begin(), expected.begin() + 120, 0x80);
  ASSERT_TRUE(PlayTo(120, expected));
  const int reads = sound_.buffer.positionReads.load();
  ASSERT_TRUE(WaitFor([&] { return sound_.buffer.positionReads.load() >= reads + 3; }));
  EXPECT_FALSE(drained.load());
  EXPECT_EQ(sound_.buffer.stops.load(), 0);
  sound_.buffer.playCursor = 160;
  ASSERT_TRUE(WaitFor([&] { return drained.load(); }));
  drainer.join();
  EXPECT_EQ(sound_.buffer.stops.load(), 1);
  // Stopped already: closing does not stop it again.
  output.Close();
  EXPECT_EQ(sound_.buffer.stops.load(), 1);
  EXPECT_FALSE(sound_.buffer.usedAfterRelease.load());
}

// The test plays the buffer as a device would, a piece at a time: it takes the bytes at the
// play cursor, moves the cursor past them and lets a feed see it. A writer writes a stream
// and drains, as a decode thread does at the end of a stream.
TEST_F(DirectSoundOutputTest, EveryByteWrittenIsHeardOnceAndTheDrainWaitsForTheLast) {
  struct Case {
    const char* name;
    uint32_t block;
    int blocks;
    uint32_t piece;
  };
  const Case cases[] = {
      {"one block", 80, 1, 80},
      {"shorter than the buffer", 80, 2, 40},
      {"as long as the buffer", 80, 4, 80},
      {"longer than the buffer and the ring", 80, 12, 70},
      {"blocks of another size, pieces round the end", 50, 9, 30},
  };
  settings_.FrameDuration = 2.5;  // a feed every millisecond
  constexpr uint32_t capacity = 320;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    sound_.references = 1;
    sound_.buffer.references = 1;
    sound_.buffer.playCursor = 0;
    sound_.buffer.stops = 0;
    DirectSoundOutput output(errors_, seeking_);
    ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
    std::vector<uint8_t> stream;
    for (int i = 0; i < c.blocks; ++i) {
      const auto block = Block(static_cast<uint8_t>(37 * i), c.block);
      stream.insert(stream.end(), block.begin(), block.end());
    }
    std::atomic<size_t> written{0};
    std::atomic<bool> drained{false};
    std::thread writer([&] {
      for (int i = 0; i < c.blocks; ++i) {
        output.Write(stream.data() + i * c.block, c.block);
        written += c.block;
      }
      output.Drain();
      drained = true;
    });
    const auto fed = [&] {
      const int reads = sound_.buffer.positionReads.load();
      // The second read after this one comes after a whole feed that saw the cursor.
      return WaitFor(
          [&] { return drained.load() || sound_.buffer.positionReads.load() >= reads + 2; });
    };
    std::vector<uint8_t> heard;
    for (int step = 0; step < 100 && !drained.load(); ++step) {
      ASSERT_TRUE(WaitFor([&] {
        return written.load() == stream.size() || written.load() >= heard.size() + c.piece;
      }));
      ASSERT_TRUE(fed());
      const DWORD at = sound_.buffer.playCursor.load();
      const auto bytes = sound_.buffer.Bytes();
      for (uint32_t k = 0; k < c.piece; ++k) heard.push_back(bytes[(at + k) % capacity]);
      sound_.buffer.playCursor = (at + c.piece) % capacity;
      ASSERT_TRUE(fed());
      EXPECT_TRUE(!drained.load() || heard.size() >= stream.size())
          << "drained with " << stream.size() - heard.size() << " bytes not played";
    }
    writer.join();
    EXPECT_TRUE(drained.load());
    ASSERT_GE(heard.size(), stream.size());
    EXPECT_TRUE(std::equal(stream.begin(), stream.end(), heard.begin()));
    EXPECT_EQ(static_cast<size_t>(std::count(heard.begin() + stream.size(), heard.end(), 0x80)),
              heard.size() - stream.size())
        << "only silence after the end";
    EXPECT_EQ(sound_.buffer.stops.load(), 1);
    output.Close();
  }
}

TEST_F(DirectSoundOutputTest, FailedFeedReachesTheWriterAndTheDrain) {
  DirectSoundOutput output(errors_, seeking_);
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  Write(output, Block(1));
  sound_.buffer.failPosition = true;
  // Once the ring is full no feed will make room: the writer fails instead of waiting.
  int32_t code = 0;
  for (int i = 0; i < 5 && code == 0; ++i) code = Fails([&] { Write(output, Block(2)); });
  EXPECT_EQ(code, qvOutputFailure);
  EXPECT_EQ(errors_.Get(), qvOutputFailure);
  output.Drain();
  output.Close();
  EXPECT_FALSE(sound_.buffer.usedAfterRelease.load());
}

TEST_F(DirectSoundOutputTest, CloseWhilePlayingLeavesNoFeedBehind) {
  settings_.FrameDuration = 2.5;  // a feed every millisecond
  DirectSoundOutput output(errors_, seeking_);
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  Write(output, Block(1));
  ASSERT_TRUE(WaitFor([&] { return sound_.buffer.positionReads.load() >= 3; }));
  output.Close();
  const int reads = sound_.buffer.positionReads.load();
  EXPECT_EQ(sound_.buffer.stops.load(), 1);
  EXPECT_EQ(sound_.buffer.references.load(), 0);
  // The timer thread runs timers in the order they fall due: once one set now for 10 ms has
  // run, a feed that Close left armed (a millisecond away) has had its turn.
  std::atomic<bool> ran{false};
  ASSERT_NE(timeSetEvent(
                10, 0,
                [](UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
                  reinterpret_cast<std::atomic<bool>*>(user)->store(true);
                },
                reinterpret_cast<DWORD_PTR>(&ran), TIME_ONESHOT | TIME_CALLBACK_FUNCTION),
            0u);
  ASSERT_TRUE(WaitFor([&] { return ran.load(); }));
  EXPECT_EQ(sound_.buffer.positionReads.load(), reads);
  EXPECT_FALSE(sound_.buffer.usedAfterRelease.load());
}

TEST_F(DirectSoundOutputTest, Volume) {
  DirectSoundOutput output(errors_, seeking_);
  uint32_t volume = 9;
  EXPECT_FALSE(output.SetVolume(0xFFFFFFFF));
  EXPECT_FALSE(output.GetVolume(&volume));
  EXPECT_EQ(volume, 9u);
  ASSERT_EQ(Fails([&] { output.Open(settings_, true); }), 0);
  struct Set {
    uint32_t volume;
    LONG attenuation;
  };
  // The left value alone counts, truncated toward zero.
  for (const Set s : {Set{0, -10000}, Set{32767, -5000}, Set{32768, -4999}, Set{65535, 0},
                      Set{0xFFFF0000, -10000}}) {
    EXPECT_TRUE(output.SetVolume(s.volume));
    EXPECT_EQ(sound_.buffer.volume.load(), s.attenuation) << s.volume;
  }
  struct Get {
    LONG attenuation;
    uint32_t volume;
  };
  for (const Get g : {Get{-10000, 0}, Get{-5000, 32767u * 65537u}, Get{0, 65535u * 65537u}}) {
    sound_.buffer.volume = g.attenuation;
    EXPECT_TRUE(output.GetVolume(&volume));
    EXPECT_EQ(volume, g.volume) << g.attenuation;
  }
  output.Close();
  EXPECT_FALSE(output.GetVolume(&volume));
}

}  // namespace
