// The class library's registry object: a root key (HKEY_CURRENT_USER unless set), at most
// one open current key below it, and the values of that key. A key path that starts with "\"
// is taken from the root; any other from the current key when one is open, else from the
// root.
#pragma once

#include <string>

#include "platform/classlib/Exception.h"
#include "platform/classlib/Object.h"
#include "platform/win32/Registry.h"

// "Invalid data type for '%s'", "Failed to get data for '%s'", "Failed to set data for
// '%s'", "Failed to create key %s"
class ERegistryException : public Exception {
 public:
  using Exception::Exception;
};

class TRegistry : public TObject {
 public:
  TRegistry() : TRegistry(KEY_ALL_ACCESS) {}
  explicit TRegistry(REGSAM AAccess) : FAccess(AAccess) {}
  ~TRegistry() override;
  TRegistry(const TRegistry&) = delete;
  TRegistry& operator=(const TRegistry&) = delete;

  HKEY RootKey() const { return FRootKey; }
  // A different root closes the current key.
  void SetRootKey(HKEY Value);
  HKEY CurrentKey() const { return FCurrentKey; }
  const std::string& CurrentPath() const { return FCurrentPath; }
  REGSAM Access() const { return FAccess; }
  void SetAccess(REGSAM Value) { FAccess = Value; }

  // Makes the key the current key, creating it (and the keys above it) when CanCreate;
  // false when it can be neither opened nor created with the object's access.
  bool OpenKey(const std::string& Key, bool CanCreate);
  // Creates the key without opening it; raises "Failed to create key %s" when it cannot.
  bool CreateKey(const std::string& Key);
  // Deletes the key with all its subkeys, the deepest first; false when it remains.
  bool DeleteKey(const std::string& Key);
  void CloseKey();

  // The value's size in bytes, -1 when it does not exist. Without a current key the values
  // are those of the root.
  int GetDataSize(const std::string& ValueName) const;
  bool ValueExists(const std::string& Name) const;
  // A missing value, and one without data, read as ""; otherwise the value must be REG_SZ or
  // REG_EXPAND_SZ (unexpanded), and its text ends at its first NUL.
  std::string ReadString(const std::string& Name) const;
  // REG_SZ with the terminating NUL.
  void WriteString(const std::string& Name, const std::string& Value);
  bool DeleteValue(const std::string& Name);

 protected:
  static bool IsRelative(const std::string& Key) { return Key.empty() || Key[0] != '\\'; }
  HKEY GetBaseKey(bool Relative) const;
  // Opens the key with the object's access without making it current; null when it cannot.
  HKEY GetKey(const std::string& Key) const;
  // Swaps the handle the value operations use, leaving the path as it is.
  void SetCurrentKey(HKEY Value) { FCurrentKey = Value; }
  HKEY ValueKey() const { return FCurrentKey != nullptr ? FCurrentKey : FRootKey; }

 private:
  void ChangeKey(HKEY Value, const std::string& Path);

  HKEY FRootKey = HKEY_CURRENT_USER;
  HKEY FCurrentKey = nullptr;
  std::string FCurrentPath;
  REGSAM FAccess;
};
