// The module's conversions between the platform's code page and UTF-16, through
// MultiByteToWideChar and WideCharToMultiByte with CP_ACP: ill-formed text becomes U+FFFD, and
// a conversion fails when its result does not fit the room.
#pragma once

#include <cstddef>

namespace wma {

// The whole text with its terminating zero into room UTF-16 units.
bool AnsiToWide(const char* text, char16_t* out, size_t room);
// length units of UTF-16 (no terminator needed) and a terminating zero into room bytes.
bool WideToAnsi(const char16_t* text, size_t length, char* out, size_t room);

}  // namespace wma
