// One registry hive in memory and its text file.
//
// The file holds one line per key, its full path in brackets, followed by one line per value:
//
//   [Software\Microsoft\Windows\CurrentVersion\Explorer\Shell Folders]
//   "Desktop"=1:"/home/user/Desktop%00"
//
// The number is the value's type, the quoted text its data byte for byte; the root's own
// values follow "[]". In names and data, the bytes below 0x20, 0x7F, '%', '"' and ']' are
// written as %XX, so any byte survives.
// Keys and values keep the order in which they were created.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/Types.h"

namespace win32 {

struct RegistryValue {
  std::string name;
  DWORD type = 0;
  std::string data;
};

struct RegistryKey {
  std::string name;
  std::vector<RegistryValue> values;
  std::vector<std::unique_ptr<RegistryKey>> subkeys;

  RegistryKey* FindSubkey(std::string_view name) const;
  RegistryKey& AddSubkey(std::string name);
  // Removes the subkey with everything below it; false when there is none.
  bool RemoveSubkey(std::string_view name);
  RegistryValue* FindValue(std::string_view name);
  bool RemoveValue(std::string_view name);
};

class RegistryHive {
 public:
  RegistryKey& Root() { return root_; }
  // The key at the path (names from the root), or null.
  RegistryKey* Find(const std::vector<std::string>& path);

  // Lines that cannot be read are passed over, and the hive is then damaged.
  static RegistryHive Parse(std::string_view text);
  std::string Serialize() const;
  bool Damaged() const { return damaged_; }

 private:
  RegistryKey root_;
  bool damaged_ = false;
};

}  // namespace win32
