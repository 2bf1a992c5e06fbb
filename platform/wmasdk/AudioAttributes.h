// The attributes a reader reports: a fixed list, of which the file's metadata fills the texts.
// An attribute the file does not carry keeps its place in the list and answers E_NOTIMPL.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/wmasdk/WmaSdk.h"

class AudioDecoder;

class AudioAttributes {
 public:
  struct Attribute {
    std::u16string name;
    WMT_ATTR_DATATYPE type;
    // Numbers and Booleans as 4 little-endian bytes, texts as UTF-16 with a terminating zero;
    // none when the file does not carry the attribute.
    std::optional<std::vector<uint8_t>> value;
  };

  explicit AudioAttributes(const AudioDecoder& decoder);

  WORD Count() const { return static_cast<WORD>(attributes_.size()); }
  HRESULT Get(WORD index, WCHAR* name, WORD* nameLength, WMT_ATTR_DATATYPE* type, BYTE* value,
              WORD* valueLength) const;

 private:
  std::vector<Attribute> attributes_;
};
