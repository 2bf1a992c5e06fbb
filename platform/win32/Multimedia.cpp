#include "platform/win32/Multimedia.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>

#include "platform/win32/SoundDevice.h"

using win32::PcmFormat;
using win32::SelectedSoundDevice;
using win32::SoundDeviceKind;
using win32::SoundStream;

namespace {

// ---- wave output ----------------------------------------------------------------------------

// Samples go to the device in pieces of at most this many milliseconds, so that a reset or a
// close is seen soon.
constexpr uint32_t PieceMilliseconds = 20;

UINT DeviceCount() { return SelectedSoundDevice() == SoundDeviceKind::None ? 0 : 1; }

// Per device number; a device starts at full volume.
std::mutex volumeLock;
DWORD deviceVolume = 0xFFFFFFFF;

struct WaveDevice {
  UINT deviceId = 0;
  PcmFormat format;
  LPWAVEOUTPROC callback = nullptr;
  DWORD_PTR instance = 0;
  HWAVEOUT handle = nullptr;

  std::mutex lock;
  std::condition_variable changed;
  std::deque<WAVEHDR*> queue;  // written, not yet done; the front is playing
  size_t playedOfFront = 0;
  uint64_t resets = 0;  // a reset makes the piece in progress count for nothing
  std::deque<std::pair<UINT, WAVEHDR*>> messages;  // to the callback, in order
  uint64_t messagesPosted = 0;
  uint64_t messagesDelivered = 0;
  bool closing = false;

  SoundStream stream;
  std::thread thread;
  std::atomic<std::thread::id> runner{};

  void Run();
  void Post(UINT message, WAVEHDR* header) {
    messages.emplace_back(message, header);
    ++messagesPosted;
  }
  // Waits until every message posted so far has been delivered.
  void WaitForDelivery(std::unique_lock<std::mutex>& held) {
    const uint64_t posted = messagesPosted;
    changed.wait(held, [&] { return messagesDelivered >= posted; });
  }
};

void WaveDevice::Run() {
  runner.store(std::this_thread::get_id());
  std::unique_lock<std::mutex> held(lock);
  for (;;) {
    changed.wait(held, [&] { return !messages.empty() || !queue.empty() || closing; });
    if (!messages.empty()) {
      const auto [message, header] = messages.front();
      messages.pop_front();
      held.unlock();
      if (callback != nullptr)
        callback(handle, message, instance, reinterpret_cast<DWORD_PTR>(header), 0);
      held.lock();
      ++messagesDelivered;
      changed.notify_all();
      continue;
    }
    if (queue.empty()) break;  // closing, and nothing is queued (close checks that)
    WAVEHDR* front = queue.front();
    const uint32_t pieceLimit =
        std::max<uint32_t>(format.BlockAlign(), format.BytesPerSec() * PieceMilliseconds / 1000 /
                                                    format.BlockAlign() * format.BlockAlign());
    const size_t piece = std::min<size_t>(front->dwBufferLength - playedOfFront, pieceLimit);
    const auto* data = reinterpret_cast<const uint8_t*>(front->lpData) + playedOfFront;
    const uint64_t resetsBefore = resets;
    DWORD volume;
    {
      std::lock_guard<std::mutex> guard(volumeLock);
      volume = deviceVolume;
    }
    held.unlock();
    stream.Write(data, piece, (volume & 0xFFFF) / 65535.0, (volume >> 16) / 65535.0);
    held.lock();
    if (resets != resetsBefore) {
      stream.Drop();
      continue;
    }
    playedOfFront += piece;
    if (playedOfFront >= front->dwBufferLength) {
      queue.pop_front();
      playedOfFront = 0;
      front->dwFlags = (front->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
      Post(WOM_DONE, front);
    }
  }
  held.unlock();
  stream.Close();
  if (callback != nullptr) callback(handle, WOM_CLOSE, instance, 0, 0);
}

// Open devices by handle. Handles are numbers never reused, so a stale one is refused.
std::mutex tableLock;
std::map<uintptr_t, std::shared_ptr<WaveDevice>> devices;
uintptr_t nextHandle = 0x5000;

std::shared_ptr<WaveDevice> Find(HWAVEOUT handle) {
  std::lock_guard<std::mutex> guard(tableLock);
  const auto found = devices.find(reinterpret_cast<uintptr_t>(handle));
  return found == devices.end() ? nullptr : found->second;
}

bool OnDeviceThread(const WaveDevice& device) {
  return device.runner.load() == std::this_thread::get_id();
}

// A volume call's device: an open handle, or a device number below the device count.
bool VolumeTarget(HWAVEOUT device) {
  if (Find(device) != nullptr) return true;
  return reinterpret_cast<uintptr_t>(device) < DeviceCount();
}

// ---- timers ---------------------------------------------------------------------------------

class TimerThread {
 public:
  ~TimerThread() {
    {
      std::lock_guard<std::mutex> guard(lock_);
      stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) thread_.join();
  }

  UINT Set(UINT delay, LPTIMECALLBACK procedure, DWORD_PTR user) {
    std::lock_guard<std::mutex> guard(lock_);
    if (stopping_) return 0;
    if (!thread_.joinable()) thread_ = std::thread([this] { Run(); });
    UINT id = nextId_++;
    if (nextId_ == 0) nextId_ = 1;
    pending_.emplace(id, Timer{Clock::now() + std::chrono::milliseconds(delay), procedure, user});
    changed_.notify_all();
    return id;
  }

  MMRESULT Kill(UINT id) {
    std::unique_lock<std::mutex> held(lock_);
    if (pending_.erase(id) != 0) {
      changed_.notify_all();
      return TIMERR_NOERROR;
    }
    if (running_ != id || id == 0) return MMSYSERR_INVALPARAM;
    if (std::this_thread::get_id() != thread_.get_id())
      changed_.wait(held, [&] { return running_ != id; });
    return TIMERR_NOERROR;
  }

 private:
  using Clock = std::chrono::steady_clock;
  struct Timer {
    Clock::time_point due;
    LPTIMECALLBACK procedure;
    DWORD_PTR user;
  };

  void Run() {
    std::unique_lock<std::mutex> held(lock_);
    while (!stopping_) {
      if (pending_.empty()) {
        changed_.wait(held);
        continue;
      }
      auto next = std::min_element(
          pending_.begin(), pending_.end(),
          [](const auto& a, const auto& b) { return a.second.due < b.second.due; });
      // A copy: the timer may be killed while this thread waits for it.
      const Clock::time_point due = next->second.due;
      if (Clock::now() < due) {
        changed_.wait_until(held, due);
        continue;
      }
      const UINT id = next->first;
      const Timer timer = next->second;
      pending_.erase(next);
      running_ = id;
      held.unlock();
      timer.procedure(id, 0, timer.user, 0, 0);
      held.lock();
      running_ = 0;
      changed_.notify_all();
    }
  }

  std::mutex lock_;
  std::condition_variable changed_;
  std::map<UINT, Timer> pending_;
  UINT nextId_ = 1;
  UINT running_ = 0;
  bool stopping_ = false;
  std::thread thread_;
};

TimerThread& Timers() {
  static TimerThread timers;
  return timers;
}

}  // namespace

UINT WINAPI waveOutGetNumDevs() { return DeviceCount(); }

MMRESULT WINAPI waveOutGetDevCapsA(UINT_PTR deviceId, LPWAVEOUTCAPSA caps, UINT size) {
  if (caps == nullptr) return MMSYSERR_INVALPARAM;
  const UINT count = DeviceCount();
  if (Find(reinterpret_cast<HWAVEOUT>(deviceId)) == nullptr) {
    if (deviceId == WAVE_MAPPER || deviceId == UINT_PTR(-1)) {
      if (count == 0) return MMSYSERR_NODRIVER;
    } else if (deviceId >= count) {
      return MMSYSERR_BADDEVICEID;
    }
  }
  WAVEOUTCAPSA filled{};
  filled.wMid = 0xFFFF;  // no registered manufacturer
  filled.wPid = 0xFFFF;
  filled.vDriverVersion = 0x0100;
  const char* name = SelectedSoundDevice() == SoundDeviceKind::Alsa ? "ALSA default output"
                                                                    : "Virtual wave output";
  std::strncpy(filled.szPname, name, sizeof(filled.szPname) - 1);
  filled.dwFormats = 0x00000FFF;  // 11.025, 22.05 and 44.1 kHz, mono and stereo, 8 and 16 bits
  filled.wChannels = 2;
  filled.dwSupport = WAVECAPS_VOLUME | WAVECAPS_LRVOLUME | WAVECAPS_SAMPLEACCURATE;
  std::memcpy(caps, &filled, std::min<size_t>(size, sizeof(filled)));
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutOpen(LPHWAVEOUT device, UINT deviceId, LPCWAVEFORMATEX format,
                            DWORD_PTR callback, DWORD_PTR instance, DWORD flags) {
  const SoundDeviceKind kind = SelectedSoundDevice();
  const UINT count = kind == SoundDeviceKind::None ? 0 : 1;
  if (deviceId == WAVE_MAPPER) {
    if (count == 0) return MMSYSERR_NODRIVER;
    deviceId = 0;
  }
  if (deviceId >= count) return MMSYSERR_BADDEVICEID;
  if (format == nullptr) return MMSYSERR_INVALPARAM;
  const DWORD callbackKind = flags & CALLBACK_TYPEMASK;
  if (callbackKind != CALLBACK_NULL && callbackKind != CALLBACK_FUNCTION)
    return MMSYSERR_NOTSUPPORTED;
  if (flags & ~(CALLBACK_TYPEMASK | WAVE_FORMAT_QUERY | WAVE_ALLOWSYNC)) return MMSYSERR_INVALFLAG;

  PcmFormat pcm;
  pcm.channels = format->nChannels;
  pcm.samplesPerSec = format->nSamplesPerSec;
  pcm.bitsPerSample = format->wBitsPerSample;
  if (format->wFormatTag != WAVE_FORMAT_PCM || !win32::PlayableFormat(pcm) ||
      format->nBlockAlign != pcm.BlockAlign() || format->nAvgBytesPerSec != pcm.BytesPerSec())
    return WAVERR_BADFORMAT;
  if (flags & WAVE_FORMAT_QUERY) return MMSYSERR_NOERROR;
  if (device == nullptr) return MMSYSERR_INVALPARAM;
  *device = nullptr;

  auto opened = std::make_shared<WaveDevice>();
  opened->deviceId = deviceId;
  opened->format = pcm;
  if (callbackKind == CALLBACK_FUNCTION)
    opened->callback = reinterpret_cast<LPWAVEOUTPROC>(callback);
  opened->instance = instance;
  if (!opened->stream.Open(kind, pcm)) return MMSYSERR_ALLOCATED;
  {
    std::lock_guard<std::mutex> guard(tableLock);
    opened->handle = reinterpret_cast<HWAVEOUT>(nextHandle);
    nextHandle += 4;
    devices.emplace(reinterpret_cast<uintptr_t>(opened->handle), opened);
  }
  {
    std::lock_guard<std::mutex> guard(opened->lock);
    opened->Post(WOM_OPEN, nullptr);
  }
  // The thread keeps its device alive: a close from the device's own callback lets the thread
  // finish on its own.
  opened->thread = std::thread([opened] { opened->Run(); });
  *device = opened->handle;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutClose(HWAVEOUT device) {
  std::shared_ptr<WaveDevice> found = Find(device);
  if (found == nullptr) return MMSYSERR_INVALHANDLE;
  {
    std::lock_guard<std::mutex> guard(found->lock);
    if (!found->queue.empty()) return WAVERR_STILLPLAYING;
    if (found->closing) return MMSYSERR_INVALHANDLE;
    found->closing = true;
  }
  {
    std::lock_guard<std::mutex> guard(tableLock);
    devices.erase(reinterpret_cast<uintptr_t>(device));
  }
  found->changed.notify_all();
  // Closing from the device's own callback cannot wait for that thread.
  if (OnDeviceThread(*found))
    found->thread.detach();
  else
    found->thread.join();
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutPrepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) {
  std::shared_ptr<WaveDevice> found = Find(device);
  if (found == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> guard(found->lock);
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  if (header->lpData == nullptr && header->dwBufferLength != 0) return MMSYSERR_INVALPARAM;
  header->dwFlags |= WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutUnprepareHeader(HWAVEOUT device, LPWAVEHDR header, UINT size) {
  std::shared_ptr<WaveDevice> found = Find(device);
  if (found == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  std::lock_guard<std::mutex> guard(found->lock);
  if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
  header->dwFlags &= ~WHDR_PREPARED;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutWrite(HWAVEOUT device, LPWAVEHDR header, UINT size) {
  std::shared_ptr<WaveDevice> found = Find(device);
  if (found == nullptr) return MMSYSERR_INVALHANDLE;
  if (header == nullptr || size != sizeof(WAVEHDR)) return MMSYSERR_INVALPARAM;
  // A device taken away while it is open (unplugged) takes no more buffers.
  if (DeviceCount() == 0) return MMSYSERR_NODRIVER;
  {
    std::lock_guard<std::mutex> guard(found->lock);
    if (found->closing) return MMSYSERR_INVALHANDLE;
    if (!(header->dwFlags & WHDR_PREPARED)) return WAVERR_UNPREPARED;
    if (header->dwFlags & WHDR_INQUEUE) return WAVERR_STILLPLAYING;
    header->dwFlags = (header->dwFlags & ~WHDR_DONE) | WHDR_INQUEUE;
    found->queue.push_back(header);
  }
  found->changed.notify_all();
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutReset(HWAVEOUT device) {
  std::shared_ptr<WaveDevice> found = Find(device);
  if (found == nullptr) return MMSYSERR_INVALHANDLE;
  std::unique_lock<std::mutex> held(found->lock);
  for (WAVEHDR* header : found->queue) {
    header->dwFlags = (header->dwFlags & ~WHDR_INQUEUE) | WHDR_DONE;
    found->Post(WOM_DONE, header);
  }
  found->queue.clear();
  found->playedOfFront = 0;
  ++found->resets;
  found->changed.notify_all();
  if (!OnDeviceThread(*found)) found->WaitForDelivery(held);
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutGetVolume(HWAVEOUT device, DWORD* volume) {
  if (volume == nullptr) return MMSYSERR_INVALPARAM;
  if (!VolumeTarget(device)) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> guard(volumeLock);
  *volume = deviceVolume;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI waveOutSetVolume(HWAVEOUT device, DWORD volume) {
  if (!VolumeTarget(device)) return MMSYSERR_INVALHANDLE;
  std::lock_guard<std::mutex> guard(volumeLock);
  deviceVolume = volume;
  return MMSYSERR_NOERROR;
}

MMRESULT WINAPI timeSetEvent(UINT delay, UINT, LPTIMECALLBACK procedure, DWORD_PTR user,
                             UINT kind) {
  if (procedure == nullptr || kind != (TIME_ONESHOT | TIME_CALLBACK_FUNCTION)) return 0;
  if (delay < 1 || delay > 1000000) return 0;
  return Timers().Set(delay, procedure, user);
}

MMRESULT WINAPI timeKillEvent(UINT timerId) { return Timers().Kill(timerId); }
