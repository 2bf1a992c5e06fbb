// Multimedia services: wave output devices with a function callback, and one-shot timers.
//
// Each open wave device plays its buffers in the order written on a thread of its own, which
// also calls the device's callback (WOM_OPEN, WOM_DONE for each buffer, WOM_CLOSE). A device's
// volume is kept per device, so it outlives the open that set it. The devices are those of the
// machine's sound device (platform/win32/SoundDevice.h): one, or none.
//
// Timers run their procedures one after the other on the platform's timer thread.
#pragma once

#include "platform/win32/Types.h"
#include "platform/win32/WaveFormat.h"

using MMRESULT = UINT;
using MMVERSION = UINT;
struct HWAVEOUT__;
using HWAVEOUT = HWAVEOUT__*;
using LPHWAVEOUT = HWAVEOUT*;

inline constexpr MMRESULT MMSYSERR_NOERROR = 0;
inline constexpr MMRESULT MMSYSERR_ERROR = 1;
inline constexpr MMRESULT MMSYSERR_BADDEVICEID = 2;
inline constexpr MMRESULT MMSYSERR_NOTENABLED = 3;
inline constexpr MMRESULT MMSYSERR_ALLOCATED = 4;
inline constexpr MMRESULT MMSYSERR_INVALHANDLE = 5;
inline constexpr MMRESULT MMSYSERR_NODRIVER = 6;
inline constexpr MMRESULT MMSYSERR_NOMEM = 7;
inline constexpr MMRESULT MMSYSERR_NOTSUPPORTED = 8;
inline constexpr MMRESULT MMSYSERR_INVALFLAG = 10;
inline constexpr MMRESULT MMSYSERR_INVALPARAM = 11;
inline constexpr MMRESULT WAVERR_BADFORMAT = 32;
inline constexpr MMRESULT WAVERR_STILLPLAYING = 33;
inline constexpr MMRESULT WAVERR_UNPREPARED = 34;
inline constexpr MMRESULT WAVERR_SYNC = 35;
inline constexpr MMRESULT TIMERR_NOERROR = 0;
inline constexpr MMRESULT TIMERR_NOCANDO = 97;

inline constexpr UINT WAVE_MAPPER = 0xFFFFFFFF;

// waveOutOpen flags.
inline constexpr DWORD WAVE_FORMAT_QUERY = 0x0001;
inline constexpr DWORD WAVE_ALLOWSYNC = 0x0002;
inline constexpr DWORD CALLBACK_TYPEMASK = 0x00070000;
inline constexpr DWORD CALLBACK_NULL = 0x00000000;
inline constexpr DWORD CALLBACK_WINDOW = 0x00010000;
inline constexpr DWORD CALLBACK_THREAD = 0x00020000;
inline constexpr DWORD CALLBACK_FUNCTION = 0x00030000;
inline constexpr DWORD CALLBACK_EVENT = 0x00050000;

// Messages to a wave output callback.
inline constexpr UINT WOM_OPEN = 0x3BB;
inline constexpr UINT WOM_CLOSE = 0x3BC;
inline constexpr UINT WOM_DONE = 0x3BD;

// WAVEHDR dwFlags.
inline constexpr DWORD WHDR_DONE = 0x00000001;
inline constexpr DWORD WHDR_PREPARED = 0x00000002;
inline constexpr DWORD WHDR_BEGINLOOP = 0x00000004;
inline constexpr DWORD WHDR_ENDLOOP = 0x00000008;
inline constexpr DWORD WHDR_INQUEUE = 0x00000010;

// WAVEOUTCAPSA dwSupport.
inline constexpr DWORD WAVECAPS_PITCH = 0x0001;
inline constexpr DWORD WAVECAPS_PLAYBACKRATE = 0x0002;
inline constexpr DWORD WAVECAPS_VOLUME = 0x0004;
inline constexpr DWORD WAVECAPS_LRVOLUME = 0x0008;
inline constexpr DWORD WAVECAPS_SYNC = 0x0010;
inline constexpr DWORD WAVECAPS_SAMPLEACCURATE = 0x0020;

// timeSetEvent kinds. Only one-shot timers with a function callback exist here.
inline constexpr UINT TIME_ONESHOT = 0x0000;
inline constexpr UINT TIME_PERIODIC = 0x0001;
inline constexpr UINT TIME_CALLBACK_FUNCTION = 0x0000;

struct WAVEHDR {
  LPSTR lpData;
  DWORD dwBufferLength;
  DWORD dwBytesRecorded;
  DWORD_PTR dwUser;
  DWORD dwFlags;
  DWORD dwLoops;
  WAVEHDR* lpNext;
  DWORD_PTR reserved;
};
using LPWAVEHDR = WAVEHDR*;

struct WAVEOUTCAPSA {
  WORD wMid;
  WORD wPid;
  MMVERSION vDriverVersion;
  char szPname[32];
  DWORD dwFormats;
  WORD wChannels;
  WORD wReserved1;
  DWORD dwSupport;
};
static_assert(sizeof(WAVEOUTCAPSA) == 52);
using LPWAVEOUTCAPSA = WAVEOUTCAPSA*;

using LPWAVEOUTPROC = void(CALLBACK*)(HWAVEOUT device, UINT message, DWORD_PTR instance,
                                      DWORD_PTR param1, DWORD_PTR param2);
using LPTIMECALLBACK = void(CALLBACK*)(UINT timerId, UINT message, DWORD_PTR user, DWORD_PTR dw1,
                                       DWORD_PTR dw2);

UINT WINAPI waveOutGetNumDevs();
// deviceId: a device number, WAVE_MAPPER or an open device's handle. Copies at most size bytes.
MMRESULT WINAPI waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size);
// The callback (CALLBACK_FUNCTION) is called on the device's thread; CALLBACK_NULL has none.
MMRESULT WINAPI waveOutOpen(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format,
                            DWORD_PTR callback, DWORD_PTR instance, DWORD flags);
// WAVERR_STILLPLAYING while buffers are queued. Returns after WOM_CLOSE has been delivered.
MMRESULT WINAPI waveOutClose(HWAVEOUT device);
MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size);
// MMSYSERR_NODRIVER once the machine's devices have been taken away (the device unplugged);
// what it holds plays on.
MMRESULT WINAPI waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size);
// Stops playback and marks every queued buffer done; returns after their WOM_DONE calls
// (unless called from the device's own callback).
MMRESULT WINAPI waveOutReset(HWAVEOUT device);
// Volume: low word left, high word right, 0 to 0xFFFF. device: an open device's handle or a
// device number (a small value).
MMRESULT WINAPI waveOutGetVolume(HWAVEOUT device, DWORD* volume);
MMRESULT WINAPI waveOutSetVolume(HWAVEOUT device, DWORD volume);

// A one-shot timer: the procedure runs once, about delay ms from now (1 to 1000000), on the
// timer thread. Returns the timer's identifier, 0 when it cannot be made.
MMRESULT WINAPI timeSetEvent(UINT delay, UINT resolution, LPTIMECALLBACK procedure, DWORD_PTR user,
                             UINT kind);
// Cancels a timer that has not run yet. A timer whose procedure is running counts until the
// procedure returns: killing it from another thread waits for that. MMSYSERR_INVALPARAM for an
// unknown (or finished) timer.
MMRESULT WINAPI timeKillEvent(UINT timerId);
