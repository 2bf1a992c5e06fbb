// The object QVInitModule hands the host, which is at the same time the callback object the
// SDK's reader calls (its function table comes first): besides the frame's part (the magic
// value, the mode, the pause and stop requests, the run's stage and seek flag) the reader of the
// open file, the reference count and the metadata.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "engine/PluginInterface.h"
#include "engine/modules/common/ModulePlayer.h"
#include "platform/wmasdk/WmaSdk.h"

namespace wma {

class ModuleState;

inline constexpr int MetadataSlotCount = 7;
inline constexpr int MetadataSlotSize = 512;

struct PlayerHandle final : public IWMAudioReadCallback, public ModulePlayer {
  explicit PlayerHandle(ModuleState& moduleState);
  // Ends a running run, releases the reader.
  ~PlayerHandle();
  PlayerHandle(const PlayerHandle&) = delete;
  PlayerHandle& operator=(const PlayerHandle&) = delete;

  // The callback object's operations (ReaderCallback.cpp).
  HRESULT WINAPI QueryInterface(REFIID riid, void** object) override;
  ULONG WINAPI AddRef() override;
  ULONG WINAPI Release() override;
  HRESULT WINAPI OnSample(const BYTE* data, DWORD length, DWORD msTime) override;
  HRESULT WINAPI OnStatus(WMT_STATUS status, HRESULT result, const void* param) override;

  // The host ends a run: stops the output's sound at once and the reader (the SDK's thread is
  // out of every callback when it returns) and closes the output unless the run has closed it
  // already. Mode pmOpen.
  void StopRun();
  // Ends a running run and releases the reader: mode pmClosed.
  void CloseInput();
  // QVPlay opens a run: from now on the callbacks write to the output.
  void BeginRun();
  // Closes the output of a run that has not been closed yet (false: it had been); for a play
  // that fails, `discard` also removes the WAV file the play created.
  bool CloseRun(bool discard = false);

  IWMAudioReader* Reader = nullptr;
  std::atomic<int32_t> References{1};
  char MetadataSlots[MetadataSlotCount][MetadataSlotSize] = {};

  ModuleState& State;

 private:
  // Ends a run from the SDK's thread, once: the output is played out before the reader stops
  // when asked, else after it, and closed; then the mode. No-op when the run has ended
  // already. While the output plays out first, a pause holds the end until the run is resumed
  // and a seek keeps the run going from its new place.
  void EndRunFromReader(bool drainFirst, int32_t finalMode);

  // Held while a run's output is written or closed, so that the end of a run happens once,
  // whichever thread comes first, and nothing is written after it.
  std::mutex runLock_;
  bool runActive_ = false;
};

}  // namespace wma
