#include "platform/classlib/Registry.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/classlib/Format.h"

TRegistry::~TRegistry() { CloseKey(); }

void TRegistry::SetRootKey(HKEY Value) {
  if (Value == FRootKey) return;
  FRootKey = Value;
  CloseKey();
}

HKEY TRegistry::GetBaseKey(bool Relative) const {
  return FCurrentKey == nullptr || !Relative ? FRootKey : FCurrentKey;
}

HKEY TRegistry::GetKey(const std::string& Key) const {
  const bool relative = IsRelative(Key);
  const std::string path = relative ? Key : Key.substr(1);
  HKEY result = nullptr;
  if (RegOpenKeyExA(GetBaseKey(relative), path.c_str(), 0, FAccess, &result) != ERROR_SUCCESS)
    return nullptr;
  return result;
}

void TRegistry::ChangeKey(HKEY Value, const std::string& Path) {
  CloseKey();
  FCurrentKey = Value;
  FCurrentPath = Path;
}

bool TRegistry::OpenKey(const std::string& Key, bool CanCreate) {
  const bool relative = IsRelative(Key);
  std::string path = relative ? Key : Key.substr(1);
  HKEY opened = nullptr;
  LONG result;
  if (!CanCreate || path.empty())
    result = RegOpenKeyExA(GetBaseKey(relative), path.c_str(), 0, FAccess, &opened);
  else
    result = RegCreateKeyExA(GetBaseKey(relative), path.c_str(), 0, nullptr,
                             REG_OPTION_NON_VOLATILE, FAccess, nullptr, &opened, nullptr);
  if (result != ERROR_SUCCESS) return false;
  if (FCurrentKey != nullptr && relative) path = FCurrentPath + "\\" + path;
  ChangeKey(opened, path);
  return true;
}

bool TRegistry::CreateKey(const std::string& Key) {
  const bool relative = IsRelative(Key);
  const std::string path = relative ? Key : Key.substr(1);
  HKEY created = nullptr;
  if (RegCreateKeyExA(GetBaseKey(relative), path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                      KEY_ALL_ACCESS, nullptr, &created, nullptr) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to create key %s", Key.c_str()));
  RegCloseKey(created);
  return true;
}

bool TRegistry::DeleteKey(const std::string& Key) {
  const bool relative = IsRelative(Key);
  const std::string path = relative ? Key : Key.substr(1);
  if (HKEY doomed = GetKey(Key); doomed != nullptr) {
    // Names first, then deletions, so that the enumeration does not shift under them.
    std::vector<std::string> subkeys;
    char name[256];
    for (DWORD index = 0;; ++index) {
      DWORD size = sizeof name;
      if (RegEnumKeyExA(doomed, index, name, &size, nullptr, nullptr, nullptr, nullptr) !=
          ERROR_SUCCESS)
        break;
      subkeys.emplace_back(name, size);
    }
    HKEY old = FCurrentKey;
    FCurrentKey = doomed;
    for (auto it = subkeys.rbegin(); it != subkeys.rend(); ++it) DeleteKey(*it);
    FCurrentKey = old;
    RegCloseKey(doomed);
  }
  return RegDeleteKeyA(GetBaseKey(relative), path.c_str()) == ERROR_SUCCESS;
}

void TRegistry::CloseKey() {
  if (FCurrentKey == nullptr) return;
  RegCloseKey(FCurrentKey);
  FCurrentKey = nullptr;
  FCurrentPath.clear();
}

int TRegistry::GetDataSize(const std::string& ValueName) const {
  DWORD size = 0;
  if (RegQueryValueExA(ValueKey(), ValueName.c_str(), nullptr, nullptr, nullptr, &size) !=
      ERROR_SUCCESS)
    return -1;
  return static_cast<int>(size);
}

bool TRegistry::ValueExists(const std::string& Name) const { return GetDataSize(Name) >= 0; }

std::string TRegistry::ReadString(const std::string& Name) const {
  const int length = GetDataSize(Name);
  if (length <= 0) return "";
  std::string data(static_cast<size_t>(length), '\0');
  DWORD size = static_cast<DWORD>(length);
  DWORD type = REG_NONE;
  if (RegQueryValueExA(ValueKey(), Name.c_str(), nullptr, &type,
                       reinterpret_cast<BYTE*>(data.data()), &size) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to get data for '%s'", Name.c_str()));
  if (type != REG_SZ && type != REG_EXPAND_SZ)
    throw ERegistryException(Format("Invalid data type for '%s'", Name.c_str()));
  data.resize(std::min<size_t>(size, std::strlen(data.c_str())));
  return data;
}

void TRegistry::WriteString(const std::string& Name, const std::string& Value) {
  if (RegSetValueExA(ValueKey(), Name.c_str(), 0, REG_SZ,
                     reinterpret_cast<const BYTE*>(Value.c_str()),
                     static_cast<DWORD>(Value.size() + 1)) != ERROR_SUCCESS)
    throw ERegistryException(Format("Failed to set data for '%s'", Name.c_str()));
}

bool TRegistry::DeleteValue(const std::string& Name) {
  return RegDeleteValueA(ValueKey(), Name.c_str()) == ERROR_SUCCESS;
}
