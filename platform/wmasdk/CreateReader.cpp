// The SDK's one export.
#include <dlfcn.h>

#include <memory>
#include <mutex>
#include <new>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/log.h>
#include <libswresample/swresample.h>
}

#include "platform/wmasdk/AudioDecoder.h"
#include "platform/wmasdk/AudioReader.h"
#include "platform/win32/CodePage.h"
#include "platform/wmasdk/WmaSdk.h"

HRESULT WINAPI WMAudioCreateReader(LPCWSTR fileName, IWMAudioReadCallback* callback,
                                   IWMAudioReader** reader, void* /*reserved*/) {
  if (fileName == nullptr || callback == nullptr || reader == nullptr) return E_INVALIDARG;
  static std::once_flag quiet;
  std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
  try {
    auto decoder = std::make_unique<AudioDecoder>();
    if (!decoder->Open(win32::Utf16ToUtf8(fileName))) return E_FAIL;
    *reader = new AudioReader(std::move(decoder), callback);
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}

namespace {

// FFmpeg's libraries, and the libraries they load, keep what they allocate as they start in
// their static data and never free it: unloaded with the module, that memory would be lost
// each time a host loads the module again. Once loaded they stay, as the platform's own
// component stays loaded.
__attribute__((constructor)) void KeepFfmpegLoaded() {
  const void* inEachLibrary[] = {reinterpret_cast<const void*>(&avformat_open_input),
                                 reinterpret_cast<const void*>(&avcodec_open2),
                                 reinterpret_cast<const void*>(&swr_init),
                                 reinterpret_cast<const void*>(&av_log_set_level)};
  for (const void* function : inEachLibrary) {
    Dl_info library{};
    if (dladdr(function, &library) != 0 && library.dli_fname != nullptr)
      dlopen(library.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
  }
}

}  // namespace
