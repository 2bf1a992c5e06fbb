// The output stage of both modules: OpenOutput, WriteBlock, DrainOutput and CloseOutput over
// the four output modes, acting on the mode copied at open, and the volume operations, which
// go by the module state's current mode.
#pragma once

#include <atomic>
#include <cstdint>
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
  OutputWriter(ModuleErrorCode& errors, const ModuleCom& com, OutputFlavour flavour);
  OutputWriter(const OutputWriter&) = delete;
  OutputWriter& operator=(const OutputWriter&) = delete;

  // Opens the output of the settings' mode; on failure sets no state but raises the failure
  // with the output's code. The settings stay in use until CloseOutput.
  void OpenOutput(OutputSettings& settings);
  // Hands one block to the open output; raises the output's failure.
  void WriteBlock(const void* data, uint32_t length);
  // Waits until the open output has played what it was given. It may run on another thread
  // while a block is being written.
  void DrainOutput();
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

  // While set, WriteBlock drops blocks (except in WAV file mode).
  void SetSeekInProgress(bool seeking) { seekInProgress_.store(seeking); }
  bool SeekInProgress() const { return seekInProgress_.load(); }
  int32_t ActiveOutputMode() const { return activeOutputMode_.load(); }
  bool OutputIsOpen() const { return outputIsOpen_.load(); }

  // The volume operations never raise: they answer false, some with an error code.
  bool CanSetOutputVolume(const OutputSettings& settings, QVByteBool* separate);
  bool GetOutputVolume(const OutputSettings& settings, uint32_t* volume);
  bool SetOutputVolume(const OutputSettings& settings, uint32_t volume);

  OutputFlavour Flavour() const { return flavour_; }

 private:
  ModuleErrorCode& errors_;
  const ModuleCom& com_;
  const OutputFlavour flavour_;
  // Held while an output opens, takes a block or closes.
  std::mutex outputLock_;
  OutputSettings* settings_ = nullptr;
  std::atomic<int32_t> activeOutputMode_{omMMSystem};
  std::atomic<bool> outputIsOpen_{false};
  std::atomic<bool> seekInProgress_{false};
  // Whether the callback output's start report was accepted (its end report follows).
  bool callbackOpen_ = false;
  WavFileOutput wavFile_;
  CallbackOutput callbacks_;
  WaveDeviceOutput waveDevice_{errors_, flavour_, seekInProgress_};
  DirectSoundOutput directSound_{errors_, flavour_, seekInProgress_};
};
