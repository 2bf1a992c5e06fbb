// Names that the platform compares without regard to case (registry keys and values, profile
// sections and keys, resource types and names). Only ASCII letters fold: the ANSI code page
// is UTF-8, whose other letters compare as their bytes.
#pragma once

#include <algorithm>
#include <string_view>

namespace win32 {

inline char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

inline bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return LowerAscii(x) == LowerAscii(y);
         });
}

}  // namespace win32
