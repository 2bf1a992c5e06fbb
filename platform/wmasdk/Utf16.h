// UTF-8 and UTF-16 conversions of the reader: file names come in as UTF-16, libav speaks UTF-8.
#pragma once

#include <string>
#include <string_view>

// Invalid sequences and unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);
std::u16string Utf8ToUtf16(std::string_view text);
