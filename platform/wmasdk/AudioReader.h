// The reader object: the SDK's function table over an AudioDecoder, with a delivery thread
// that hands each block to the callback object's OnSample and ends with a status report.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/wmasdk/AudioAttributes.h"
#include "platform/wmasdk/AudioDecoder.h"
#include "platform/wmasdk/WmaSdk.h"

class AudioReader final : public IWMAudioReader {
 public:
  // Takes a reference on the callback object, released with the reader.
  AudioReader(std::unique_ptr<AudioDecoder> decoder, IWMAudioReadCallback* callback);
  AudioReader(const AudioReader&) = delete;
  AudioReader& operator=(const AudioReader&) = delete;

  HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;
  ULONG WINAPI AddRef() override;
  ULONG WINAPI Release() override;
  HRESULT WINAPI Reserved() override;
  HRESULT WINAPI GetAttributeCount(WORD* count) override;
  HRESULT WINAPI GetAttributeByIndex(WORD index, WCHAR* name, WORD* nameLength,
                                     WMT_ATTR_DATATYPE* type, BYTE* value,
                                     WORD* valueLength) override;
  HRESULT WINAPI GetOutputFormat(WAVEFORMATEX* format, DWORD size) override;
  HRESULT WINAPI Start() override;
  HRESULT WINAPI Stop() override;
  HRESULT WINAPI Seek(DWORD msTime) override;

 private:
  ~AudioReader();
  void Deliver();
  bool OnDeliveryThread() const;
  void JoinDelivery();

  std::atomic<ULONG> references_{1};
  std::unique_ptr<AudioDecoder> decoder_;
  AudioAttributes attributes_;
  IWMAudioReadCallback* callback_;

  // Start, Stop, Seek and the final release come from the caller's threads; control_ orders
  // them. decoding_ guards the decoder and the pending block between Seek and the delivery.
  std::mutex control_;
  std::mutex decoding_;
  std::thread delivery_;
  std::atomic<std::thread::id> deliveryId_{};
  std::atomic<bool> delivering_{false};  // from Start until delivery has nothing more to give
  std::atomic<bool> stopRequested_{false};
  std::atomic<bool> releaseOnExit_{false};
  // A block decoded but not yet delivered when a Stop came; the next Start delivers it first.
  std::vector<uint8_t> pending_;
  uint32_t pendingTime_ = 0;
  bool hasPending_ = false;
};
