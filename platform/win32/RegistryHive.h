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
// Keys and values keep the order in which they were created. A key that holds no values but
// has subkeys needs no line of its own: its subkeys' paths name it.
//
// A hive stays within the system's limits: keys at most kMaxKeyDepth levels below the root,
// key and value names at most kMaxNameLength characters, a file of at most kMaxHiveFileSize
// bytes; a line beyond them cannot be read.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/win32/Types.h"

namespace win32 {

inline constexpr size_t kMaxKeyDepth = 512;
inline constexpr size_t kMaxNameLength = 255;
// The largest hive file that is read: far beyond what the programs keep in a hive, small
// enough that a call, which reads the whole file, stays quick. A larger file cannot be read.
inline constexpr size_t kMaxHiveFileSize = size_t{32} << 20;

// Whether a key or value name is within kMaxNameLength characters (UTF-8 sequences; a byte
// that is no part of one counts as a character of its own).
bool NameWithinLimit(std::string_view name);

struct RegistryValue {
  std::string name;
  DWORD type = 0;
  std::string data;
};

struct RegistryKey {
  std::string name;
  std::vector<RegistryValue> values;
  std::vector<std::unique_ptr<RegistryKey>> subkeys;

  RegistryKey() = default;
  RegistryKey(RegistryKey&&) = default;
  RegistryKey& operator=(RegistryKey&&) = default;
  // Takes the tree below apart without a call per level.
  ~RegistryKey();

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

  // Lines that cannot be read are passed over, and the hive is then damaged. Time and memory
  // grow with the text's size, whatever its keys' depth or number.
  static RegistryHive Parse(std::string_view text);
  // One line per key that holds values or has no subkeys: the text grows with what the hive
  // holds, however deep its keys lie.
  std::string Serialize() const;
  bool Damaged() const { return damaged_; }

 private:
  RegistryKey root_;
  bool damaged_ = false;
};

}  // namespace win32
