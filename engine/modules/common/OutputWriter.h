// The output stage of both modules and the life of a run's output: opened at the start of a
// run, fed block by block, played out (drained) once the run that ended by itself has written
// its last samples, and closed, or discarded when the play fails. It acts on the output
// mode copied at open; the volume operations go by the module state's current mode.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "engine/PluginInterface.h"
#include "engine/modules/common/CallbackOutput.h"
#include "engine/modules/common/DirectSoundOutput.h"
#include "engine/modules/common/ModuleCom.h"
#include "engine/modules/common/ModuleErrorCode.h"
#include "engine/modules/common/OutputSettings.h"
#include "engine/modules/common/WavFileOutput.h"
#include "engine/modules/common/WaveDeviceOutput.h"

class OutputWriter {
 public:
  // The wave device output follows the module's rules.
  OutputWriter(ModuleErrorCode& errors, const ModuleCom& com, const WaveDeviceRules& waveDevice);
  OutputWriter(const OutputWriter&) = delete;
  OutputWriter& operator=(const OutputWriter&) = delete;

  // Opens the output of the settings' mode for a run; on failure sets no state but raises the
  // failure with the output's code. The settings stay in use until CloseOutput.
  void OpenOutput(OutputSettings& settings);
  // Hands one block to the open output; raises the output's failure.
  void WriteBlock(const void* data, uint32_t length);
  // The sink a source hands its full blocks to; `writer` is the OutputWriter.
  static void WriteToOutput(void* writer, uint8_t* block, int32_t bytes);
  // The end of a run that ended by itself, once its last samples are written: the output
  // drains; a failed drain does not keep the run from ending. False when `interrupted` ended
  // the drain first (a pause, a seek or a stop of the host): the output goes on taking blocks.
  bool PlayOut(const std::function<bool()>& interrupted = {});
  // Waits until the open output has played what it was given: true; false when `interrupted`,
  // asked while the device output waits, says so first. It may run on another thread while a
  // block is being written.
  bool DrainOutput(const std::function<bool()>& interrupted = {});
  // A host's stop, on its own thread while the run's thread may be writing or draining: a
  // device output stops sounding at once and takes no more blocks, and the write or drain under
  // way returns. CloseOutput follows on the run's thread.
  void StopOutput();
  // Tears the open output down. On another thread than the writer's it waits for the block in
  // progress, and blocks that come after it go nowhere. A WAV file that cannot be closed sets
  // code 6; nothing is raised.
  void CloseOutput();
  // CloseOutput for a play that fails after its output opened: a WAV file the play created is
  // removed again, so that the failed play leaves nothing behind.
  void DiscardOutput();
  // Whether the open output has failed for good: a WAV file that could not be written, or a
  // wave device that refused a buffer, takes no more blocks, and the run that writes to it
  // ends.
  bool OutputFailed() const;
  // Whether the output refused a block of the run opened last with its code: a source that
  // holds samples back writes none of them at the run's end then.
  bool BlockRefused() const { return refused_.load(); }

  // While set, WriteBlock drops blocks (except in WAV file mode).
  void SetSeekInProgress(bool seeking) { seekInProgress_.store(seeking); }
  bool SeekInProgress() const { return seekInProgress_.load(); }
  int32_t ActiveOutputMode() const { return activeOutputMode_.load(); }
  bool OutputIsOpen() const { return outputIsOpen_.load(); }

  // The volume operations never raise: they answer false, some with an error code.
  bool CanSetOutputVolume(const OutputSettings& settings, QVByteBool* separate);
  bool GetOutputVolume(const OutputSettings& settings, uint32_t* volume);
  bool SetOutputVolume(const OutputSettings& settings, uint32_t volume);

 private:
  void WriteToOpenOutput(const void* data, uint32_t length);

  ModuleErrorCode& errors_;
  const ModuleCom& com_;
  // Held while an output opens, takes a block or closes.
  std::mutex outputLock_;
  OutputSettings* settings_ = nullptr;
  std::atomic<int32_t> activeOutputMode_{omMMSystem};
  std::atomic<bool> outputIsOpen_{false};
  std::atomic<bool> seekInProgress_{false};
  // Whether the callback output's start report was accepted (its end report follows).
  bool callbackOpen_ = false;
  // Set when a block of the run was refused with the output's code.
  std::atomic<bool> refused_{false};
  WavFileOutput wavFile_;
  CallbackOutput callbacks_;
  WaveDeviceOutput waveDevice_;
  DirectSoundOutput directSound_;
};
