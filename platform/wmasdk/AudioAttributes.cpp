#include "platform/wmasdk/AudioAttributes.h"

#include <algorithm>
#include <cstring>
#include <initializer_list>

#include "platform/wmasdk/AudioDecoder.h"
#include "platform/win32/CodePage.h"

namespace {

// Each text attribute and the libav metadata keys it may be found under, first match wins.
struct TextAttribute {
  const char16_t* name;
  std::initializer_list<const char*> keys;
};
const TextAttribute TextAttributes[] = {
    {u"Title", {"title"}},
    {u"Author", {"artist", "author"}},
    {u"WM/AlbumTitle", {"album"}},
    {u"Copyright", {"copyright"}},
    {u"Description", {"comment", "description"}},
    {u"WM/Genre", {"genre"}},
    {u"WM/Year", {"WM/Year", "date", "year"}},
};

std::vector<uint8_t> Number(uint32_t value) {
  return {static_cast<uint8_t>(value), static_cast<uint8_t>(value >> 8),
          static_cast<uint8_t>(value >> 16), static_cast<uint8_t>(value >> 24)};
}

std::vector<uint8_t> Text(const std::u16string& text) {
  std::vector<uint8_t> bytes;
  bytes.reserve((text.size() + 1) * 2);
  for (char16_t c : text) {
    bytes.push_back(static_cast<uint8_t>(c));
    bytes.push_back(static_cast<uint8_t>(c >> 8));
  }
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

// Stores a UTF-16 text (bytes with the terminating zero) into a buffer of capacity bytes, cut
// at a whole character (never between the halves of a surrogate pair) when it does not fit.
WORD StoreText(const std::vector<uint8_t>& text, BYTE* buffer, WORD capacity) {
  size_t units = text.size() / 2 - 1;  // without the zero
  const size_t roomUnits = capacity / 2;
  if (roomUnits == 0) return 0;
  if (units + 1 > roomUnits) {
    units = roomUnits - 1;
    if (units > 0) {
      const char16_t last = static_cast<char16_t>(text[units * 2 - 2] | (text[units * 2 - 1] << 8));
      if (last >= 0xD800 && last < 0xDC00) --units;
    }
  }
  std::memcpy(buffer, text.data(), units * 2);
  buffer[units * 2] = 0;
  buffer[units * 2 + 1] = 0;
  return static_cast<WORD>((units + 1) * 2);
}

}  // namespace

AudioAttributes::AudioAttributes(const AudioDecoder& decoder) {
  attributes_.push_back({u"Duration", WMT_TYPE_DWORD, Number(decoder.DurationMs())});
  attributes_.push_back({u"Bitrate", WMT_TYPE_DWORD, Number(decoder.Bitrate())});
  attributes_.push_back({u"Seekable", WMT_TYPE_BOOL, Number(decoder.Seekable() ? 1 : 0)});
  for (const TextAttribute& text : TextAttributes) {
    Attribute attribute{text.name, WMT_TYPE_STRING, std::nullopt};
    for (const char* key : text.keys) {
      if (const char* found = decoder.Tag(key)) {
        attribute.value = Text(win32::Utf8ToUtf16(found));
        break;
      }
    }
    attributes_.push_back(std::move(attribute));
  }
}

HRESULT AudioAttributes::Get(WORD index, WCHAR* name, WORD* nameLength, WMT_ATTR_DATATYPE* type,
                             BYTE* value, WORD* valueLength) const {
  if (index >= attributes_.size()) return E_INVALIDARG;
  if (nameLength == nullptr || type == nullptr || valueLength == nullptr) return E_POINTER;
  const Attribute& attribute = attributes_[index];
  if (!attribute.value) return E_NOTIMPL;

  const std::vector<uint8_t> nameBytes = Text(attribute.name);
  if (name == nullptr || value == nullptr) {
    // A size query.
    *nameLength = static_cast<WORD>(nameBytes.size());
    *valueLength = static_cast<WORD>(std::min<size_t>(attribute.value->size(), 0xFFFE));
    *type = attribute.type;
    return S_OK;
  }
  if (attribute.type != WMT_TYPE_STRING && *valueLength < attribute.value->size())
    return E_INVALIDARG;
  if (*nameLength < nameBytes.size()) return E_INVALIDARG;

  *nameLength = StoreText(nameBytes, reinterpret_cast<BYTE*>(name), *nameLength);
  *type = attribute.type;
  if (attribute.type == WMT_TYPE_STRING) {
    *valueLength = StoreText(*attribute.value, value, *valueLength);
  } else {
    std::memcpy(value, attribute.value->data(), attribute.value->size());
    *valueLength = static_cast<WORD>(attribute.value->size());
  }
  return S_OK;
}
