// Arbitrary bytes as a Windows Media Audio file, through the SDK layer's reader (attributes
// with tight buffers, the output format, delivery, a seek and a second delivery) and through
// the module (open, stream set-up, a run into the callback output to its end).
//
// Build and run (clang, separate build directory):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBRASSEL_FUZZ=ON
//   cmake --build build-fuzz --target WmaReaderFuzz
//   fuzz/WmaMakeCorpus.sh build-fuzz/wma-corpus
//   build-fuzz/fuzz/WmaReaderFuzz build-fuzz/wma-corpus -max_total_time=600 -timeout=20 \
//     -rss_limit_mb=2048
#include <unistd.h>

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>

#include "engine/modules/wma/ModuleState.h"
#include "engine/modules/wma/PlayerHandle.h"
#include "engine/modules/wma/WmaModule.h"
#include "platform/wmasdk/WmaSdk.h"

namespace {

// Waits for the reader's status report; counts what arrives.
class FuzzCallback final : public IWMAudioReadCallback {
 public:
  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI OnSample(const BYTE* data, DWORD length, DWORD) override {
    // Touch every byte, so that a block shorter than it claims shows.
    for (DWORD i = 0; i < length; ++i) checksum_ += data[i];
    return S_OK;
  }
  HRESULT WINAPI OnStatus(WMT_STATUS, HRESULT, const void*) override {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
    return S_OK;
  }
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = false;
  }
  void WaitForEnd() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return ended_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ended_ = false;
  uint32_t checksum_ = 0;
};

std::u16string Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

void ThroughTheReader(const std::string& path, uint8_t settings) {
  FuzzCallback callback;
  IWMAudioReader* reader = nullptr;
  if (FAILED(WMAudioCreateReader(Wide(path).c_str(), &callback, &reader, nullptr))) return;
  WORD count = 0;
  reader->GetAttributeCount(&count);
  for (WORD index = 0; index <= count; ++index) {
    WCHAR name[64];
    BYTE value[64];
    WORD nameLength = static_cast<WORD>(settings & 0x3F);
    WORD valueLength = static_cast<WORD>((settings >> 2) & 0x3F);
    WMT_ATTR_DATATYPE type;
    reader->GetAttributeByIndex(index, name, &nameLength, &type, value, &valueLength);
    reader->GetAttributeByIndex(index, nullptr, &nameLength, &type, nullptr, &valueLength);
  }
  WAVEFORMATEX format;
  reader->GetOutputFormat(&format, sizeof format);
  if (reader->Start() == S_OK) callback.WaitForEnd();
  if (reader->Seek((settings & 0x0F) * 100u) == S_OK) {
    callback.Reset();
    if (reader->Start() == S_OK) {
      if (settings & 0x10) reader->Stop();  // stopped while it may be delivering
      else callback.WaitForEnd();
    }
  }
  reader->Release();
}

QVBool WINAPI Data(void*, int32_t, int32_t, int32_t, int32_t, QVUserValue) { return TRUE; }
QVBool WINAPI Action(QVByteBool, QVUserValue) { return TRUE; }

void ThroughTheModule(const std::string& path, uint8_t settings) {
  PlayerHandle* handle = WmaModule::InitModule();
  if (handle == nullptr) return;
  WmaModule::SetInputName(*handle, path.c_str());
  WmaModule::SetOutputMode(*handle, omCallback);
  WmaModule::SetOutCB(*handle, &Data, &Action, 0);
  if (WmaModule::Open(*handle) && WmaModule::InitStream(*handle)) {
    const char* slots = nullptr;
    WmaModule::GetInfo2(*handle, &slots);
    WmaModule::SetLimits(*handle, (settings >> 5) * 300u, 0);
    if (WmaModule::Play(*handle)) {
      int32_t mode;
      while ((mode = WmaModule::GetPlayerMode(*handle)) == pmPlaying || mode == pmPaused)
        std::this_thread::yield();
    }
    WmaModule::GetPos(*handle);
  }
  WmaModule::Close(*handle);
  WmaModule::DeInitModule(handle);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const std::string path =
      "/tmp/WmaReaderFuzz-" + std::to_string(getpid()) + ".wma";
  const uint8_t settings = data[0];
  FILE* file = std::fopen(path.c_str(), "wb");
  if (file == nullptr) return 0;
  std::fwrite(data + 1, 1, size - 1, file);
  std::fclose(file);
  ThroughTheReader(path, settings);
  ThroughTheModule(path, settings);
  std::remove(path.c_str());
  return 0;
}
