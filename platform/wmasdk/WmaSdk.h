// The Windows Media Audio SDK: a reader object that decodes a file and hands its samples to the
// caller's callback object, block by block, on a thread of its own.
#pragma once

#include "platform/win32/Com.h"
#include "platform/win32/Types.h"
#include "platform/win32/WaveFormat.h"

// What the status operation of the callback object is told.
enum WMT_STATUS : int32_t {
  WMT_ERROR = 0,
  WMT_BUFFERING_START = 1,
  WMT_BUFFERING_STOP = 2,
  WMT_EOF = 3,  // the last block of the file has been delivered
  WMT_LOCATING = 4,
  WMT_CONNECTING = 5,
  WMT_NO_RIGHTS = 6,
  WMT_READ_ERROR = 7,  // reading or decoding failed for good; no more blocks follow
};

// The type of an attribute's value.
enum WMT_ATTR_DATATYPE : int32_t {
  WMT_TYPE_DWORD = 0,   // 32-bit unsigned number
  WMT_TYPE_STRING = 1,  // zero-terminated UTF-16 text
  WMT_TYPE_BINARY = 2,
  WMT_TYPE_BOOL = 3,  // 32-bit, 0 false
};

// The caller's callback object. The reader calls OnSample and OnStatus from its own thread.
class IWMAudioReadCallback : public IUnknown {
 public:
  // One block of interleaved PCM in the output format; msTime is the block's start.
  virtual HRESULT WINAPI OnSample(const BYTE* data, DWORD length, DWORD msTime) = 0;
  virtual HRESULT WINAPI OnStatus(WMT_STATUS status, HRESULT result, const void* param) = 0;
};

class IWMAudioReader : public IUnknown {
 public:
  virtual HRESULT WINAPI Reserved() = 0;  // not used; answers E_NOTIMPL
  virtual HRESULT WINAPI GetAttributeCount(WORD* count) = 0;
  // nameLength and valueLength give the buffers' sizes in bytes and receive the bytes stored
  // (texts with their terminating zero). A text longer than its buffer is cut to fit. An index
  // whose attribute the file does not carry answers E_NOTIMPL.
  virtual HRESULT WINAPI GetAttributeByIndex(WORD index, WCHAR* name, WORD* nameLength,
                                             WMT_ATTR_DATATYPE* type, BYTE* value,
                                             WORD* valueLength) = 0;
  virtual HRESULT WINAPI GetOutputFormat(WAVEFORMATEX* format, DWORD size) = 0;
  // Delivery runs from the reader's position until the end of the file or Stop.
  virtual HRESULT WINAPI Start() = 0;
  // Waits for a sample or status call in progress (unless called from inside one); once Stop
  // returns, no further call reaches the callback object until the next Start.
  virtual HRESULT WINAPI Stop() = 0;
  // Positions the next Start at msTime.
  virtual HRESULT WINAPI Seek(DWORD msTime) = 0;
};

// Opens the file and makes a reader for it; the reader holds a reference on the callback
// object until it is released. Fails (negative result, nothing stored) when the file cannot be
// opened or carries no audio the reader decodes.
extern "C" __attribute__((visibility("default"))) HRESULT WINAPI WMAudioCreateReader(
    LPCWSTR fileName, IWMAudioReadCallback* callback, IWMAudioReader** reader, void* reserved);
