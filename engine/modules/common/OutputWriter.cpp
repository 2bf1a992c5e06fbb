#include "engine/modules/common/OutputWriter.h"

#include "engine/modules/common/ModuleFailure.h"

OutputWriter::OutputWriter(ModuleErrorCode& errors, const ModuleCom& com,
                           const WaveDeviceRules& waveDevice)
    : errors_(errors),
      com_(com),
      waveDevice_(errors, waveDevice, seekInProgress_),
      directSound_(errors, seekInProgress_) {}

void OutputWriter::OpenOutput(OutputSettings& settings) {
  std::lock_guard<std::mutex> lock(outputLock_);
  settings_ = &settings;
  refused_.store(false);
  activeOutputMode_.store(settings.OutputMode);
  switch (settings.OutputMode) {
    case omCallback:
      callbacks_.Open(settings);
      callbackOpen_ = true;
      break;
    case omMMSystem:
      waveDevice_.Open(settings);
      outputIsOpen_.store(true);
      break;
    case omDirectSound:
      directSound_.Open(settings, com_.Usable());
      outputIsOpen_.store(true);
      break;
    case omFile:
      wavFile_.Open(settings);
      outputIsOpen_.store(true);
      break;
    default:
      // A mode outside the four opens nothing; its blocks go nowhere.
      break;
  }
}

void OutputWriter::WriteBlock(const void* data, uint32_t length) {
  try {
    WriteToOpenOutput(data, length);
  } catch (const ModuleFailure& failure) {
    if (failure.Code == qvOutputFailure) refused_.store(true);
    throw;
  }
}

void OutputWriter::WriteToOutput(void* writer, uint8_t* block, int32_t bytes) {
  static_cast<OutputWriter*>(writer)->WriteBlock(block, static_cast<uint32_t>(bytes));
}

void OutputWriter::WriteToOpenOutput(const void* data, uint32_t length) {
  std::lock_guard<std::mutex> lock(outputLock_);
  if (settings_ == nullptr) return;
  switch (activeOutputMode_.load()) {
    case omCallback:
      if (SeekInProgress() || !callbackOpen_) return;
      callbacks_.Write(*settings_, data, length);
      break;
    case omMMSystem:
      if (!OutputIsOpen()) return;
      waveDevice_.Write(data, length);
      break;
    case omDirectSound:
      // The first block starts playback even during a seek.
      if (!OutputIsOpen()) return;
      directSound_.Write(data, length);
      break;
    case omFile:
      if (!OutputIsOpen()) return;
      wavFile_.Write(data, length);
      break;
    default: break;
  }
}

bool OutputWriter::PlayOut(const std::function<bool()>& interrupted) {
  try {
    return DrainOutput(interrupted);
  } catch (const ModuleFailure&) {
    // A failed drain does not keep the run from ending.
    return true;
  }
}

bool OutputWriter::DrainOutput(const std::function<bool()>& interrupted) {
  switch (activeOutputMode_.load()) {
    case omMMSystem: return !OutputIsOpen() || waveDevice_.Drain(interrupted);
    case omDirectSound: return !OutputIsOpen() || directSound_.Drain(interrupted);
    default: return true;
  }
}

void OutputWriter::StopOutput() {
  // Not under the output lock: the writer may hold it while it waits for the device.
  switch (activeOutputMode_.load()) {
    case omMMSystem: waveDevice_.Stop(); break;
    case omDirectSound: directSound_.Stop(); break;
    default: break;
  }
}

void OutputWriter::CloseOutput() {
  std::lock_guard<std::mutex> lock(outputLock_);
  const bool wasOpen = outputIsOpen_.exchange(false);
  switch (activeOutputMode_.load()) {
    case omCallback:
      if (callbackOpen_ && settings_ != nullptr) callbacks_.Close(*settings_);
      callbackOpen_ = false;
      break;
    case omMMSystem:
      if (wasOpen) waveDevice_.Close();
      break;
    case omDirectSound:
      if (wasOpen) directSound_.Close();
      break;
    case omFile:
      if (wasOpen && !wavFile_.Close()) errors_.Set(qvOutputFailure);
      break;
    default: break;
  }
  settings_ = nullptr;
}

void OutputWriter::DiscardOutput() {
  {
    std::lock_guard<std::mutex> lock(outputLock_);
    if (activeOutputMode_.load() == omFile && outputIsOpen_.exchange(false)) wavFile_.Discard();
  }
  // What is left of the output (the WAV file no longer open) closes as any other does.
  CloseOutput();
}

bool OutputWriter::OutputFailed() const {
  switch (activeOutputMode_.load()) {
    case omFile: return wavFile_.Failed();
    case omMMSystem: return waveDevice_.Failed();
    default: return false;
  }
}

bool OutputWriter::CanSetOutputVolume(const OutputSettings& settings, QVByteBool* separate) {
  switch (settings.OutputMode) {
    case omMMSystem: return waveDevice_.CanSetVolume(settings, separate);
    case omDirectSound: return true;
    default: return false;
  }
}

bool OutputWriter::GetOutputVolume(const OutputSettings& settings, uint32_t* volume) {
  switch (settings.OutputMode) {
    case omMMSystem: return waveDevice_.GetVolume(settings, volume);
    case omDirectSound:
      if (!directSound_.GetVolume(volume)) {
        errors_.Set(qvIncorrectMode);
        return false;
      }
      return true;
    default: return false;
  }
}

bool OutputWriter::SetOutputVolume(const OutputSettings& settings, uint32_t volume) {
  switch (settings.OutputMode) {
    case omMMSystem: return waveDevice_.SetVolume(settings, volume);
    case omDirectSound:
      if (!directSound_.SetVolume(volume)) {
        errors_.Set(qvIncorrectMode);
        return false;
      }
      return true;
    default: return false;
  }
}
