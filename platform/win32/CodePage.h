// Code pages: the ANSI code page is UTF-8 here, and wide characters are UTF-16.
//
// One rule for text that is not well formed, so that no conversion produces ill-formed text or
// reads beyond its input: in UTF-8, each maximal part of an ill-formed sequence (at least one
// byte: a stray continuation byte, a sequence cut short, an overlong form, an encoded surrogate,
// a value beyond U+10FFFF) becomes U+FFFD; in UTF-16, an unpaired surrogate, high or low, becomes
// U+FFFD.
#pragma once

#include <string>
#include <string_view>

#include "platform/win32/Types.h"

inline constexpr UINT CP_ACP = 0;
inline constexpr DWORD ERROR_INVALID_FLAGS = 1004;

// A count of -1 converts the text up to and with its terminating zero; any other count converts
// that many units and adds no zero. A room of 0 asks for the number of units the result needs.
// The result is the number of units written (or needed); 0 when the result does not fit
// (ERROR_INSUFFICIENT_BUFFER), for an empty input or a code page other than CP_ACP
// (ERROR_INVALID_PARAMETER) and for any flag (ERROR_INVALID_FLAGS). Every character has a form
// in UTF-8, so no default character is ever used.
int WINAPI MultiByteToWideChar(UINT CodePage, DWORD dwFlags, LPCSTR lpMultiByteStr, int cbMultiByte,
                               LPWSTR lpWideCharStr, int cchWideChar);
int WINAPI WideCharToMultiByte(UINT CodePage, DWORD dwFlags, LPCWSTR lpWideCharStr, int cchWideChar,
                               LPSTR lpMultiByteStr, int cbMultiByte, LPCSTR lpDefaultChar,
                               BOOL* lpUsedDefaultChar);

namespace win32 {

// The same conversions of whole strings.
std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

}  // namespace win32
