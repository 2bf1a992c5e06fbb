#include "engine/modules/wma/CodePage.h"

#include <cstdint>

namespace wma {

namespace {

// Decodes one character at text[i] (advancing i); U+FFFD for an invalid sequence.
char32_t NextUtf8(const unsigned char* text, size_t& i) {
  const unsigned char lead = text[i++];
  if (lead < 0x80) return lead;
  size_t length;
  char32_t c;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    length = 2, c = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 3, c = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 4, c = lead & 0x07, minimum = 0x10000;
  } else {
    return 0xFFFD;
  }
  for (size_t k = 1; k < length; ++k) {
    if ((text[i] & 0xC0) != 0x80) return 0xFFFD;  // also stops at the terminating zero
    c = (c << 6) | (text[i++] & 0x3F);
  }
  if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000)) return 0xFFFD;
  return c;
}

}  // namespace

bool AnsiToWide(const char* text, char16_t* out, size_t room) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(text);
  size_t used = 0;
  size_t i = 0;
  for (;;) {
    const char32_t c = NextUtf8(bytes, i);
    const size_t units = c >= 0x10000 ? 2 : 1;
    if (used + units > room) return false;
    if (units == 2) {
      out[used++] = static_cast<char16_t>(0xD800 | ((c - 0x10000) >> 10));
      out[used++] = static_cast<char16_t>(0xDC00 | ((c - 0x10000) & 0x3FF));
    } else {
      out[used++] = static_cast<char16_t>(c);
    }
    if (c == 0) return true;
  }
}

bool WideToAnsi(const char16_t* text, size_t length, char* out, size_t room) {
  size_t used = 0;
  const auto put = [&](uint32_t byte) {
    if (used >= room) return false;
    out[used++] = static_cast<char>(byte);
    return true;
  };
  for (size_t i = 0; i < length; ++i) {
    char32_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00);
      ++i;
    } else if (c >= 0xD800 && c < 0xE000) {
      c = '?';
    }
    bool ok;
    if (c < 0x80) {
      ok = put(c);
    } else if (c < 0x800) {
      ok = used + 2 <= room && put(0xC0 | (c >> 6)) && put(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      ok = used + 3 <= room && put(0xE0 | (c >> 12)) && put(0x80 | ((c >> 6) & 0x3F)) &&
           put(0x80 | (c & 0x3F));
    } else {
      ok = used + 4 <= room && put(0xF0 | (c >> 18)) && put(0x80 | ((c >> 12) & 0x3F)) &&
           put(0x80 | ((c >> 6) & 0x3F)) && put(0x80 | (c & 0x3F));
    }
    if (!ok) return false;
  }
  return put(0);
}

}  // namespace wma
