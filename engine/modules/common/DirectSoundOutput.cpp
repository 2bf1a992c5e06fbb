#include "engine/modules/common/DirectSoundOutput.h"

#include "engine/modules/common/ModuleFailure.h"
#include "platform/win32/Com.h"

namespace {

// {47D4D946-62E8-11CF-93BC-444553540000}
constexpr CLSID CLSID_DirectSound = {0x47D4D946, 0x62E8, 0x11CF,
                                     {0x93, 0xBC, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}};
// {279AFA83-4981-11CE-A521-0020AF0BE560}
constexpr IID IID_IDirectSound = {0x279AFA83, 0x4981, 0x11CE,
                                  {0xA5, 0x21, 0x00, 0x20, 0xAF, 0x0B, 0xE5, 0x60}};

}  // namespace

void DirectSoundOutput::Open(const OutputSettings&, bool comUsable) {
  if (!comUsable) RaiseModuleFailure(qvInternalError);
  IUnknown* object = nullptr;
  const HRESULT created = CoCreateInstance(CLSID_DirectSound, nullptr, CLSCTX_INPROC_SERVER,
                                           IID_IDirectSound, reinterpret_cast<void**>(&object));
  if (FAILED(created) || object == nullptr) RaiseModuleFailure(qvOutputFailure);
  // The object's playback interface is not there yet: release it and fail as a missing device.
  object->Release();
  RaiseModuleFailure(qvOutputFailure);
}

void DirectSoundOutput::Write(const void*, uint32_t) {}

void DirectSoundOutput::Drain() {}

void DirectSoundOutput::Close() {}
