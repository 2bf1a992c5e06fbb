// DirectSound: the DirectSound object, made through CoCreateInstance with CLSID_DirectSound,
// and its secondary sound buffers, which play on the machine's sound device
// (platform/win32/SoundDevice.h) from a thread of their own.
//
// Linking this file registers the class in COM's class table; RegisterDirectSoundClass
// registers it again (after a test replaced it, say).
#pragma once

#include "platform/win32/Com.h"
#include "platform/win32/Multimedia.h"

using LPCGUID = const GUID*;

// {47D4D946-62E8-11CF-93BC-444553540000}
extern const CLSID CLSID_DirectSound;
// {279AFA83-4981-11CE-A521-0020AF0BE560}
extern const IID IID_IDirectSound;
// {279AFA85-4981-11CE-A521-0020AF0BE560}
extern const IID IID_IDirectSoundBuffer;

void RegisterDirectSoundClass();

inline constexpr HRESULT DS_OK = S_OK;
inline constexpr HRESULT DSERR_ALLOCATED = static_cast<HRESULT>(0x8878000A);
inline constexpr HRESULT DSERR_CONTROLUNAVAIL = static_cast<HRESULT>(0x8878001E);
inline constexpr HRESULT DSERR_INVALIDPARAM = E_INVALIDARG;
inline constexpr HRESULT DSERR_INVALIDCALL = static_cast<HRESULT>(0x88780032);
inline constexpr HRESULT DSERR_GENERIC = E_FAIL;
inline constexpr HRESULT DSERR_PRIOLEVELNEEDED = static_cast<HRESULT>(0x88780046);
inline constexpr HRESULT DSERR_OUTOFMEMORY = E_OUTOFMEMORY;
inline constexpr HRESULT DSERR_BADFORMAT = static_cast<HRESULT>(0x88780064);
inline constexpr HRESULT DSERR_UNSUPPORTED = E_NOTIMPL;
inline constexpr HRESULT DSERR_NODRIVER = static_cast<HRESULT>(0x88780078);
inline constexpr HRESULT DSERR_ALREADYINITIALIZED = static_cast<HRESULT>(0x88780082);
inline constexpr HRESULT DSERR_NOAGGREGATION = CLASS_E_NOAGGREGATION;
inline constexpr HRESULT DSERR_BUFFERLOST = static_cast<HRESULT>(0x88780096);
inline constexpr HRESULT DSERR_UNINITIALIZED = static_cast<HRESULT>(0x887800AA);
inline constexpr HRESULT DSERR_NOINTERFACE = E_NOINTERFACE;

inline constexpr DWORD DSSCL_NORMAL = 1;
inline constexpr DWORD DSSCL_PRIORITY = 2;
inline constexpr DWORD DSSCL_EXCLUSIVE = 3;
inline constexpr DWORD DSSCL_WRITEPRIMARY = 4;

inline constexpr DWORD DSBCAPS_PRIMARYBUFFER = 0x00000001;
inline constexpr DWORD DSBCAPS_STATIC = 0x00000002;
inline constexpr DWORD DSBCAPS_LOCHARDWARE = 0x00000004;
inline constexpr DWORD DSBCAPS_LOCSOFTWARE = 0x00000008;
inline constexpr DWORD DSBCAPS_CTRLFREQUENCY = 0x00000020;
inline constexpr DWORD DSBCAPS_CTRLPAN = 0x00000040;
inline constexpr DWORD DSBCAPS_CTRLVOLUME = 0x00000080;
inline constexpr DWORD DSBCAPS_CTRLPOSITIONNOTIFY = 0x00000100;
inline constexpr DWORD DSBCAPS_STICKYFOCUS = 0x00004000;
inline constexpr DWORD DSBCAPS_GLOBALFOCUS = 0x00008000;
inline constexpr DWORD DSBCAPS_GETCURRENTPOSITION2 = 0x00010000;

inline constexpr DWORD DSBPLAY_LOOPING = 0x00000001;
inline constexpr DWORD DSBLOCK_FROMWRITECURSOR = 0x00000001;
inline constexpr DWORD DSBLOCK_ENTIREBUFFER = 0x00000002;
inline constexpr DWORD DSBSTATUS_PLAYING = 0x00000001;
inline constexpr DWORD DSBSTATUS_BUFFERLOST = 0x00000002;
inline constexpr DWORD DSBSTATUS_LOOPING = 0x00000004;

inline constexpr LONG DSBVOLUME_MIN = -10000;
inline constexpr LONG DSBVOLUME_MAX = 0;
inline constexpr DWORD DSBSIZE_MIN = 4;
inline constexpr DWORD DSBSIZE_MAX = 0x0FFFFFFF;

struct DSBUFFERDESC {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwReserved;
  LPWAVEFORMATEX lpwfxFormat;
};
using LPCDSBUFFERDESC = const DSBUFFERDESC*;

struct DSBCAPS {
  DWORD dwSize;
  DWORD dwFlags;
  DWORD dwBufferBytes;
  DWORD dwUnlockTransferRate;
  DWORD dwPlayCpuOverhead;
};
using LPDSBCAPS = DSBCAPS*;

// The device's capabilities; nothing here reads them (GetCaps answers DSERR_UNSUPPORTED).
struct DSCAPS;
using LPDSCAPS = DSCAPS*;

class IDirectSound;

class IDirectSoundBuffer : public IUnknown {
 public:
  virtual HRESULT WINAPI GetCaps(LPDSBCAPS caps) = 0;
  virtual HRESULT WINAPI GetCurrentPosition(DWORD* play, DWORD* write) = 0;
  virtual HRESULT WINAPI GetFormat(LPWAVEFORMATEX format, DWORD size, DWORD* written) = 0;
  virtual HRESULT WINAPI GetVolume(LONG* volume) = 0;
  virtual HRESULT WINAPI GetPan(LONG* pan) = 0;
  virtual HRESULT WINAPI GetFrequency(DWORD* frequency) = 0;
  virtual HRESULT WINAPI GetStatus(DWORD* status) = 0;
  virtual HRESULT WINAPI Initialize(IDirectSound* sound, LPCDSBUFFERDESC desc) = 0;
  virtual HRESULT WINAPI Lock(DWORD offset, DWORD bytes, LPVOID* first, DWORD* firstBytes,
                              LPVOID* second, DWORD* secondBytes, DWORD flags) = 0;
  virtual HRESULT WINAPI Play(DWORD reserved, DWORD priority, DWORD flags) = 0;
  virtual HRESULT WINAPI SetCurrentPosition(DWORD position) = 0;
  virtual HRESULT WINAPI SetFormat(const WAVEFORMATEX* format) = 0;
  virtual HRESULT WINAPI SetVolume(LONG volume) = 0;
  virtual HRESULT WINAPI SetPan(LONG pan) = 0;
  virtual HRESULT WINAPI SetFrequency(DWORD frequency) = 0;
  virtual HRESULT WINAPI Stop() = 0;
  virtual HRESULT WINAPI Unlock(LPVOID first, DWORD firstBytes, LPVOID second,
                                DWORD secondBytes) = 0;
  virtual HRESULT WINAPI Restore() = 0;
};
using LPDIRECTSOUNDBUFFER = IDirectSoundBuffer*;

class IDirectSound : public IUnknown {
 public:
  virtual HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                           IUnknown* outer) = 0;
  virtual HRESULT WINAPI GetCaps(LPDSCAPS caps) = 0;
  virtual HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER original,
                                              LPDIRECTSOUNDBUFFER* duplicate) = 0;
  virtual HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD level) = 0;
  virtual HRESULT WINAPI Compact() = 0;
  virtual HRESULT WINAPI GetSpeakerConfig(DWORD* config) = 0;
  virtual HRESULT WINAPI SetSpeakerConfig(DWORD config) = 0;
  virtual HRESULT WINAPI Initialize(LPCGUID device) = 0;
};
using LPDIRECTSOUND = IDirectSound*;
