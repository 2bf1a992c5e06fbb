#include "platform/wmasdk/AudioReader.h"

AudioReader::AudioReader(std::unique_ptr<AudioDecoder> decoder, IWMAudioReadCallback* callback)
    : decoder_(std::move(decoder)), attributes_(*decoder_), callback_(callback) {
  callback_->AddRef();
}

AudioReader::~AudioReader() { callback_->Release(); }

HRESULT WINAPI AudioReader::QueryInterface(REFIID riid, void** object) {
  if (object == nullptr) return E_POINTER;
  if (riid == IID_IUnknown) {
    AddRef();
    *object = static_cast<IUnknown*>(this);
    return S_OK;
  }
  return E_NOINTERFACE;
}

ULONG WINAPI AudioReader::AddRef() { return ++references_; }

ULONG WINAPI AudioReader::Release() {
  const ULONG remaining = --references_;
  if (remaining != 0) return remaining;
  if (OnDeliveryThread()) {
    // Released from inside a callback: the delivery thread ends and frees the reader.
    stopRequested_ = true;
    releaseOnExit_ = true;
    return 0;
  }
  Stop();
  JoinDelivery();
  delete this;
  return 0;
}

HRESULT WINAPI AudioReader::Reserved() { return E_NOTIMPL; }

HRESULT WINAPI AudioReader::GetAttributeCount(WORD* count) {
  if (count == nullptr) return E_POINTER;
  *count = attributes_.Count();
  return S_OK;
}

HRESULT WINAPI AudioReader::GetAttributeByIndex(WORD index, WCHAR* name, WORD* nameLength,
                                                WMT_ATTR_DATATYPE* type, BYTE* value,
                                                WORD* valueLength) {
  return attributes_.Get(index, name, nameLength, type, value, valueLength);
}

HRESULT WINAPI AudioReader::GetOutputFormat(WAVEFORMATEX* format, DWORD size) {
  if (format == nullptr) return E_POINTER;
  if (size < sizeof(WAVEFORMATEX)) return E_INVALIDARG;
  const uint32_t channels = decoder_->Channels();
  const uint32_t bits = AudioDecoder::BitsPerSample;
  format->wFormatTag = WAVE_FORMAT_PCM;
  format->nChannels = static_cast<WORD>(channels);
  format->nSamplesPerSec = decoder_->SampleRate();
  format->nBlockAlign = static_cast<WORD>(channels * bits / 8);
  format->nAvgBytesPerSec = decoder_->SampleRate() * format->nBlockAlign;
  format->wBitsPerSample = static_cast<WORD>(bits);
  format->cbSize = 0;
  return S_OK;
}

bool AudioReader::OnDeliveryThread() const {
  return deliveryId_.load() == std::this_thread::get_id();
}

void AudioReader::JoinDelivery() {
  if (delivery_.joinable()) delivery_.join();
}

HRESULT WINAPI AudioReader::Start() {
  if (OnDeliveryThread()) return E_FAIL;  // a callback cannot restart its own thread
  std::lock_guard<std::mutex> guard(control_);
  if (delivering_ && !stopRequested_) return S_OK;  // running already
  JoinDelivery();
  stopRequested_ = false;
  delivering_ = true;
  try {
    delivery_ = std::thread([this] { Deliver(); });
  } catch (...) {
    // No thread to deliver on (the process is out of threads or memory).
    delivering_ = false;
    return E_FAIL;
  }
  return S_OK;
}

HRESULT WINAPI AudioReader::Stop() {
  stopRequested_ = true;
  // From inside a callback the thread ends when the callback returns; it makes no further call.
  if (OnDeliveryThread()) return S_OK;
  std::lock_guard<std::mutex> guard(control_);
  JoinDelivery();
  return S_OK;
}

HRESULT WINAPI AudioReader::Seek(DWORD msTime) {
  std::lock_guard<std::mutex> guard(decoding_);
  hasPending_ = false;
  pending_.clear();
  return decoder_->Seek(msTime) ? S_OK : E_FAIL;
}

void AudioReader::Deliver() {
  deliveryId_ = std::this_thread::get_id();
  std::vector<uint8_t> block;
  while (!stopRequested_) {
    AudioDecoder::Step step;
    uint32_t time = 0;
    {
      std::lock_guard<std::mutex> guard(decoding_);
      if (hasPending_) {
        block.swap(pending_);
        time = pendingTime_;
        hasPending_ = false;
        step = AudioDecoder::Step::Block;
      } else {
        // Nothing the decoding raises (memory it cannot have) leaves this thread: it is a
        // failure to read the file like any other.
        try {
          step = decoder_->Next(block, time);
        } catch (...) {
          step = AudioDecoder::Step::Failed;
        }
      }
      if (step == AudioDecoder::Step::Block && stopRequested_) {
        // Keep it for the next Start: a stop loses no sample.
        pending_.swap(block);
        pendingTime_ = time;
        hasPending_ = true;
        break;
      }
    }
    if (step == AudioDecoder::Step::Block) {
      callback_->OnSample(block.data(), static_cast<DWORD>(block.size()), time);
      continue;
    }
    if (stopRequested_) break;
    // Nothing more to deliver: a Start from now on begins a new delivery (after this one).
    delivering_ = false;
    if (step == AudioDecoder::Step::End)
      callback_->OnStatus(WMT_EOF, S_OK, nullptr);
    else
      callback_->OnStatus(WMT_READ_ERROR, E_FAIL, nullptr);
    break;
  }
  deliveryId_ = std::thread::id();
  delivering_ = false;
  if (releaseOnExit_) {
    {
      // Start may still be storing this very thread into delivery_.
      std::lock_guard<std::mutex> guard(control_);
      delivery_.detach();
    }
    delete this;
  }
}
