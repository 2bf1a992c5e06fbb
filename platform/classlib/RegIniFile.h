// The registry seen as an INI file: the key FileName (opened, or created, when the object is
// made) holds one subkey per section and one value per identifier.
#pragma once

#include <functional>
#include <string>

#include "platform/classlib/Registry.h"

class TRegIniFile : public TRegistry {
 public:
  explicit TRegIniFile(const std::string& FileName) : TRegIniFile(FileName, KEY_ALL_ACCESS) {}
  // Whether the key could be opened is not reported: the object then works from the root.
  TRegIniFile(const std::string& FileName, REGSAM AAccess);

  const std::string& FileName() const { return FFileName; }

  using TRegistry::DeleteKey;
  using TRegistry::ReadString;
  using TRegistry::WriteString;

  // The value Ident of the section's key, or Default when either is missing.
  std::string ReadString(const std::string& Section, const std::string& Ident,
                         const std::string& Default);
  // Creates the section's key ("Failed to create key %s"), then, when the key opens, sets
  // the value as REG_SZ ("Failed to set data for '%s'"); a key that does not open is passed
  // over.
  void WriteString(const std::string& Section, const std::string& Ident, const std::string& Value);
  // Deletes the value Ident of the section's key; nothing happens when the key does not open.
  void DeleteKey(const std::string& Section, const std::string& Ident);

 private:
  // Runs the action with the section's key as the current key, then restores the previous
  // one and closes the section's key, however the action ends.
  void InSection(HKEY Key, const std::function<void()>& Action);

  std::string FFileName;
};
