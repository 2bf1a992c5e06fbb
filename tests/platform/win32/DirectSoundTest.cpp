#include "platform/win32/DirectSound.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "tests/support/SoundDevices.h"
#include "tests/support/Wait.h"

namespace {

HWND SomeWindow() { return reinterpret_cast<HWND>(0x10); }

// Each test runs in the multithreaded apartment on the virtual device.
class DirectSound : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK); }
  void TearDown() override { CoUninitialize(); }

  IDirectSound* Create() {
    IDirectSound* sound = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                               reinterpret_cast<void**>(&sound)),
              S_OK);
    return sound;
  }
  IDirectSound* Ready() {
    IDirectSound* sound = Create();
    if (sound == nullptr) return nullptr;
    EXPECT_EQ(sound->Initialize(nullptr), DS_OK);
    EXPECT_EQ(sound->SetCooperativeLevel(SomeWindow(), DSSCL_PRIORITY), DS_OK);
    return sound;
  }
  HRESULT MakeBuffer(IDirectSound* sound, DWORD bytes, WAVEFORMATEX format,
                     IDirectSoundBuffer** buffer,
                     DWORD flags = DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLVOLUME) {
    DSBUFFERDESC desc{};
    desc.dwSize = sizeof(desc);
    desc.dwFlags = flags;
    desc.dwBufferBytes = bytes;
    desc.lpwfxFormat = &format;
    return sound->CreateSoundBuffer(&desc, buffer, nullptr);
  }
  // Lets a buffer of 40 ms of 8 kHz mono that should stand still have its chance to move: plays
  // a second one like it from its start until its cursor has passed two of the player's 10 ms
  // pieces, in which time a playing buffer's cursor moves on by one piece at least.
  void LetAPlayingBufferMove(IDirectSound* sound) {
    IDirectSoundBuffer* witness = nullptr;
    ASSERT_EQ(MakeBuffer(sound, 320, Pcm(1, 8000, 8), &witness), DS_OK);
    ASSERT_EQ(witness->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
    EXPECT_TRUE(WaitFor([&] {
      DWORD at = 0;
      witness->GetCurrentPosition(&at, nullptr);
      return at >= 160;
    }));
    EXPECT_EQ(witness->Stop(), DS_OK);
    EXPECT_EQ(witness->Release(), 0u);
  }

  SoundDeviceChoice device_{"virtual"};
};

TEST(DirectSoundClass, NeedsComAndADevice) {
  SoundDeviceChoice device("virtual");
  std::thread([] {
    IDirectSound* sound = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                               reinterpret_cast<void**>(&sound)),
              CO_E_NOTINITIALIZED);
    EXPECT_EQ(sound, nullptr);
  }).join();
  std::thread([] {
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
    {
      SoundDeviceChoice none("none");
      IDirectSound* sound = nullptr;
      ASSERT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                                 reinterpret_cast<void**>(&sound)),
                S_OK);
      // Without a device the object cannot be initialised, so it makes no buffers.
      EXPECT_EQ(sound->Initialize(nullptr), DSERR_NODRIVER);
      EXPECT_EQ(sound->SetCooperativeLevel(SomeWindow(), DSSCL_PRIORITY), DSERR_UNINITIALIZED);
      EXPECT_EQ(sound->Release(), 0u);
    }
    IUnknown* unknown = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER,
                               IID_IDirectSoundBuffer, reinterpret_cast<void**>(&unknown)),
              E_NOINTERFACE);
    CoUninitialize();
  }).join();
}

TEST_F(DirectSound, ObjectSetUp) {
  IDirectSound* sound = Create();
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_EQ(MakeBuffer(sound, 4096, Pcm(2, 44100, 16), &buffer), DSERR_UNINITIALIZED);
  const GUID other = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  EXPECT_EQ(sound->Initialize(&other), DSERR_NODRIVER);
  EXPECT_EQ(sound->Initialize(nullptr), DS_OK);
  EXPECT_EQ(sound->Initialize(nullptr), DSERR_ALREADYINITIALIZED);
  EXPECT_EQ(MakeBuffer(sound, 4096, Pcm(2, 44100, 16), &buffer), DSERR_PRIOLEVELNEEDED);
  EXPECT_EQ(sound->SetCooperativeLevel(nullptr, DSSCL_PRIORITY), DSERR_INVALIDPARAM);
  EXPECT_EQ(sound->SetCooperativeLevel(SomeWindow(), 9), DSERR_INVALIDPARAM);
  EXPECT_EQ(sound->SetCooperativeLevel(SomeWindow(), DSSCL_PRIORITY), DS_OK);

  IUnknown* unknown = nullptr;
  ASSERT_EQ(sound->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&unknown)), S_OK);
  EXPECT_EQ(unknown, static_cast<IUnknown*>(sound));
  EXPECT_EQ(unknown->Release(), 1u);
  EXPECT_EQ(sound->Release(), 0u);
}

TEST_F(DirectSound, BuffersItRefuses) {
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  struct Case {
    const char* name;
    DWORD bytes;
    WAVEFORMATEX format;
    DWORD flags;
    HRESULT expected;
  };
  WAVEFORMATEX wrongAlign = Pcm(2, 44100, 16);
  wrongAlign.nBlockAlign = 3;
  const Case cases[] = {
      {"primary", 4096, Pcm(2, 44100, 16), DSBCAPS_PRIMARYBUFFER, DSERR_UNSUPPORTED},
      {"pan control", 4096, Pcm(2, 44100, 16), DSBCAPS_CTRLPAN, DSERR_CONTROLUNAVAIL},
      {"too small", 2, Pcm(2, 44100, 16), 0, DSERR_INVALIDPARAM},
      {"too large", DSBSIZE_MAX + 1, Pcm(2, 44100, 16), 0, DSERR_INVALIDPARAM},
      {"rate below 100 Hz", 4096, Pcm(2, 50, 16), 0, DSERR_BADFORMAT},
      {"block alignment", 4096, wrongAlign, 0, DSERR_BADFORMAT},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(1);
    EXPECT_EQ(MakeBuffer(sound, c.bytes, c.format, &buffer, c.flags), c.expected);
    EXPECT_EQ(buffer, nullptr);
  }
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof(desc) - 1;
  IDirectSoundBuffer* buffer = nullptr;
  EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);
  desc.dwSize = sizeof(desc);
  EXPECT_EQ(sound->CreateSoundBuffer(&desc, &buffer, nullptr), DSERR_INVALIDPARAM);  // no format
  EXPECT_EQ(sound->Release(), 0u);
}

TEST_F(DirectSound, LockGivesOneOrTwoRegionsOfSilence) {
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  for (WORD bits : {8, 16}) {
    SCOPED_TRACE(bits);
    IDirectSoundBuffer* buffer = nullptr;
    ASSERT_EQ(MakeBuffer(sound, 1000, Pcm(2, 22050, bits), &buffer), DS_OK);
    DSBCAPS caps{};
    caps.dwSize = sizeof(caps);
    ASSERT_EQ(buffer->GetCaps(&caps), DS_OK);
    EXPECT_EQ(caps.dwBufferBytes, 1000u);
    EXPECT_TRUE(caps.dwFlags & DSBCAPS_CTRLVOLUME);

    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0;
    DWORD secondBytes = 0;
    // Past the end: the rest comes from the start.
    ASSERT_EQ(buffer->Lock(900, 300, &first, &firstBytes, &second, &secondBytes, 0), DS_OK);
    EXPECT_EQ(firstBytes, 100u);
    EXPECT_EQ(secondBytes, 200u);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(static_cast<uint8_t*>(first) - static_cast<uint8_t*>(second), 900);
    const uint8_t silence = bits == 8 ? 0x80 : 0;
    for (DWORD i = 0; i < firstBytes; ++i) ASSERT_EQ(static_cast<uint8_t*>(first)[i], silence);
    for (DWORD i = 0; i < secondBytes; ++i) ASSERT_EQ(static_cast<uint8_t*>(second)[i], silence);
    EXPECT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);

    ASSERT_EQ(buffer->Lock(0, 1000, &first, &firstBytes, &second, &secondBytes, 0), DS_OK);
    EXPECT_EQ(firstBytes, 1000u);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(secondBytes, 0u);
    EXPECT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);

    EXPECT_EQ(buffer->Lock(1000, 4, &first, &firstBytes, &second, &secondBytes, 0),
              DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(0, 1001, &first, &firstBytes, &second, &secondBytes, 0),
              DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Lock(900, 200, &first, &firstBytes, nullptr, nullptr, 0), DSERR_INVALIDPARAM);
    int elsewhere = 0;
    EXPECT_EQ(buffer->Unlock(&elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
    EXPECT_EQ(buffer->Release(), 0u);
  }
  EXPECT_EQ(sound->Release(), 0u);
}

TEST_F(DirectSound, LoopingPlayCursorGoesRoundAndStops) {
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* buffer = nullptr;
  // 40 ms of 8 kHz mono: the cursor goes round quickly.
  ASSERT_EQ(MakeBuffer(sound, 320, Pcm(1, 8000, 8), &buffer), DS_OK);
  ASSERT_EQ(buffer->SetCurrentPosition(160), DS_OK);
  DWORD play = 0;
  DWORD write = 0;
  ASSERT_EQ(buffer->GetCurrentPosition(&play, &write), DS_OK);
  EXPECT_EQ(play, 160u);
  EXPECT_EQ(write, 160u);
  EXPECT_EQ(buffer->SetCurrentPosition(320), DSERR_INVALIDPARAM);

  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DWORD status = 0;
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, DSBSTATUS_PLAYING | DSBSTATUS_LOOPING);
  // The cursor moves on and comes round past the start.
  DWORD last = 160;
  bool wrapped = false;
  ASSERT_TRUE(WaitFor([&] {
    DWORD now = 0;
    buffer->GetCurrentPosition(&now, nullptr);
    if (now < last) wrapped = true;
    last = now;
    return wrapped && now >= 80;
  }));
  ASSERT_EQ(buffer->Stop(), DS_OK);
  ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  LetAPlayingBufferMove(sound);
  DWORD after = 0;
  ASSERT_EQ(buffer->GetCurrentPosition(&after, nullptr), DS_OK);
  EXPECT_EQ(after, play);
  ASSERT_EQ(buffer->GetStatus(&status), DS_OK);
  EXPECT_EQ(status, 0u);

  // Without looping it plays to the end once and stops.
  ASSERT_EQ(buffer->SetCurrentPosition(0), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, 0), DS_OK);
  ASSERT_TRUE(WaitFor([&] {
    DWORD s = 0;
    buffer->GetStatus(&s);
    return s == 0;
  }));
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(sound->Release(), 0u);
}

// What is written between Lock and Unlock reaches the player whole: it takes no piece while a
// region is locked.
TEST_F(DirectSound, PlayerWaitsForLockedRegions) {
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(MakeBuffer(sound, 320, Pcm(1, 8000, 8), &buffer), DS_OK);
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  // Two regions locked at once; the cursor moves only once both are unlocked.
  ASSERT_EQ(buffer->Lock(0, 80, &first, &firstBytes, nullptr, nullptr, 0), DS_OK);
  void* other = nullptr;
  DWORD otherBytes = 0;
  ASSERT_EQ(buffer->Lock(160, 80, &other, &otherBytes, nullptr, nullptr, 0), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  LetAPlayingBufferMove(sound);
  DWORD play = 1;
  ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_EQ(play, 0u);
  ASSERT_EQ(buffer->Unlock(first, firstBytes, second, secondBytes), DS_OK);
  // A refused unlock counts for nothing.
  int elsewhere = 0;
  EXPECT_EQ(buffer->Unlock(&elsewhere, 4, nullptr, 0), DSERR_INVALIDPARAM);
  LetAPlayingBufferMove(sound);
  ASSERT_EQ(buffer->GetCurrentPosition(&play, nullptr), DS_OK);
  EXPECT_EQ(play, 0u);
  ASSERT_EQ(buffer->Unlock(other, otherBytes, nullptr, 0), DS_OK);
  EXPECT_TRUE(WaitFor([&] {
    buffer->GetCurrentPosition(&play, nullptr);
    return play != 0;
  }));
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(sound->Release(), 0u);
}

TEST_F(DirectSound, Volume) {
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(MakeBuffer(sound, 4096, Pcm(2, 44100, 16), &buffer), DS_OK);
  LONG volume = 1;
  ASSERT_EQ(buffer->GetVolume(&volume), DS_OK);
  EXPECT_EQ(volume, DSBVOLUME_MAX);
  for (LONG set : {DSBVOLUME_MIN, -5000, -4999, DSBVOLUME_MAX}) {
    ASSERT_EQ(buffer->SetVolume(set), DS_OK);
    ASSERT_EQ(buffer->GetVolume(&volume), DS_OK);
    EXPECT_EQ(volume, set);
  }
  EXPECT_EQ(buffer->SetVolume(DSBVOLUME_MIN - 1), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->SetVolume(1), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->GetVolume(nullptr), DSERR_INVALIDPARAM);
  EXPECT_EQ(buffer->Release(), 0u);

  // Without the volume control there is no volume.
  ASSERT_EQ(MakeBuffer(sound, 4096, Pcm(2, 44100, 16), &buffer, DSBCAPS_GLOBALFOCUS), DS_OK);
  EXPECT_EQ(buffer->SetVolume(-100), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->GetVolume(&volume), DSERR_CONTROLUNAVAIL);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(sound->Release(), 0u);
}

// The same object on the ALSA device.
class DirectSoundAlsa : public DirectSound {
 protected:
  SoundDeviceChoice alsa_{"alsa"};
};

TEST_F(DirectSoundAlsa, BufferPlaysThroughTheAlsaDevice) {
  NullAlsaDevice null;
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(MakeBuffer(sound, 17640, Pcm(2, 44100, 16), &buffer, DSBCAPS_CTRLVOLUME), DS_OK);
  ASSERT_EQ(buffer->SetVolume(-600), DS_OK);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  DWORD last = 0;
  bool wrapped = false;
  EXPECT_TRUE(WaitFor([&] {
    DWORD now = 0;
    buffer->GetCurrentPosition(&now, nullptr);
    wrapped = wrapped || now < last;
    last = now;
    return wrapped;
  }));
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(sound->Release(), 0u);
}

// A device that cannot be opened: no buffer, and the object releases as usual.
TEST_F(DirectSoundAlsa, ADeviceThatCannotBeOpenedGivesNoBuffer) {
  UnopenableAlsaDevice missing;
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* buffer = reinterpret_cast<IDirectSoundBuffer*>(1);
  EXPECT_EQ(MakeBuffer(sound, 17640, Pcm(2, 44100, 16), &buffer, DSBCAPS_CTRLVOLUME),
            DSERR_ALLOCATED);
  EXPECT_EQ(buffer, nullptr);
  EXPECT_EQ(sound->Release(), 0u);
}

TEST_F(DirectSound, ReleasedWhilePlaying) {
  IDirectSound* sound = Ready();
  ASSERT_NE(sound, nullptr);
  IDirectSoundBuffer* buffer = nullptr;
  ASSERT_EQ(MakeBuffer(sound, 1764, Pcm(2, 44100, 16), &buffer), DS_OK);
  EXPECT_EQ(buffer->AddRef(), 2u);
  EXPECT_EQ(buffer->Release(), 1u);
  ASSERT_EQ(buffer->Play(0, 0, DSBPLAY_LOOPING), DS_OK);
  EXPECT_EQ(buffer->Release(), 0u);
  EXPECT_EQ(sound->Release(), 0u);
}

}  // namespace
