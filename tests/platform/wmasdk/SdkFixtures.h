// Fixture files of the reader's tests.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/wmasdk/WmaSdk.h"
#include "tests/support/Files.h"

inline std::string WmaFixture(const std::string& name) {
  return FixturePath("wma/" + name).string();
}

// UTF-8 to UTF-16 for file names (what the module's code page conversion gives).
inline std::u16string Wide(const std::string& utf8) {
  std::u16string out;
  for (size_t i = 0; i < utf8.size();) {
    const auto c = static_cast<uint8_t>(utf8[i]);
    char32_t code;
    size_t n;
    if (c < 0x80)
      code = c, n = 1;
    else if (c < 0xE0)
      code = c & 0x1F, n = 2;
    else if (c < 0xF0)
      code = c & 0x0F, n = 3;
    else
      code = c & 0x07, n = 4;
    for (size_t k = 1; k < n; ++k) code = (code << 6) | (static_cast<uint8_t>(utf8[i + k]) & 0x3F);
    i += n;
    if (code >= 0x10000) {
      code -= 0x10000;
      out += static_cast<char16_t>(0xD800 | (code >> 10));
      out += static_cast<char16_t>(0xDC00 | (code & 0x3FF));
    } else {
      out += static_cast<char16_t>(code);
    }
  }
  return out;
}

// A fresh temporary folder, removed with the object.
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "wmasdk-XXXXXX").string();
    path_ = mkdtemp(pattern.data());
  }
  ~TempFolder() { std::filesystem::remove_all(path_); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};
