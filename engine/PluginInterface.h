// The contract between the player component and a decoder module: the 42 "QV" exports, the
// seven callbacks a module calls, the modes and the error codes.
#pragma once

#include "platform/win32/Types.h"

// Values that travel through a 32-bit slot on the original platform but carry a pointer here:
// the player handle, the callbacks' user value and the input stream value.
using QVHandle = uintptr_t;
using QVUserValue = uintptr_t;
using QVStream = intptr_t;

// A Boolean result or argument travels in a 32-bit slot; only its low byte counts.
using QVBool = BOOL;
inline bool QVTrue(QVBool value) { return (static_cast<uint32_t>(value) & 0xFFu) != 0; }
// A Boolean reached through an address is one byte.
using QVByteBool = uint8_t;

enum TYzSInputMode : int32_t { imFile = 0, imCallback = 1 };
enum TYzSOutputMode : int32_t { omMMSystem = 0, omFile = 1, omDirectSound = 2, omCallback = 3 };
enum TYzSPlayerMode : int32_t {
  pmClosed = 0,
  pmOpen = 1,
  pmReady = 2,
  pmFinished = 3,
  pmPlaying = 4,
  pmPaused = 5,
};

// The error codes a module keeps and the host reports.
enum QVErrorCode : int32_t {
  qvNoError = 0,
  qvNotImplemented = 1,
  qvIncorrectMode = 2,
  qvInternalError = 3,
  qvInvalidHandle = 4,
  qvInputFailure = 5,
  qvOutputFailure = 6,
  qvNoMemory = 7,
  qvNoResources = 8,
  qvCallbackMissing = 9,
  qvLoadFailed = 10,
  qvNotInitialized = 11,
};

inline constexpr uint32_t HandleMagic = 0x14581458;

// The record QVGetInfo1 fills: four 32-bit integers whose meaning depends on the module
// (MPEG: channel mode, layer, bit rate, sampling rate; WMA: channels, bit rate, rate, bits).
struct StreamInfo {
  int32_t Field1;
  int32_t Field2;
  int32_t Field3;
  int32_t Field4;
};
static_assert(sizeof(StreamInfo) == 16);

// Callbacks a module calls.
using QVOutputProc = QVBool(WINAPI*)(void* samples, int32_t bitsPerSample, int32_t channels,
                                     int32_t sampleRate, int32_t size, QVUserValue user);
using QVOutputActionProc = QVBool(WINAPI*)(QVByteBool init, QVUserValue user);
using QVInputOpenProc = QVBool(WINAPI*)(QVUserValue user, QVStream* stream, QVByteBool* canSetPos);
using QVInputCloseProc = QVBool(WINAPI*)(QVUserValue user, QVStream stream);
using QVInputGetSizeProc = QVBool(WINAPI*)(QVUserValue user, QVStream stream, int32_t* size);
using QVInputSeekProc = QVBool(WINAPI*)(QVUserValue user, QVStream stream, int32_t* position,
                                        int32_t origin);
using QVInputReadProc = QVBool(WINAPI*)(QVUserValue user, QVStream stream, void* buffer,
                                        int32_t bytesToRead, int32_t* bytesRead);

// The 42 exports, as function types (the host binds 41 of them by name, all but QVSetExtras).
#define QV_EXPORT_LIST(X)                                                                  \
  X(QVInitModule, QVHandle, ())                                                            \
  X(QVDeInitModule, QVBool, (QVHandle h))                                                  \
  X(QVOpen, QVBool, (QVHandle h))                                                          \
  X(QVClose, QVBool, (QVHandle h))                                                         \
  X(QVInitStream, QVBool, (QVHandle h))                                                    \
  X(QVPlay, QVBool, (QVHandle h))                                                          \
  X(QVPause, QVBool, (QVHandle h))                                                         \
  X(QVResume, QVBool, (QVHandle h))                                                        \
  X(QVStop, QVBool, (QVHandle h))                                                          \
  X(QVSetPos, QVBool, (QVHandle h, uint32_t position))                                     \
  X(QVSetInputMode, QVBool, (QVHandle h, int32_t mode))                                    \
  X(QVSetInputName, QVBool, (QVHandle h, const char* name))                                \
  X(QVSetOutputMode, QVBool, (QVHandle h, int32_t mode))                                   \
  X(QVSetOutputName, QVBool, (QVHandle h, const char* name))                               \
  X(QVSetOutputDev, QVBool, (QVHandle h, int32_t device))                                  \
  X(QVSetDevNum, QVBool, (QVHandle h, int32_t device))                                     \
  X(QVSetBuffers, QVBool, (QVHandle h, int32_t count, int32_t size))                       \
  X(QVSetPriority, QVBool, (QVHandle h, int32_t priority))                                 \
  X(QVSetLimits, QVBool, (QVHandle h, uint32_t start, uint32_t end))                       \
  X(QVSetWindow, QVBool, (QVHandle h, HWND window))                                        \
  X(QVUseOutCB, QVBool, (QVHandle h, QVBool use))                                          \
  X(QVSetOutCB, QVBool,                                                                    \
    (QVHandle h, QVOutputProc data, QVOutputActionProc action, QVUserValue user))          \
  X(QVSetInCB, QVBool,                                                                     \
    (QVHandle h, QVInputOpenProc open, QVInputCloseProc close, QVInputGetSizeProc getSize, \
     QVInputSeekProc seek, QVInputReadProc read, QVUserValue user))                        \
  X(QVSetExtras, QVBool, (QVHandle h, int32_t value))                                      \
  X(QVGetPlayerMode, int32_t, (QVHandle h))                                                \
  X(QVGetPos, int32_t, (QVHandle h))                                                       \
  X(QVGetSize, int32_t, (QVHandle h))                                                      \
  X(QVCanSetPos, QVBool, (QVHandle h))                                                     \
  X(QVCanPause, QVBool, (QVHandle h))                                                      \
  X(QVGetInfo1, QVBool, (QVHandle h, StreamInfo * info, uint32_t * size))                  \
  X(QVGetInfo2, QVBool, (QVHandle h, const char** text))                                   \
  X(QVLastError, int32_t, (QVHandle h))                                                    \
  X(QVGetName, QVBool, (char* buffer, int32_t* length))                                    \
  X(QVGetExts, QVBool, (char* buffer, int32_t* length))                                    \
  X(QVGetAbout, QVBool, (char* buffer, int32_t* length))                                   \
  X(QVGetVersion, int32_t, ())                                                             \
  X(QVGetVolume, QVBool, (QVHandle h, uint32_t * volume))                                  \
  X(QVSetVolume, QVBool, (QVHandle h, uint32_t volume))                                    \
  X(QVCanSetVolume, QVBool, (QVHandle h, QVByteBool * separate))                           \
  X(QVHasEQ, QVBool, (QVHandle h, QVByteBool * has))                                       \
  X(QVUseEQ, QVBool, (QVHandle h, QVBool use))                                             \
  X(QVEQ, QVBool, (QVHandle h, double** gains, int32_t* channels, int32_t* bands))

#define QV_DECLARE_PROC_TYPE(name, result, params) using name##Proc = result(WINAPI*) params;
QV_EXPORT_LIST(QV_DECLARE_PROC_TYPE)
#undef QV_DECLARE_PROC_TYPE

// A module defines its exports with this in front: C names, visible, everything else hidden.
#define QV_EXPORT extern "C" __attribute__((visibility("default")))
