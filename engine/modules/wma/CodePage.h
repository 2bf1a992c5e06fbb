// Conversions between the platform's code page (UTF-8 here) and UTF-16, with the results of
// MultiByteToWideChar and WideCharToMultiByte for CP_ACP: invalid input becomes U+FFFD (or "?"
// for an unpaired surrogate), and a conversion fails when its result does not fit the room.
#pragma once

#include <cstddef>

namespace wma {

// The whole text with its terminating zero into room UTF-16 units.
bool AnsiToWide(const char* text, char16_t* out, size_t room);
// length units of UTF-16 (no terminator needed) and a terminating zero into room bytes.
bool WideToAnsi(const char16_t* text, size_t length, char* out, size_t room);

}  // namespace wma
