// The SDK's one export.
#include <memory>
#include <mutex>
#include <new>

extern "C" {
#include <libavutil/log.h>
}

#include "platform/wmasdk/AudioDecoder.h"
#include "platform/wmasdk/AudioReader.h"
#include "platform/wmasdk/Utf16.h"
#include "platform/wmasdk/WmaSdk.h"

HRESULT WINAPI WMAudioCreateReader(LPCWSTR fileName, IWMAudioReadCallback* callback,
                                   IWMAudioReader** reader, void* /*reserved*/) {
  if (fileName == nullptr || callback == nullptr || reader == nullptr) return E_INVALIDARG;
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  try {
    auto decoder = std::make_unique<AudioDecoder>();
    if (!decoder->Open(Utf16ToUtf8(fileName))) return E_FAIL;
    *reader = new AudioReader(std::move(decoder), callback);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
