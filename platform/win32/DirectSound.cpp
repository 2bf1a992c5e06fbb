#include "platform/win32/DirectSound.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#include "platform/win32/SoundDevice.h"

using win32::PcmFormat;
using win32::SoundDeviceKind;

const CLSID CLSID_DirectSound = {
    0x47D4D946, 0x62E8, 0x11CF, {0x93, 0xBC, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
const IID IID_IDirectSound = {
    0x279AFA83, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};
const IID IID_IDirectSoundBuffer = {
    0x279AFA85, 0x4981, 0x11CE, {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

namespace {

// Flags a secondary buffer may be made with here: volume is the only control.
constexpr DWORD SupportedBufferFlags = DSBCAPS_STATIC | DSBCAPS_LOCSOFTWARE | DSBCAPS_CTRLVOLUME |
                                       DSBCAPS_STICKYFOCUS | DSBCAPS_GLOBALFOCUS |
                                       DSBCAPS_GETCURRENTPOSITION2;

// The buffer plays in pieces of 10 ms: the play cursor moves by one piece at a time.
constexpr uint32_t PieceMilliseconds = 10;

using Clock = std::chrono::steady_clock;

double Gain(LONG hundredthsOfDecibel) {
  if (hundredthsOfDecibel <= DSBVOLUME_MIN) return 0.0;
  return std::pow(10.0, hundredthsOfDecibel / 2000.0);
}

class SoundBuffer final : public IDirectSoundBuffer {
 public:
  SoundBuffer(const PcmFormat& format, const WAVEFORMATEX& record, DWORD flags, DWORD bytes)
      : format_(format),
        record_(record),
        flags_(flags),
        memory_(bytes, format.bitsPerSample == 8 ? 0x80 : 0) {
    const uint32_t align = format.BlockAlign();
    piece_ = std::max(align, format.BytesPerSec() * PieceMilliseconds / 1000 / align * align);
  }

  bool Start(SoundDeviceKind kind) {
    if (!stream_.Open(kind, format_)) return false;
    player_ = std::thread([this] { Run(); });
    return true;
  }

  HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirectSoundBuffer) {
      AddRef();
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return ++references_; }
  ULONG WINAPI Release() override {
    const ULONG left = --references_;
    if (left == 0) {
      {
        std::lock_guard<std::mutex> guard(lock_);
        released_ = true;
      }
      changed_.notify_all();
      // A buffer whose device could not be opened never started its player.
      if (player_.joinable()) player_.join();
      stream_.Close();
      delete this;
    }
    return left;
  }

  HRESULT WINAPI GetCaps(LPDSBCAPS caps) override {
    if (caps == nullptr || caps->dwSize != sizeof(DSBCAPS)) return DSERR_INVALIDPARAM;
    caps->dwFlags = flags_ | DSBCAPS_LOCSOFTWARE;
    caps->dwBufferBytes = static_cast<DWORD>(memory_.size());
    caps->dwUnlockTransferRate = 0;
    caps->dwPlayCpuOverhead = 0;
    return DS_OK;
  }
  HRESULT WINAPI GetCurrentPosition(DWORD* play, DWORD* write) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (play != nullptr) *play = cursor_;
    // Playing, the device holds the piece at the cursor: writing may start after it.
    if (write != nullptr)
      *write = playing_ ? static_cast<DWORD>((cursor_ + piece_) % memory_.size()) : cursor_;
    return DS_OK;
  }
  HRESULT WINAPI GetFormat(LPWAVEFORMATEX format, DWORD size, DWORD* written) override {
    if (format == nullptr) {
      if (written == nullptr) return DSERR_INVALIDPARAM;
      *written = sizeof(WAVEFORMATEX);
      return DS_OK;
    }
    if (size < sizeof(WAVEFORMATEX)) return DSERR_INVALIDPARAM;
    std::memcpy(format, &record_, sizeof(WAVEFORMATEX));
    if (written != nullptr) *written = sizeof(WAVEFORMATEX);
    return DS_OK;
  }
  HRESULT WINAPI GetVolume(LONG* volume) override {
    if (volume == nullptr) return DSERR_INVALIDPARAM;
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    *volume = volume_.load();
    return DS_OK;
  }
  HRESULT WINAPI GetPan(LONG*) override { return DSERR_CONTROLUNAVAIL; }
  HRESULT WINAPI GetFrequency(DWORD*) override { return DSERR_CONTROLUNAVAIL; }
  HRESULT WINAPI GetStatus(DWORD* status) override {
    if (status == nullptr) return DSERR_INVALIDPARAM;
    std::lock_guard<std::mutex> guard(lock_);
    *status = (playing_ ? DSBSTATUS_PLAYING : 0) | (playing_ && looping_ ? DSBSTATUS_LOOPING : 0);
    return DS_OK;
  }
  HRESULT WINAPI Initialize(IDirectSound*, LPCDSBUFFERDESC) override {
    return DSERR_ALREADYINITIALIZED;
  }
  HRESULT WINAPI Lock(DWORD offset, DWORD bytes, LPVOID* first, DWORD* firstBytes, LPVOID* second,
                      DWORD* secondBytes, DWORD flags) override {
    if (first == nullptr || firstBytes == nullptr) return DSERR_INVALIDPARAM;
    const auto size = static_cast<DWORD>(memory_.size());
    if (flags & DSBLOCK_FROMWRITECURSOR) GetCurrentPosition(nullptr, &offset);
    if (flags & DSBLOCK_ENTIREBUFFER) bytes = size;
    if (offset >= size || bytes == 0 || bytes > size) return DSERR_INVALIDPARAM;
    const DWORD head = std::min(bytes, size - offset);
    const DWORD tail = bytes - head;
    if (tail != 0 && (second == nullptr || secondBytes == nullptr)) return DSERR_INVALIDPARAM;
    *first = memory_.data() + offset;
    *firstBytes = head;
    if (second != nullptr) *second = tail != 0 ? memory_.data() : nullptr;
    if (secondBytes != nullptr) *secondBytes = tail;
    // The player takes no piece while a region is locked: what the caller writes reaches it
    // whole.
    std::lock_guard<std::mutex> guard(lock_);
    ++locked_;
    return DS_OK;
  }
  HRESULT WINAPI Play(DWORD, DWORD, DWORD flags) override {
    {
      std::lock_guard<std::mutex> guard(lock_);
      playing_ = true;
      looping_ = (flags & DSBPLAY_LOOPING) != 0;
    }
    changed_.notify_all();
    return DS_OK;
  }
  HRESULT WINAPI SetCurrentPosition(DWORD position) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (position >= memory_.size()) return DSERR_INVALIDPARAM;
    cursor_ = position - position % format_.BlockAlign();
    ++moves_;
    return DS_OK;
  }
  HRESULT WINAPI SetFormat(const WAVEFORMATEX*) override { return DSERR_INVALIDCALL; }
  HRESULT WINAPI SetVolume(LONG volume) override {
    if (!(flags_ & DSBCAPS_CTRLVOLUME)) return DSERR_CONTROLUNAVAIL;
    if (volume < DSBVOLUME_MIN || volume > DSBVOLUME_MAX) return DSERR_INVALIDPARAM;
    volume_.store(volume);
    return DS_OK;
  }
  HRESULT WINAPI SetPan(LONG) override { return DSERR_CONTROLUNAVAIL; }
  HRESULT WINAPI SetFrequency(DWORD) override { return DSERR_CONTROLUNAVAIL; }
  HRESULT WINAPI Stop() override {
    std::lock_guard<std::mutex> guard(lock_);
    playing_ = false;
    ++moves_;
    return DS_OK;
  }
  HRESULT WINAPI Unlock(LPVOID first, DWORD firstBytes, LPVOID, DWORD secondBytes) override {
    const auto* at = static_cast<const uint8_t*>(first);
    const uint8_t* begin = memory_.data();
    if (at < begin || at + firstBytes > begin + memory_.size() || secondBytes > memory_.size())
      return DSERR_INVALIDPARAM;
    {
      std::lock_guard<std::mutex> guard(lock_);
      if (locked_ > 0) --locked_;
    }
    changed_.notify_all();
    return DS_OK;
  }
  HRESULT WINAPI Restore() override { return DS_OK; }

 private:
  ~SoundBuffer() = default;

  // Plays the piece at the play cursor and moves the cursor past it, while playing.
  //
  // A device may take samples faster than it plays them (ALSA's null and file plugins take
  // them at once): the cursor keeps to the buffer's rate all the same, moving past a piece no
  // sooner than the piece before it has had its time.
  void Run() {
    std::vector<uint8_t> piece(piece_);
    Clock::time_point due{};  // when the pieces handed to the device end at the buffer's rate
    std::unique_lock<std::mutex> held(lock_);
    for (;;) {
      changed_.wait(held, [&] { return released_ || (playing_ && locked_ == 0); });
      if (released_) return;
      const size_t size = memory_.size();
      const size_t count = std::min<size_t>(piece_, size);
      const size_t head = std::min(count, size - cursor_);
      std::memcpy(piece.data(), memory_.data() + cursor_, head);
      std::memcpy(piece.data() + head, memory_.data(), count - head);
      const uint64_t moves = moves_;
      held.unlock();
      const double gain = Gain(volume_.load());
      const std::chrono::microseconds length(count * 1000000 / format_.BytesPerSec());
      due = std::max(due, Clock::now()) + length;
      stream_.Write(piece.data(), count, gain, gain);
      std::this_thread::sleep_until(due - length);
      held.lock();
      // A Stop or a new position while the piece played leaves the cursor where it was put.
      if (moves != moves_) continue;
      const size_t next = cursor_ + count;
      if (next >= size && !looping_) {
        cursor_ = 0;
        playing_ = false;
        continue;
      }
      cursor_ = static_cast<DWORD>(next % size);
    }
  }

  std::atomic<ULONG> references_{1};
  const PcmFormat format_;
  const WAVEFORMATEX record_;
  const DWORD flags_;
  std::vector<uint8_t> memory_;
  uint32_t piece_ = 0;
  std::atomic<LONG> volume_{DSBVOLUME_MAX};

  std::mutex lock_;
  std::condition_variable changed_;
  DWORD cursor_ = 0;
  bool playing_ = false;
  bool looping_ = false;
  uint64_t moves_ = 0;
  int locked_ = 0;  // regions locked and not yet unlocked
  bool released_ = false;
  win32::SoundStream stream_;
  std::thread player_;
};

class SoundObject final : public IDirectSound {
 public:
  HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirectSound) {
      AddRef();
      *object = this;
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG WINAPI AddRef() override { return ++references_; }
  ULONG WINAPI Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT WINAPI CreateSoundBuffer(LPCDSBUFFERDESC desc, LPDIRECTSOUNDBUFFER* buffer,
                                   IUnknown* outer) override {
    if (buffer == nullptr || desc == nullptr || desc->dwSize != sizeof(DSBUFFERDESC))
      return DSERR_INVALIDPARAM;
    *buffer = nullptr;
    if (outer != nullptr) return DSERR_NOAGGREGATION;
    std::lock_guard<std::mutex> guard(lock_);
    if (!initialised_) return DSERR_UNINITIALIZED;
    if (level_ == 0) return DSERR_PRIOLEVELNEEDED;
    if (desc->dwFlags & DSBCAPS_PRIMARYBUFFER) return DSERR_UNSUPPORTED;
    if (desc->dwFlags & ~SupportedBufferFlags) return DSERR_CONTROLUNAVAIL;
    const WAVEFORMATEX* record = desc->lpwfxFormat;
    if (record == nullptr) return DSERR_INVALIDPARAM;
    PcmFormat format;
    format.channels = record->nChannels;
    format.samplesPerSec = record->nSamplesPerSec;
    format.bitsPerSample = record->wBitsPerSample;
    if (record->wFormatTag != WAVE_FORMAT_PCM || !win32::PlayableFormat(format) ||
        record->nBlockAlign != format.BlockAlign() ||
        record->nAvgBytesPerSec != format.BytesPerSec())
      return DSERR_BADFORMAT;
    if (desc->dwBufferBytes < DSBSIZE_MIN || desc->dwBufferBytes > DSBSIZE_MAX)
      return DSERR_INVALIDPARAM;
    // Whole sample frames only.
    const DWORD bytes = std::max(format.BlockAlign(),
                                 desc->dwBufferBytes - desc->dwBufferBytes % format.BlockAlign());
    auto* made = new (std::nothrow) SoundBuffer(format, *record, desc->dwFlags, bytes);
    if (made == nullptr) return DSERR_OUTOFMEMORY;
    if (!made->Start(kind_)) {
      made->Release();
      return DSERR_ALLOCATED;
    }
    *buffer = made;
    return DS_OK;
  }
  HRESULT WINAPI GetCaps(LPDSCAPS) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI DuplicateSoundBuffer(LPDIRECTSOUNDBUFFER,
                                      LPDIRECTSOUNDBUFFER* duplicate) override {
    if (duplicate != nullptr) *duplicate = nullptr;
    return DSERR_UNSUPPORTED;
  }
  HRESULT WINAPI SetCooperativeLevel(HWND window, DWORD level) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (!initialised_) return DSERR_UNINITIALIZED;
    if (window == nullptr || level < DSSCL_NORMAL || level > DSSCL_WRITEPRIMARY)
      return DSERR_INVALIDPARAM;
    level_ = level;
    return DS_OK;
  }
  HRESULT WINAPI Compact() override {
    std::lock_guard<std::mutex> guard(lock_);
    return initialised_ ? DS_OK : DSERR_UNINITIALIZED;
  }
  HRESULT WINAPI GetSpeakerConfig(DWORD*) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI SetSpeakerConfig(DWORD) override { return DSERR_UNSUPPORTED; }
  HRESULT WINAPI Initialize(LPCGUID device) override {
    std::lock_guard<std::mutex> guard(lock_);
    if (initialised_) return DSERR_ALREADYINITIALIZED;
    // Only the default device exists.
    if (device != nullptr) return DSERR_NODRIVER;
    const SoundDeviceKind kind = win32::SelectedSoundDevice();
    if (kind == SoundDeviceKind::None) return DSERR_NODRIVER;
    kind_ = kind;
    initialised_ = true;
    return DS_OK;
  }

 private:
  ~SoundObject() = default;

  std::atomic<ULONG> references_{1};
  std::mutex lock_;
  bool initialised_ = false;
  DWORD level_ = 0;
  SoundDeviceKind kind_ = SoundDeviceKind::None;
};

HRESULT CreateSoundObject(REFIID riid, void** object) {
  auto* made = new (std::nothrow) SoundObject;
  if (made == nullptr) return E_OUTOFMEMORY;
  const HRESULT result = made->QueryInterface(riid, object);
  made->Release();
  return result;
}

[[maybe_unused]] const bool classRegistered = (RegisterDirectSoundClass(), true);

}  // namespace

void RegisterDirectSoundClass() { RegisterComClass(CLSID_DirectSound, CreateSoundObject); }
