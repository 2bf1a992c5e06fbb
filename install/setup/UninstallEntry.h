// The machine's uninstall entry as it stood before an installation: whether the key existed,
// and the two values setup writes. Taken before the entry is written, it puts the entry back
// when writing it fails half-way.
#pragma once

#include <optional>
#include <string>

struct UninstallEntry {
  std::string Key;
  bool Existed = false;
  std::optional<std::string> DisplayName, UninstallString;

  bool operator==(const UninstallEntry&) const = default;

  // The entry under Key of HKEY_LOCAL_MACHINE as it stands now.
  static UninstallEntry Read(const std::string& Key);

  // Puts the entry back; what cannot be put back stays, as the failure's box is shown anyway.
  void Restore() const;
};
