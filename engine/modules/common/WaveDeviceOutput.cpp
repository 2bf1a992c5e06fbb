#include "engine/modules/common/WaveDeviceOutput.h"

#include <algorithm>
#include <chrono>
#include <cstring>
#include <new>
#include <thread>

#include "engine/modules/common/ModuleFailure.h"

namespace {

constexpr auto PollInterval = std::chrono::milliseconds(77);

}  // namespace

WaveDeviceOutput::WaveDeviceOutput(ModuleErrorCode& errors, const WaveDeviceRules& rules,
                                   std::atomic<bool>& seekInProgress)
    : errors_(errors), rules_(rules), seekInProgress_(seekInProgress) {}

WAVEFORMATEX WaveDeviceOutput::Format(const OutputSettings& settings, bool limitRate) const {
  WAVEFORMATEX format{};
  const auto bytesPerSample = static_cast<uint32_t>(settings.BitsPerSample / 8);
  const auto channels = static_cast<uint32_t>(settings.Channels);
  uint32_t rate = settings.SampleRate;
  if (limitRate && rules_.RateLimit != 0) rate = std::min(rate, rules_.RateLimit);
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = rate;
  format.nAvgBytesPerSec = bytesPerSample * channels * rate;
  format.nBlockAlign = static_cast<WORD>(bytesPerSample * channels);
  format.wBitsPerSample = static_cast<WORD>(settings.BitsPerSample);
  format.cbSize = 0;
  return format;
}

void WaveDeviceOutput::Pause() {
  std::unique_lock<std::mutex> held(stopLock_);
  stopSignal_.wait_for(held, PollInterval, [&] { return stopped_.load(); });
}

void WaveDeviceOutput::Open(OutputSettings& settings) {
  if (waveOutGetNumDevs() == 0) RaiseModuleFailure(qvOutputFailure);
  inFlight_.store(0);
  failed_ = false;
  stopped_.store(false);
  const WAVEFORMATEX format = Format(settings, true);
  staging_.assign(static_cast<size_t>(std::max(settings.BufferSize, 0)), 0);
  seekInProgress_.store(false);
  HWAVEOUT device = nullptr;
  // The callback finds this output again through its instance value.
  if (waveOutOpen(&device, static_cast<UINT>(settings.DeviceNumber), &format,
                  reinterpret_cast<DWORD_PTR>(&Completion), reinterpret_cast<DWORD_PTR>(this),
                  CALLBACK_FUNCTION) != MMSYSERR_NOERROR) {
    std::vector<uint8_t>().swap(staging_);
    RaiseModuleFailure(qvOutputFailure);
  }
  device_.store(device);
  waveOutReset(device);
  if (rules_.WaitAfterOpen) Pause();
  if (settings.UseOutputCallbacks) {
    if (settings.ActionCallback == nullptr ||
        !QVTrue(settings.ActionCallback(1, settings.OutputUser)))
      settings.UseOutputCallbacks = false;
  }
  settings_ = &settings;
}

void WaveDeviceOutput::DropDuringSeek() {
  while (seekInProgress_.load() && !stopped_.load()) Pause();
}

void WaveDeviceOutput::Write(const void* data, uint32_t length) {
  if (stopped_.load()) return;
  if (seekInProgress_.load()) return DropDuringSeek();
  const OutputSettings& settings = *settings_;
  if (rules_.ReportBlocks && settings.UseOutputCallbacks) {
    if (staging_.size() < length) staging_.resize(length);
    if (length != 0) std::memcpy(staging_.data(), data, length);
    // The size is the block's own: the last block of a run may be shorter than a buffer.
    if (settings.DataCallback != nullptr)
      settings.DataCallback(staging_.data(), settings.BitsPerSample, settings.Channels,
                            static_cast<int32_t>(settings.SampleRate), static_cast<int32_t>(length),
                            settings.OutputUser);
  }
  // A count below one would never let a block through.
  const int32_t limit = std::max(settings.BuffersCount, 1);
  while (inFlight_.load() >= limit) {
    Pause();
    if (stopped_.load()) return;
    if (rules_.DropWaitingBlockOnSeek && seekInProgress_.load()) return DropDuringSeek();
  }

  auto* header = new (std::nothrow) WAVEHDR{};
  auto* copy = new (std::nothrow) char[length == 0 ? 1 : length];
  if (header == nullptr || copy == nullptr) {
    delete header;
    delete[] copy;
    Refuse();
  }
  if (length != 0) std::memcpy(copy, data, length);
  header->lpData = copy;
  header->dwBufferLength = length;
  header->dwFlags = 0;
  HWAVEOUT device = device_.load();
  if (waveOutPrepareHeader(device, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
    delete[] copy;
    delete header;
    Refuse();
  }
  // Counted before it is queued, so that a drain on another thread never sees a queued
  // buffer uncounted, and the completion never takes the count below zero.
  inFlight_.fetch_add(1);
  if (waveOutWrite(device, header, sizeof(WAVEHDR)) != MMSYSERR_NOERROR) {
    inFlight_.fetch_sub(1);
    waveOutUnprepareHeader(device, header, sizeof(WAVEHDR));
    delete[] copy;
    delete header;
    Refuse();
  }
  // A stop that reset the device while this buffer was on its way takes it back too.
  if (stopped_.load()) waveOutReset(device);
}

void WaveDeviceOutput::Refuse() {
  failed_ = true;
  RaiseModuleFailure(qvOutputFailure);
}

void CALLBACK WaveDeviceOutput::Completion(HWAVEOUT device, UINT message, DWORD_PTR instance,
                                           DWORD_PTR param1, DWORD_PTR) {
  if (message != WOM_DONE) return;
  auto* self = reinterpret_cast<WaveDeviceOutput*>(instance);
  auto* header = reinterpret_cast<WAVEHDR*>(param1);
  waveOutUnprepareHeader(device, header, sizeof(WAVEHDR));
  delete[] header->lpData;
  delete header;
  self->inFlight_.fetch_sub(1);
}

bool WaveDeviceOutput::Drain(const std::function<bool()>& interrupted) {
  while (inFlight_.load() != 0 && !stopped_.load()) {
    if (interrupted && interrupted()) return false;
    Pause();
  }
  return true;
}

void WaveDeviceOutput::Stop() {
  {
    std::lock_guard<std::mutex> guard(stopLock_);
    stopped_.store(true);
  }
  stopSignal_.notify_all();
  if (HWAVEOUT device = device_.load(); device != nullptr) waveOutReset(device);
}

void WaveDeviceOutput::Close() {
  if (settings_ != nullptr && settings_->UseOutputCallbacks && settings_->ActionCallback != nullptr)
    settings_->ActionCallback(0, settings_->OutputUser);
  HWAVEOUT device = device_.load();
  if (stopped_.load()) waveOutReset(device);
  while (waveOutClose(device) == WAVERR_STILLPLAYING) Pause();
  device_.store(nullptr);
  inFlight_.store(0);
  std::vector<uint8_t>().swap(staging_);
  settings_ = nullptr;
}

HWAVEOUT WaveDeviceOutput::OpenForVolume(const OutputSettings& settings) const {
  const WAVEFORMATEX format = Format(settings, false);
  HWAVEOUT device = nullptr;
  if (waveOutOpen(&device, static_cast<UINT>(settings.DeviceNumber), &format, 0, 0,
                  CALLBACK_NULL | WAVE_ALLOWSYNC) != MMSYSERR_NOERROR)
    return nullptr;
  return device;
}

bool WaveDeviceOutput::CanSetVolume(const OutputSettings& settings, QVByteBool* separate) {
  WAVEOUTCAPSA caps{};
  if (waveOutGetDevCapsA(static_cast<UINT>(settings.DeviceNumber), &caps, sizeof(caps)) !=
      MMSYSERR_NOERROR)
    return false;
  if (separate != nullptr) *separate = (caps.dwSupport & WAVECAPS_LRVOLUME) ? 1 : 0;
  return (caps.dwSupport & WAVECAPS_VOLUME) != 0;
}

bool WaveDeviceOutput::GetVolume(const OutputSettings& settings, uint32_t* volume) {
  DWORD value = 0;
  if (HWAVEOUT open = device_.load(); open != nullptr) {
    if (waveOutGetVolume(open, &value) != MMSYSERR_NOERROR) return false;
  } else {
    HWAVEOUT device = OpenForVolume(settings);
    if (device == nullptr) return false;
    const MMRESULT got = waveOutGetVolume(device, &value);
    waveOutClose(device);
    if (got != MMSYSERR_NOERROR) return false;
  }
  if (volume != nullptr) *volume = value;
  return true;
}

bool WaveDeviceOutput::SetVolume(const OutputSettings& settings, uint32_t volume) {
  if (HWAVEOUT open = device_.load(); open != nullptr)
    return waveOutSetVolume(open, volume) == MMSYSERR_NOERROR;
  HWAVEOUT device = OpenForVolume(settings);
  if (device == nullptr) return false;
  const MMRESULT set = waveOutSetVolume(device, volume);
  waveOutClose(device);
  if (set != MMSYSERR_NOERROR) {
    errors_.Set(qvOutputFailure);
    return false;
  }
  return true;
}
