#include "platform/win32/CodePage.h"

#include <climits>
#include <cstring>

#include "platform/win32/Files.h"

namespace {

constexpr char32_t kReplacement = 0xFFFD;

// The character at text[i], i advanced past it; U+FFFD for the maximal part of an ill-formed
// sequence. The second byte's range excludes overlong forms, encoded surrogates and values
// beyond U+10FFFF, so a well-formed prefix is never taken for more than it is.
char32_t NextFromUtf8(const unsigned char* text, size_t end, size_t& i) {
  const unsigned char lead = text[i++];
  if (lead < 0x80) return lead;
  size_t length = 0;
  char32_t c = 0;
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2, c = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3, c = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4, c = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return kReplacement;
  }
  for (size_t k = 1; k < length; ++k) {
    if (i >= end || text[i] < low || text[i] > high) return kReplacement;
    c = (c << 6) | (text[i++] & 0x3F);
    low = 0x80;
    high = 0xBF;
  }
  return c;
}

// The character at text[i], i advanced past it; U+FFFD for an unpaired surrogate.
char32_t NextFromUtf16(const char16_t* text, size_t end, size_t& i) {
  const char32_t c = text[i++];
  if (c < 0xD800 || c >= 0xE000) return c;
  if (c < 0xDC00 && i < end && text[i] >= 0xDC00 && text[i] < 0xE000)
    return 0x10000 + ((c - 0xD800) << 10) + (text[i++] - 0xDC00);
  return kReplacement;
}

size_t PutUtf16(char32_t c, char16_t* out) {
  if (c < 0x10000) {
    out[0] = static_cast<char16_t>(c);
    return 1;
  }
  c -= 0x10000;
  out[0] = static_cast<char16_t>(0xD800 | (c >> 10));
  out[1] = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
  return 2;
}

size_t PutUtf8(char32_t c, char* out) {
  if (c < 0x80) {
    out[0] = static_cast<char>(c);
    return 1;
  }
  if (c < 0x800) {
    out[0] = static_cast<char>(0xC0 | (c >> 6));
    out[1] = static_cast<char>(0x80 | (c & 0x3F));
    return 2;
  }
  if (c < 0x10000) {
    out[0] = static_cast<char>(0xE0 | (c >> 12));
    out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out[2] = static_cast<char>(0x80 | (c & 0x3F));
    return 3;
  }
  out[0] = static_cast<char>(0xF0 | (c >> 18));
  out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
  out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
  out[3] = static_cast<char>(0x80 | (c & 0x3F));
  return 4;
}

// Converts length units of text, one character at a time, into room units of out (counting
// only when room is 0). The units used, or 0 with the last error set.
template <class From, class To, class Next, class Put>
int Convert(const From* text, size_t length, To* out, size_t room, Next next, Put put) {
  size_t used = 0;
  for (size_t i = 0; i < length;) {
    To units[4];
    const size_t count = put(next(text, length, i), units);
    if (room != 0) {
      if (used + count > room) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
      }
      std::memcpy(out + used, units, count * sizeof(To));
    }
    used += count;
    if (used > INT_MAX) {
      SetLastError(ERROR_INSUFFICIENT_BUFFER);
      return 0;
    }
  }
  return static_cast<int>(used);
}

bool ValidCall(UINT codePage, DWORD flags, const void* text, int count, const void* out, int room) {
  if (flags != 0) {
    SetLastError(ERROR_INVALID_FLAGS);
    return false;
  }
  if (codePage != CP_ACP || text == nullptr || count == 0 || count < -1 || room < 0 ||
      (room > 0 && out == nullptr)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
  }
  return true;
}

}  // namespace

int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar) {
  if (!ValidCall(CodePage, dwFlags, lpMultiByteStr, cbMultiByte, lpWideCharStr, cchWideChar))
    return 0;
  const size_t length =
      cbMultiByte == -1 ? std::strlen(lpMultiByteStr) + 1 : static_cast<size_t>(cbMultiByte);
  return Convert(reinterpret_cast<const unsigned char*>(lpMultiByteStr), length, lpWideCharStr,
                 static_cast<size_t>(cchWideChar), NextFromUtf8, PutUtf16);
}

int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR,
                               BOOL* lpUsedDefaultChar) {
  if (!ValidCall(CodePage, dwFlags, lpWideCharStr, cchWideChar, lpMultiByteStr, cbMultiByte))
    return 0;
  if (lpUsedDefaultChar != nullptr) *lpUsedDefaultChar = FALSE;
  const size_t length = cchWideChar == -1 ? std::char_traits<char16_t>::length(lpWideCharStr) + 1
                                          : static_cast<size_t>(cchWideChar);
  return Convert(lpWideCharStr, length, lpMultiByteStr, static_cast<size_t>(cbMultiByte),
                 NextFromUtf16, PutUtf8);
}

namespace win32 {

std::u16string Utf8ToUtf16(std::string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int count = static_cast<int>(text.size());
  std::u16string out(
      static_cast<size_t>(MultiByteToWideChar(CP_ACP, 0, text.data(), count, nullptr, 0)), u'\0');
  if (!out.empty())
    MultiByteToWideChar(CP_ACP, 0, text.data(), count, out.data(), static_cast<int>(out.size()));
  return out;
}

std::string Utf16ToUtf8(std::u16string_view text) {
  if (text.empty() || text.size() > INT_MAX) return {};
  const int count = static_cast<int>(text.size());
  std::string out(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, text.data(), count, nullptr, 0,
                                                          nullptr, nullptr)),
                  '\0');
  if (!out.empty())
    WideCharToMultiByte(CP_ACP, 0, text.data(), count, out.data(), static_cast<int>(out.size()),
                        nullptr, nullptr);
  return out;
}

}  // namespace win32
