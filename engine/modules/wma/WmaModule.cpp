#include "engine/modules/wma/WmaModule.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <optional>
#include <string_view>

#include "engine/modules/common/HandleCheck.h"
#include "engine/modules/common/InputFile.h"
#include "engine/modules/common/ModuleFailure.h"
#include "engine/modules/common/ModuleOperation.h"
#include "engine/modules/wma/CodePage.h"
#include "engine/modules/wma/ModuleState.h"
#include "engine/modules/wma/PlayerHandle.h"
#include "platform/win32/Files.h"

namespace wma {

namespace {

constexpr ModuleTexts WmaTexts{"Windows Media Audio", "*.wma",
                               "Windows Media Audio decoder for Brassel, by Ormund 2026", 210};

constexpr size_t NameRoom = 1024;  // wide characters for the input name
constexpr WORD AttributeNameBytes = 1024;
constexpr WORD AttributeValueBytes = 512;

// The text attributes that fill the metadata slots, in slot order.
constexpr std::u16string_view SlotAttributes[MetadataSlotCount] = {
    u"Title", u"Author", u"WM/AlbumTitle", u"Copyright", u"Description", u"WM/Genre", u"WM/Year"};

PlayerHandle& Handle(ModulePlayer& player) { return static_cast<PlayerHandle&>(player); }

// A UTF-16 text from a buffer of the SDK, up to its terminator, never past the bytes given.
std::u16string_view BoundedText(const char16_t* text, size_t bytes) {
  const size_t room = bytes / 2;
  size_t length = 0;
  while (length < room && text[length] != 0) ++length;
  return {text, length};
}

uint32_t ReadNumber(const BYTE* value) {
  return static_cast<uint32_t>(value[0]) | (static_cast<uint32_t>(value[1]) << 8) |
         (static_cast<uint32_t>(value[2]) << 16) | (static_cast<uint32_t>(value[3]) << 24);
}

void ReadAttributes(PlayerHandle& handle) {
  ModuleState& state = handle.State;
  WORD count = 0;
  if (handle.Reader->GetAttributeCount(&count) != S_OK) RaiseModuleFailure(qvInputFailure);
  state.Output.SampleRate = 0;
  for (WORD index = 0; index < count; ++index) {
    char16_t name[AttributeNameBytes / 2] = {};
    alignas(char16_t) BYTE value[AttributeValueBytes] = {};
    WORD nameLength = AttributeNameBytes;
    WORD valueLength = AttributeValueBytes;
    WMT_ATTR_DATATYPE type{};
    const HRESULT result =
        handle.Reader->GetAttributeByIndex(index, name, &nameLength, &type, value, &valueLength);
    if (result == E_NOTIMPL) continue;
    if (FAILED(result)) RaiseModuleFailure(qvInputFailure);
    const std::u16string_view attribute =
        BoundedText(name, std::min<size_t>(nameLength, AttributeNameBytes));
    const size_t valueBytes = std::min<size_t>(valueLength, AttributeValueBytes);
    switch (type) {
      case WMT_TYPE_DWORD:
        if (valueBytes < 4) break;
        if (attribute == u"Duration") state.Duration = ReadNumber(value);
        if (attribute == u"Bitrate") state.BitRate = ReadNumber(value);
        break;
      case WMT_TYPE_STRING: {
        const std::u16string_view text =
            BoundedText(reinterpret_cast<const char16_t*>(value), valueBytes);
        char converted[MetadataSlotSize - 1];
        // 511 bytes with the zero; a text that needs more is skipped, its slot stays empty.
        if (!WideToAnsi(text.data(), text.size(), converted, sizeof converted)) break;
        for (int slot = 0; slot < MetadataSlotCount; ++slot)
          if (attribute == SlotAttributes[slot])
            std::memcpy(handle.MetadataSlots[slot], converted, std::strlen(converted) + 1);
        break;
      }
      case WMT_TYPE_BOOL:
        if (valueBytes < 4) break;
        if (attribute == u"Seekable") state.CanSetPosition = ReadNumber(value) != 0 ? 1 : 0;
        break;
      default: break;
    }
  }
  state.Position = 0;
  WAVEFORMATEX format{};
  if (handle.Reader->GetOutputFormat(&format, sizeof format) != S_OK)
    RaiseModuleFailure(qvInputFailure);
  state.Output.Channels = format.nChannels;
  state.Output.SampleRate = format.nSamplesPerSec;
  state.Output.BitsPerSample = format.wBitsPerSample;
}

void ApplyLimits(PlayerHandle& handle, uint32_t start, uint32_t end) {
  ModuleState& state = handle.State;
  state.StartLimit = start;
  uint32_t limit = end < start ? start : end;
  if (limit == 0 && handle.Mode.load() >= pmReady) limit = ModuleState::NoEnd;
  state.EndLimit = limit;
}

}  // namespace

WmaModule& WmaModule::Instance() {
  static WmaModule module;
  return module;
}

WmaModule::WmaModule() : ModuleState(WmaTexts) {}

ModulePlayer* WmaModule::Checked(QVHandle h) { return CheckHandle<PlayerHandle>(h); }

QVHandle WmaModule::HandleOf(ModulePlayer& player) {
  return reinterpret_cast<QVHandle>(&Handle(player));
}

ModulePlayer* WmaModule::InitModule() {
  ModuleState& state = *this;
  // A new player takes the module over: what an earlier player holds ends first, its run and
  // its reader, so that none of its samples reach the output of the record reset here.
  if (state.Current != nullptr) static_cast<PlayerHandle*>(state.Current)->CloseInput();
  PlayerHandle* handle = new (std::nothrow) PlayerHandle(state);
  if (handle == nullptr) return nullptr;
  state.ResetRecord();
  state.Current = handle;
  if (!state.Com.Initialise()) {
    state.Current = nullptr;
    delete handle;
    return nullptr;
  }
  return handle;
}

bool WmaModule::DeInitModule(ModulePlayer& player) {
  PlayerHandle* const handle = &Handle(player);
  ModuleState& state = handle->State;
  const bool served = Serves(player);
  delete handle;  // directly, not through the callback object's release
  // The names, the current handle and COM are the player's that the module serves.
  if (!served) return true;
  state.Input.InputName.reset();
  state.Output.OutputName.reset();
  state.Current = nullptr;
  state.Com.Release();
  return true;
}

bool WmaModule::Open(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  std::memset(handle.MetadataSlots, 0, sizeof handle.MetadataSlots);
  return Operation([&] {
    RequireMode(handle.IsClosed());
    ModuleState& state = handle.State;
    if (!state.Input.InputName) RaiseModuleFailure(qvInputFailure);
    handle.PauseRequest = 0;
    state.Position = 0;
    char16_t wide[NameRoom];
    if (!AnsiToWide(state.Input.InputName->c_str(), wide, NameRoom))
      RaiseModuleFailure(qvInternalError);
    // Only a regular file is handed to the SDK; its identity keeps the output off it.
    const int file = OpenRegularFileForReading(state.Input.InputName->c_str());
    if (file < 0) RaiseModuleFailure(qvInputFailure);
    const std::optional<FileIdentity> identity = IdentityOf(file);
    ::close(file);
    IWMAudioReader* reader = nullptr;
    if (!identity || FAILED(WMAudioCreateReader(wide, &handle, &reader, nullptr)) ||
        reader == nullptr)
      RaiseModuleFailure(qvInputFailure);
    handle.Reader = reader;
    state.Output.InputFile = identity;
    handle.Mode = pmOpen;
    return true;
  });
}

bool WmaModule::InitStream(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  return Operation([&] {
    RequireMode(handle.Mode.load() == pmOpen);
    ReadAttributes(handle);
    handle.Mode = pmReady;
    return true;
  });
}

bool WmaModule::Play(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  return Operation([&] {
    RequireMode(handle.Mode.load() == pmReady);
    ModuleState& state = handle.State;
    if (state.Output.OutputMode == omCallback &&
        (state.Output.DataCallback == nullptr || state.Output.ActionCallback == nullptr))
      RaiseModuleFailure(qvCallbackMissing);
    state.Writer.OpenOutput(state.Output);
    // A run starts unpaused, also after one that was stopped while paused.
    handle.PauseRequest = 0;
    handle.BeginRun();
    // Whatever fails from here on (the reader, or memory for it) removes the file opened
    // above: a failed play leaves nothing behind.
    bool starting = false;
    try {
      if (state.EndLimit == 0) ApplyLimits(handle, state.StartLimit, 0);
      if (handle.Reader->Seek(state.StartLimit) == S_OK) {
        state.Position = state.StartLimit.load();
      } else {
        state.Position = 0;
        if (handle.Reader->Seek(0) != S_OK) RaiseModuleFailure(qvInputFailure);
      }
      // Playing before the reader starts: a short file may end the run on the SDK's thread
      // before Start returns, and its end must not be overwritten.
      handle.Mode = pmPlaying;
      starting = true;
      if (handle.Reader->Start() != S_OK) RaiseModuleFailure(qvInputFailure);
    } catch (...) {
      if (starting) handle.Reader->Stop();
      handle.CloseRun(true);
      handle.Mode = pmReady;
      throw;
    }
    return true;
  });
}

bool WmaModule::Stop(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  return Operation([&] {
    if (handle.Running()) {
      handle.StopRun();
      return true;
    }
    int32_t finished = pmFinished;
    RequireMode(handle.Mode.compare_exchange_strong(finished, pmOpen));
    return true;
  });
}

bool WmaModule::Close(ModulePlayer& player) {
  PlayerHandle& handle = Handle(player);
  handle.CloseInput();
  handle.State.Output.InputFile.reset();
  return true;
}

void WmaModule::MoveInput(ModulePlayer& player, uint32_t ms) {
  PlayerHandle& handle = Handle(player);
  // The stop request also releases a paused sample call, which Stop waits for.
  handle.StopRequest = 1;
  handle.Reader->Stop();
  handle.StopRequest = 0;
  // A run that ended meanwhile takes no seek.
  RequireMode(handle.Running());
  if (handle.Reader->Seek(ms) == S_OK) Position = ms;
  if (handle.Reader->Start() != S_OK) {
    // No delivery would ever end the run.
    handle.StopRun();
    RaiseModuleFailure(qvInputFailure);
  }
}

// The seek stops the reader, which waits for the SDK's thread to leave the callback: a run
// playing out its end gives way at once and goes on where the reader starts again.
bool WmaModule::SeekSendsRunBack(ModulePlayer& player, std::unique_lock<std::mutex>&) {
  return player.SeekPending.load();
}

bool WmaModule::SetLimits(ModulePlayer& player, uint32_t start, uint32_t end) {
  PlayerHandle& handle = Handle(player);
  ApplyLimits(handle, start, end);
  return true;
}

StreamInfo WmaModule::InfoRecord(ModulePlayer&) {
  return StreamInfo{Output.Channels, static_cast<int32_t>(BitRate),
                    static_cast<int32_t>(Output.SampleRate), Output.BitsPerSample};
}

int32_t WmaModule::DurationMs(ModulePlayer&) { return static_cast<int32_t>(Duration); }

int32_t WmaModule::PositionMs(ModulePlayer&) { return static_cast<int32_t>(Position.load()); }

const char* WmaModule::InfoText(ModulePlayer& player) { return Handle(player).MetadataSlots[0]; }

}  // namespace wma
