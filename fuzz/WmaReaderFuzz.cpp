// Arbitrary bytes as a Windows Media Audio file, through the SDK layer's reader (attributes
// with tight buffers, the output format, delivery, a seek and a second delivery) or through
// the module (open, stream set-up, a run into the callback output to its end). The first byte
// holds the settings, the low bit of the second picks the path; the file follows.
//
// Build and run (clang, separate build directory; one core is enough):
//   CC=clang CXX=clang++ cmake -S . -B build-fuzz -DBRASSEL_FUZZ=ON \
//     -DCMAKE_BUILD_TYPE=RelWithDebInfo
//   cmake --build build-fuzz --target WmaReaderFuzz
//   fuzz/WmaMakeCorpus.sh build-fuzz/wma-corpus
//   build-fuzz/fuzz/WmaReaderFuzz build-fuzz/wma-corpus -max_len=8192 -max_total_time=600 \
//     -timeout=20 -rss_limit_mb=2048
//
// The SDK reads files only, so each input is written to one file in a folder made once in
// /dev/shm (memory, not disk; $TMPDIR when there is no /dev/shm) and removed at exit; a crashed
// run leaves that folder behind. Each input takes one path, so an execution opens the file and
// sets up libav's decoder once, not twice. Much of an execution is libav reading the header and
// setting up the decoder, once per reader (the reader's and the module's), and ASan mapping the
// decoder's large context; the seeds are the files' headers with a packet or two and -max_len
// keeps the mutations that size, as the demuxer's reading grows with the file. One player
// handle serves every input, as a host's does file after file; the run's end is waited for on
// the output's close, not by spinning beside the SDK's thread.
#include <fcntl.h>
#include <unistd.h>

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

#include "engine/modules/wma/ModuleState.h"
#include "engine/modules/wma/PlayerHandle.h"
#include "engine/modules/wma/WmaModule.h"
#include "platform/wmasdk/WmaSdk.h"

// A smaller quarantine than the default 256 MB still holds many executions' frees (libav's
// contexts included), and keeps the resident size down.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=32"; }

namespace {

using wma::PlayerHandle;
using wma::WmaModule;

// Set when the reader reports its status, or the module closes its callback output.
class EndSignal {
 public:
  void Reset() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = false;
  }
  void Set() {
    std::lock_guard<std::mutex> lock(mutex_);
    ended_ = true;
    changed_.notify_all();
  }
  void Wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return ended_; });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ended_ = false;
};

// Touches every byte, so that a block shorter than it claims shows. Outside the coverage
// instrumentation: its loop tells the fuzzer nothing and ran per byte.
__attribute__((no_sanitize("coverage"))) uint32_t Checksum(const BYTE* data, size_t length) {
  uint32_t sum = 0;
  for (size_t i = 0; i < length; ++i) sum += data[i];
  return sum;
}

std::atomic<uint32_t> checksum{0};

class FuzzCallback final : public IWMAudioReadCallback {
 public:
  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return 2; }
  ULONG WINAPI Release() override { return 1; }
  HRESULT WINAPI OnSample(const BYTE* data, DWORD length, DWORD) override {
    checksum += Checksum(data, length);
    return S_OK;
  }
  HRESULT WINAPI OnStatus(WMT_STATUS, HRESULT, const void*) override {
    ended.Set();
    return S_OK;
  }
  EndSignal ended;
};

std::u16string Wide(const std::string& ascii) { return {ascii.begin(), ascii.end()}; }

void ThroughTheReader(const std::u16string& path, uint8_t settings) {
  FuzzCallback callback;
  IWMAudioReader* reader = nullptr;
  if (FAILED(WMAudioCreateReader(path.c_str(), &callback, &reader, nullptr))) return;
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
  if (reader->Start() == S_OK) callback.ended.Wait();
  if (reader->Seek((settings & 0x0F) * 100u) == S_OK) {
    callback.ended.Reset();
    if (reader->Start() == S_OK) {
      if (settings & 0x10)
        reader->Stop();  // stopped while it may be delivering
      else
        callback.ended.Wait();
    }
  }
  reader->Release();
}

EndSignal outputClosed;

QVBool WINAPI Data(void* block, int32_t, int32_t, int32_t, int32_t bytes, QVUserValue) {
  if (bytes < 0) std::abort();  // a block no host can take
  checksum += Checksum(static_cast<const BYTE*>(block), static_cast<size_t>(bytes));
  return TRUE;
}

QVBool WINAPI Action(QVByteBool open, QVUserValue) {
  if (open == 0) outputClosed.Set();
  return TRUE;
}

void ThroughTheModule(PlayerHandle& handle, const std::string& path, uint8_t settings) {
  WmaModule& module = WmaModule::Instance();
  module.SetInputName(handle, path.c_str());
  if (module.Open(handle) && module.InitStream(handle)) {
    const char* slots = nullptr;
    module.GetInfo2(handle, &slots);
    module.SetLimits(handle, (settings >> 5) * 300u, 0);
    outputClosed.Reset();
    if (module.Play(handle)) {
      outputClosed.Wait();
      // The mode follows the close on the SDK's thread.
      while (handle.Running()) std::this_thread::yield();
    }
    module.GetPlayerMode(handle);
    module.GetPos(handle);
  }
  module.Close(handle);
}

// A folder in memory for the one input file, made once and removed at exit.
struct InputFile {
  InputFile() {
    const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : std::getenv("TMPDIR");
    std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/WmaReaderFuzz-XXXXXX";
    if (mkdtemp(pattern.data()) == nullptr) std::abort();
    folder = pattern;
    path = folder + "/input.wma";
    widePath = Wide(path);
  }
  ~InputFile() {
    std::remove(path.c_str());
    std::remove(folder.c_str());
  }
  bool Write(const uint8_t* data, size_t size) const {
    const int file = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (file < 0) return false;
    const bool written = write(file, data, size) == static_cast<ssize_t>(size);
    close(file);
    return written;
  }
  std::string folder;
  std::string path;
  std::u16string widePath;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const InputFile input;
  static PlayerHandle* const handle = [] {
    WmaModule& module = WmaModule::Instance();
    auto* made = static_cast<PlayerHandle*>(module.InitModule());
    if (made == nullptr) std::abort();
    module.SetOutputMode(*made, omCallback);
    module.SetOutCB(*made, &Data, &Action, 0);
    return made;
  }();
  if (size < 2) return 0;
  const uint8_t settings = data[0];
  const bool viaModule = (data[1] & 1) != 0;
  if (!input.Write(data + 2, size - 2)) return 0;
  if (viaModule)
    ThroughTheModule(*handle, input.path, settings);
  else
    ThroughTheReader(input.widePath, settings);
  return 0;
}
