#include "engine/modules/common/DirectSoundOutput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/modules/common/ModuleFailure.h"
#include "platform/win32/Window.h"

namespace {

constexpr auto SpaceWait = std::chrono::milliseconds(50);
// How often a drain asks whether it is to give up.
constexpr auto DrainPoll = std::chrono::milliseconds(10);
// 10000 / 65535: the wave volume's left value to hundredths of a decibel.
constexpr double VolumeToAttenuation = 0.15259021896696423;

}  // namespace

void DirectSoundOutput::AutoResetEvent::Set() {
  {
    std::lock_guard<std::mutex> guard(lock_);
    set_ = true;
  }
  signalled_.notify_one();
}

void DirectSoundOutput::AutoResetEvent::Reset() {
  std::lock_guard<std::mutex> guard(lock_);
  set_ = false;
}

bool DirectSoundOutput::AutoResetEvent::Wait(std::chrono::milliseconds limit) {
  std::unique_lock<std::mutex> held(lock_);
  if (!signalled_.wait_for(held, limit, [&] { return set_; })) return false;
  set_ = false;
  return true;
}

DirectSoundOutput::DirectSoundOutput(ModuleErrorCode& errors, std::atomic<bool>& seekInProgress)
    : errors_(errors), seekInProgress_(seekInProgress) {}

void DirectSoundOutput::ReleaseObjects() {
  std::lock_guard<std::mutex> guard(bufferLock_);
  if (buffer_ != nullptr) buffer_->Release();
  buffer_ = nullptr;
  if (object_ != nullptr) object_->Release();
  object_ = nullptr;
}

void DirectSoundOutput::Open(const OutputSettings& settings, bool comUsable) {
  if (!comUsable) RaiseModuleFailure(qvInternalError);
  IDirectSound* object = nullptr;
  if (FAILED(CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER, IID_IDirectSound,
                              reinterpret_cast<void**>(&object))) ||
      object == nullptr)
    RaiseModuleFailure(qvOutputFailure);
  {
    std::lock_guard<std::mutex> guard(bufferLock_);
    object_ = object;
  }
  if (FAILED(object->Initialize(nullptr)) ||
      FAILED(object->SetCooperativeLevel(settings.Window, DSSCL_PRIORITY))) {
    ReleaseObjects();
    RaiseModuleFailure(qvOutputFailure);
  }

  const auto bits = static_cast<uint32_t>(settings.BitsPerSample);
  const auto channels = static_cast<uint32_t>(settings.Channels);
  WAVEFORMATEX format{};
  format.wFormatTag = WAVE_FORMAT_PCM;
  format.nChannels = static_cast<WORD>(channels);
  format.nSamplesPerSec = settings.SampleRate;
  format.nAvgBytesPerSec = bits / 8 * channels * settings.SampleRate;
  format.nBlockAlign = static_cast<WORD>(bits / 8 * channels);
  format.wBitsPerSample = static_cast<WORD>(bits);
  format.cbSize = 0;
  const uint32_t capacity = static_cast<uint32_t>(std::max(settings.BuffersCount, 0)) *
                            static_cast<uint32_t>(std::max(settings.BufferSize, 0));
  DSBUFFERDESC desc{};
  desc.dwSize = sizeof(DSBUFFERDESC);
  desc.dwFlags = DSBCAPS_GLOBALFOCUS | DSBCAPS_CTRLVOLUME;
  desc.dwBufferBytes = capacity;
  desc.dwReserved = 0;
  desc.lpwfxFormat = &format;
  IDirectSoundBuffer* buffer = nullptr;
  if (FAILED(object->CreateSoundBuffer(&desc, &buffer, nullptr)) || buffer == nullptr) {
    ReleaseObjects();
    RaiseModuleFailure(qvOutputFailure);
  }
  // The buffer may round the size to whole sample frames: the ring follows it.
  DSBCAPS caps{};
  caps.dwSize = sizeof(DSBCAPS);
  capacity_ =
      SUCCEEDED(buffer->GetCaps(&caps)) && caps.dwBufferBytes != 0 ? caps.dwBufferBytes : capacity;
  {
    std::lock_guard<std::mutex> guard(bufferLock_);
    buffer_ = buffer;
  }
  settings_ = &settings;
  blockSize_.store(static_cast<uint32_t>(std::max(settings.BufferSize, 0)));
  silence_ = bits == 16 ? 0 : 0x80;
  frameDuration_ = settings.FrameDuration;
  bytesPerSec_ = (bits * channels * settings.SampleRate) >> 3;
  ringSpace_.Set();
  ringDrained_.Reset();
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    ring_.assign(capacity_, 0);
    fill_ = 0;
    feedCursor_ = 0;
  }
  {
    std::lock_guard<std::mutex> guard(timerLock_);
    timerId_ = 0;
    closing_ = false;
  }
  feedDraining_.store(false);
  feedPlaying_.store(false);
  feedFailed_.store(false);
  stopped_.store(false);
}

uint32_t DirectSoundOutput::FeedDelay() const {
  int64_t delay = 0;
  if (frameDuration_ > 0.0) {
    // Just under one frame of the stream (a module that has frames).
    delay = static_cast<int64_t>(std::floor(frameDuration_)) - 1;
  } else if (bytesPerSec_ != 0) {
    // The playing time of one block.
    delay = blockSize_.load() * 1000u / bytesPerSec_;
  }
  // The timer takes no delay below 1 ms.
  return static_cast<uint32_t>(std::clamp<int64_t>(delay, 1, 1000000));
}

void DirectSoundOutput::Arm() {
  std::lock_guard<std::mutex> guard(timerLock_);
  if (closing_) return;
  timerId_ =
      timeSetEvent(FeedDelay(), 0, FeedTimerProc, reinterpret_cast<DWORD_PTR>(this), TIME_ONESHOT);
  if (timerId_ == 0) FeedFailed();
}

void DirectSoundOutput::FeedFailed() {
  errors_.Set(qvOutputFailure);
  feedFailed_.store(true);
  // Nobody waits for a feed that no longer runs.
  ringSpace_.Set();
  ringDrained_.Set();
}

// Silences the bytes at the feed cursor; the cursor stays, so the next sound follows on from
// the last.
bool DirectSoundOutput::FillSilence(uint32_t bytes) {
  std::lock_guard<std::mutex> guard(ringLock_);
  void* first = nullptr;
  void* second = nullptr;
  DWORD firstBytes = 0;
  DWORD secondBytes = 0;
  if (FAILED(buffer_->Lock(feedCursor_, bytes, &first, &firstBytes, &second, &secondBytes, 0)))
    return false;
  std::memset(first, silence_, firstBytes);
  if (second != nullptr) std::memset(second, silence_, secondBytes);
  buffer_->Unlock(first, firstBytes, second, secondBytes);
  return true;
}

bool DirectSoundOutput::CopyFromRing(uint32_t bytes) {
  bool space;
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    void* first = nullptr;
    void* second = nullptr;
    DWORD firstBytes = 0;
    DWORD secondBytes = 0;
    if (FAILED(buffer_->Lock(feedCursor_, bytes, &first, &firstBytes, &second, &secondBytes, 0)))
      return false;
    if (second == nullptr) secondBytes = 0;
    std::memcpy(first, ring_.data(), firstBytes);
    if (secondBytes != 0) std::memcpy(second, ring_.data() + firstBytes, secondBytes);
    const uint32_t moved = firstBytes + secondBytes;
    std::memmove(ring_.data(), ring_.data() + moved, fill_ - moved);
    fill_ -= moved;
    buffer_->Unlock(first, firstBytes, second, secondBytes);
    feedCursor_ = (feedCursor_ + moved) % capacity_;
    ahead_ += moved;
    space = capacity_ - fill_ >= blockSize_.load();
  }
  if (space) ringSpace_.Set();
  return true;
}

// The buffer becomes silent but for what the ring holds, which goes in at its start, so the
// first sound heard is the first block.
void DirectSoundOutput::StartFeed() {
  if (stopped_.load()) return;
  // Blocks after a drain that played everything out (a seek sent the run back to decoding)
  // play as any others.
  feedDraining_.store(false);
  buffer_->SetCurrentPosition(0);
  uint32_t fill;
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    feedCursor_ = 0;
    ahead_ = 0;
    lastPlay_ = 0;
    fill = fill_;
  }
  FillSilence(capacity_);
  if (fill != 0) CopyFromRing(fill);
  HWND focused = GetFocus();
  SetFocus(settings_->Window);
  HRESULT played;
  {
    // A stop that came meanwhile keeps the buffer silent.
    std::lock_guard<std::mutex> guard(bufferLock_);
    played = stopped_.load() ? S_OK : buffer_->Play(0, 0, DSBPLAY_LOOPING);
  }
  SetFocus(focused);
  if (FAILED(played)) RaiseModuleFailure(qvOutputFailure);
  if (stopped_.load()) return;
  {
    // The first feed comes at once: the buffer holds only the first block, which may play
    // no longer than one delay.
    std::lock_guard<std::mutex> guard(timerLock_);
    timerId_ = timeSetEvent(1, 0, FeedTimerProc, reinterpret_cast<DWORD_PTR>(this), TIME_ONESHOT);
    if (timerId_ == 0) RaiseModuleFailure(qvOutputFailure);
  }
  feedPlaying_.store(true);
}

void CALLBACK DirectSoundOutput::FeedTimerProc(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
  reinterpret_cast<DirectSoundOutput*>(user)->FeedTimer();
}

void DirectSoundOutput::FeedTimer() {
  std::lock_guard<std::mutex> run(feedRun_);
  {
    std::lock_guard<std::mutex> guard(timerLock_);
    if (closing_) return;
    if (timerId_ != 0) timeKillEvent(timerId_);
    timerId_ = 0;
  }
  // A stopped output is fed no more.
  if (stopped_.load()) {
    ringDrained_.Set();
    return;
  }
  DWORD play = 0;
  DWORD write = 0;
  if (FAILED(buffer_->GetCurrentPosition(&play, &write))) {
    FeedFailed();
    return;
  }
  bool playedOut;
  uint32_t fill;
  uint32_t writable;
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    const uint32_t moved = (play + capacity_ - lastPlay_) % capacity_;
    lastPlay_ = play;
    // The play cursor at or past the feed cursor: all the sound fed has played.
    playedOut = moved >= ahead_;
    ahead_ = playedOut ? 0 : ahead_ - moved;
    // What lies between the play and the write cursor is the device's already: sound that has
    // run out, or no longer reaches past it, goes on after it.
    const uint32_t taken = (write + capacity_ - play) % capacity_;
    if (playedOut || ahead_ < taken) {
      feedCursor_ = write % capacity_;
      ahead_ = taken;
    }
    writable = capacity_ - ahead_;
    fill = fill_;
  }
  if (feedDraining_.load() && fill == 0 && playedOut) {
    if (feedPlaying_.load()) {
      buffer_->Stop();
      feedPlaying_.store(false);
    }
    ringDrained_.Set();
    return;
  }
  if (writable > 0) {
    bool fed;
    if (fill == 0)
      fed = FillSilence(writable);
    else if (fill >= writable)
      fed = CopyFromRing(writable);
    else
      fed = CopyFromRing(fill) && FillSilence(writable - fill);
    if (!fed) {
      FeedFailed();
      return;
    }
  }
  Arm();
}

bool DirectSoundOutput::Append(const uint8_t* data, uint32_t length) {
  std::lock_guard<std::mutex> guard(ringLock_);
  if (fill_ + length >= capacity_) return false;
  std::memcpy(ring_.data() + fill_, data, length);
  fill_ += length;
  if (capacity_ - fill_ < blockSize_.load()) ringSpace_.Reset();
  return true;
}

void DirectSoundOutput::WriteToRing(const uint8_t* data, uint32_t length) {
  for (;;) {
    if (Append(data, length)) return;
    if (feedDraining_.load() || stopped_.load()) return;
    for (;;) {
      if (feedFailed_.load()) RaiseModuleFailure(qvOutputFailure);
      const bool signalled = ringSpace_.Wait(SpaceWait);
      if (feedDraining_.load() || stopped_.load()) return;
      if (signalled) break;
    }
  }
}

void DirectSoundOutput::Write(const void* data, uint32_t length) {
  if (stopped_.load()) return;
  blockSize_.store(static_cast<uint32_t>(std::max(settings_->BufferSize, 0)));
  if (seekInProgress_.load()) {
    if (!feedPlaying_.load()) StartFeed();
    return;
  }
  if (feedFailed_.load()) RaiseModuleFailure(qvOutputFailure);
  const auto* bytes = static_cast<const uint8_t*>(data);
  // A block the ring could never hold whole goes in halves of the ring, sample frames kept
  // together; every other block goes whole.
  const uint32_t align = std::max<uint32_t>(
      static_cast<uint32_t>(settings_->Channels * settings_->BitsPerSample / 8), 1);
  uint32_t piece = length;
  if (length >= capacity_) piece = std::max(capacity_ / 2 / align * align, 1u);
  while (length > 0) {
    const uint32_t count = std::min(piece, length);
    // The empty ring of a buffer not yet playing takes the first piece at once.
    WriteToRing(bytes, count);
    if (!feedPlaying_.load()) StartFeed();
    if (feedDraining_.load() || stopped_.load()) return;
    bytes += count;
    length -= count;
  }
}

bool DirectSoundOutput::Drain(const std::function<bool()>& interrupted) {
  feedDraining_.store(true);
  for (;;) {
    // Playback that never started, has been stopped or has played out (the FeedTimer stops
    // the buffer before it signals), or a feed that no longer runs: nothing to wait for.
    if (!feedPlaying_.load() || feedFailed_.load() || stopped_.load()) return true;
    if (ringDrained_.Wait(DrainPoll)) continue;
    if (interrupted && interrupted()) {
      feedDraining_.store(false);
      return false;
    }
  }
}

void DirectSoundOutput::Stop() {
  {
    std::lock_guard<std::mutex> guard(bufferLock_);
    stopped_.store(true);
    if (buffer_ != nullptr) buffer_->Stop();
  }
  // A writer waiting for space and a drain go on at once.
  ringSpace_.Set();
  ringDrained_.Set();
}

void DirectSoundOutput::Close() {
  UINT armed;
  {
    std::lock_guard<std::mutex> guard(timerLock_);
    closing_ = true;
    armed = timerId_;
    timerId_ = 0;
  }
  feedDraining_.store(true);
  if (armed != 0) timeKillEvent(armed);
  // A run under way ends without re-arming; wait for it.
  { std::lock_guard<std::mutex> run(feedRun_); }
  if (feedPlaying_.load()) {
    buffer_->Stop();
    feedPlaying_.store(false);
  }
  ReleaseObjects();
  {
    std::lock_guard<std::mutex> guard(ringLock_);
    std::vector<uint8_t>().swap(ring_);
    fill_ = 0;
  }
  ringSpace_.Reset();
  ringDrained_.Reset();
  settings_ = nullptr;
}

bool DirectSoundOutput::HasBuffer() const {
  std::lock_guard<std::mutex> guard(bufferLock_);
  return buffer_ != nullptr;
}

bool DirectSoundOutput::SetVolume(uint32_t volume) {
  std::lock_guard<std::mutex> guard(bufferLock_);
  if (buffer_ == nullptr) return false;
  const double left = volume & 0xFFFF;
  // Truncated toward zero: 0 gives -10000, 32767 gives -5000, 65535 gives 0.
  buffer_->SetVolume(static_cast<LONG>(left * VolumeToAttenuation - 10000.0));
  return true;
}

bool DirectSoundOutput::GetVolume(uint32_t* volume) {
  std::lock_guard<std::mutex> guard(bufferLock_);
  if (buffer_ == nullptr) return false;
  LONG attenuation = 0;
  buffer_->GetVolume(&attenuation);
  const auto level = static_cast<uint32_t>((attenuation + 10000) * 6.5535);
  if (volume != nullptr) *volume = level * 65537u;
  return true;
}
