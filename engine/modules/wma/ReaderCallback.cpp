// The player handle as the reader's callback object: the SDK calls OnSample with each block of
// decoded samples and OnStatus with its status reports, on the SDK's own thread.
#include <chrono>
#include <thread>

#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/common/ModuleOperation.h"
#include "engine/modules/wma/ModuleState.h"
#include "engine/modules/wma/PlayerHandle.h"

namespace wma {

namespace {

constexpr auto PausePoll = std::chrono::milliseconds(77);

}  // namespace

HRESULT WINAPI PlayerHandle::QueryInterface(REFIID, void**) { return E_NOINTERFACE; }

ULONG WINAPI PlayerHandle::AddRef() { return static_cast<ULONG>(++References); }

ULONG WINAPI PlayerHandle::Release() {
  const int32_t remaining = --References;
  if (remaining == 0) delete this;  // the current handle and COM stay as they are
  return static_cast<ULONG>(remaining);
}

HRESULT WINAPI PlayerHandle::OnSample(const BYTE* data, DWORD length, DWORD /*msTime*/) {
  const bool written = RunModuleOperation(State.Errors, false, [&] {
    {
      std::lock_guard<std::mutex> guard(runLock_);
      // A block after the run has ended goes nowhere: the output is closed.
      if (!runActive_) return true;
      State.Output.BufferSize = static_cast<int32_t>(length);
      // Bytes per second in unsigned 32 bits, as the format gives it.
      const uint32_t bytesPerSecond =
          (static_cast<uint32_t>(State.Output.BitsPerSample) *
           static_cast<uint32_t>(State.Output.Channels) * State.Output.SampleRate) /
          8;
      State.Position.Advance(static_cast<uint32_t>(length), bytesPerSecond);
    }
    // A paused run holds the SDK's thread here; a stop request ends the wait.
    while (PauseRequest != 0 && StopRequest == 0) std::this_thread::sleep_for(PausePoll);

    if (State.Position > State.EndLimit) {
      // The end limit ends the run as the end of the file does: what the output holds plays
      // out first, a pause holds it and a seek goes on from its place.
      EndRunFromReader(true, pmFinished);
      return true;
    }
    std::unique_lock<std::mutex> guard(runLock_);
    if (!runActive_) return true;
    try {
      State.Writer.WriteBlock(data, length);
    } catch (const ModuleFailure& failure) {
      if (!State.Writer.OutputFailed()) throw;
      // An output that has failed for good (a WAV file that cannot be written, a wave device
      // that refuses a buffer) ends the run; its code stays for the host.
      guard.unlock();
      State.Errors.Set(failure.Code);
      EndRunFromReader(false, pmFinished);
      throw;
    }
    return true;
  });
  return written ? S_OK : E_FAIL;
}

HRESULT WINAPI PlayerHandle::OnStatus(WMT_STATUS status, HRESULT /*result*/,
                                      const void* /*param*/) {
  switch (status) {
    case WMT_EOF: EndRunFromReader(true, pmFinished); break;
    case WMT_ERROR:
    case WMT_NO_RIGHTS:
    case WMT_READ_ERROR: {
      std::unique_lock<std::mutex> guard(runLock_);
      const bool active = runActive_;
      guard.unlock();
      // The file could not be read to its end: damage, never a success.
      if (active) State.Errors.Set(status == WMT_READ_ERROR ? qvInputFailure : qvInternalError);
      EndRunFromReader(false, pmOpen);
      break;
    }
    default: break;
  }
  return S_OK;
}

}  // namespace wma
