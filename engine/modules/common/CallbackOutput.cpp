#include "engine/modules/common/CallbackOutput.h"

#include <cstring>

#include "engine/modules/common/ModuleFailure.h"

void CallbackOutput::Open(const OutputSettings& settings) {
  if (settings.DataCallback == nullptr || settings.ActionCallback == nullptr)
    RaiseModuleFailure(qvOutputFailure);
  if (!QVTrue(settings.ActionCallback(1, settings.OutputUser))) RaiseModuleFailure(qvOutputFailure);
  AllocateStaging(settings.BufferSize);
}

void CallbackOutput::Write(const OutputSettings& settings, const void* data, uint32_t length) {
  uint8_t* staged = Stage(data, length);
  if ((settings.UseOutputCallbacks || settings.OutputMode == omCallback) &&
      settings.DataCallback != nullptr) {
    // The size is the block's own: the last block of a run may be shorter than a buffer.
    if (!QVTrue(settings.DataCallback(staged, settings.BitsPerSample, settings.Channels,
                                      static_cast<int32_t>(settings.SampleRate),
                                      static_cast<int32_t>(length), settings.OutputUser)))
      RaiseModuleFailure(qvOutputFailure);
  }
}

void CallbackOutput::Close(const OutputSettings& settings) {
  if (settings.ActionCallback != nullptr) settings.ActionCallback(0, settings.OutputUser);
  ReleaseStaging();
}

void CallbackOutput::AllocateStaging(int32_t size) {
  staging_.assign(size > 0 ? static_cast<size_t>(size) : 0, 0);
}

void CallbackOutput::ReleaseStaging() { std::vector<uint8_t>().swap(staging_); }

uint8_t* CallbackOutput::Stage(const void* data, uint32_t length) {
  if (staging_.size() < length) staging_.resize(length);
  if (length != 0) std::memcpy(staging_.data(), data, length);
  return staging_.data();
}
