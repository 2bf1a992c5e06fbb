// A reader in place of the SDK's for the module's own logic: attributes, format and the
// results of its operations are scripted; the test calls the callback object itself, as the
// SDK's thread would. The test executable defines WMAudioCreateReader, which hands out the
// reader in NextReader.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/wmasdk/WmaSdk.h"

class ScriptedReader final : public IWMAudioReader {
 public:
  struct Attribute {
    std::u16string name;
    WMT_ATTR_DATATYPE type;
    std::vector<uint8_t> value;
    HRESULT result = S_OK;
  };
  static Attribute Number(std::u16string name, uint32_t value,
                          WMT_ATTR_DATATYPE type = WMT_TYPE_DWORD);
  static Attribute Text(std::u16string name, const std::u16string& text);

  HRESULT WINAPI QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
  ULONG WINAPI AddRef() override { return ++references; }
  ULONG WINAPI Release() override;
  HRESULT WINAPI Reserved() override { return E_NOTIMPL; }
  HRESULT WINAPI GetAttributeCount(WORD* count) override;
  HRESULT WINAPI GetAttributeByIndex(WORD index, WCHAR* name, WORD* nameLength,
                                     WMT_ATTR_DATATYPE* type, BYTE* value,
                                     WORD* valueLength) override;
  HRESULT WINAPI GetOutputFormat(WAVEFORMATEX* format, DWORD size) override;
  HRESULT WINAPI Start() override;
  HRESULT WINAPI Stop() override;
  HRESULT WINAPI Seek(DWORD msTime) override;

  std::vector<Attribute> attributes;
  HRESULT countResult = S_OK;
  HRESULT formatResult = S_OK;
  WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 176400, 4, 16, 0};
  std::function<HRESULT(DWORD)> seek = [](DWORD) { return S_OK; };
  HRESULT startResult = S_OK;
  // "Start", "Stop", "Seek <ms>", in order.
  std::vector<std::string> calls;
  ULONG references = 1;
  IWMAudioReadCallback* callback = nullptr;
  std::u16string fileName;
};

// The reader the next WMAudioCreateReader hands out; none makes the creation fail.
extern ScriptedReader* NextReader;
