#include "tests/engine/modules/wma/ScriptedReader.h"

#include <algorithm>
#include <cstring>

ScriptedReader* NextReader = nullptr;

HRESULT WINAPI WMAudioCreateReader(LPCWSTR fileName, IWMAudioReadCallback* callback,
                                   IWMAudioReader** reader, void*) {
  if (NextReader == nullptr) return E_FAIL;
  NextReader->fileName = fileName;
  NextReader->callback = callback;
  callback->AddRef();
  *reader = NextReader;
  NextReader = nullptr;
  return S_OK;
}

ScriptedReader::Attribute ScriptedReader::Number(std::u16string name, uint32_t value,
                                                 WMT_ATTR_DATATYPE type) {
  return {std::move(name),
          type,
          {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
           static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)}};
}

ScriptedReader::Attribute ScriptedReader::Text(std::u16string name, const std::u16string& text) {
  std::vector<uint8_t> bytes;
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return {std::move(name), WMT_TYPE_STRING, bytes};
}

ULONG WINAPI ScriptedReader::Release() {
  if (--references == 0 && callback != nullptr) {
    callback->Release();
    callback = nullptr;
  }
  return references;
}

HRESULT WINAPI ScriptedReader::GetAttributeCount(WORD* count) {
  *count = static_cast<WORD>(attributes.size());
  return countResult;
}

HRESULT WINAPI ScriptedReader::GetAttributeByIndex(WORD index, WCHAR* name, WORD* nameLength,
                                                   WMT_ATTR_DATATYPE* type, BYTE* value,
                                                   WORD* valueLength) {
  const Attribute& a = attributes.at(index);
  if (FAILED(a.result)) return a.result;
  const size_t nameBytes = std::min<size_t>((a.name.size() + 1) * 2, *nameLength);
  std::u16string terminated = a.name + u'\0';
  std::memcpy(name, terminated.data(), nameBytes);
  *nameLength = static_cast<WORD>(nameBytes);
  *type = a.type;
  const size_t valueBytes = std::min<size_t>(a.value.size(), *valueLength);
  std::memcpy(value, a.value.data(), valueBytes);
  *valueLength = static_cast<WORD>(valueBytes);
  return a.result;
}

HRESULT WINAPI ScriptedReader::GetOutputFormat(WAVEFORMATEX* out, DWORD size) {
  if (size != sizeof(WAVEFORMATEX)) return E_INVALIDARG;
  *out = format;
  return formatResult;
}

HRESULT WINAPI ScriptedReader::Start() {
  calls.push_back("Start");
  return startResult;
}

HRESULT WINAPI ScriptedReader::Stop() {
  calls.push_back("Stop");
  return S_OK;
}

HRESULT WINAPI ScriptedReader::Seek(DWORD msTime) {
  calls.push_back("Seek " + std::to_string(msTime));
  return seek(msTime);
}
