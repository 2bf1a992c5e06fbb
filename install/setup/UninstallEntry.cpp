#include "install/setup/UninstallEntry.h"

#include <utility>

#include "platform/classlib/Registry.h"

UninstallEntry UninstallEntry::Read(const std::string& Key) {
  UninstallEntry entry;
  entry.Key = Key;
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(Key, false)) return entry;
  entry.Existed = true;
  auto value = [&registry](const char* name) -> std::optional<std::string> {
    if (!registry.ValueExists(name)) return std::nullopt;
    return registry.ReadString(name);
  };
  entry.DisplayName = value("DisplayName");
  entry.UninstallString = value("UninstallString");
  return entry;
}

void UninstallEntry::Restore() const {
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!Existed) {
    registry.DeleteKey(Key);
    return;
  }
  if (!registry.OpenKey(Key, false)) return;
  for (const auto& [name, value] :
       {std::pair{"DisplayName", DisplayName}, std::pair{"UninstallString", UninstallString}}) {
    if (value)
      registry.WriteString(name, *value);
    else
      registry.DeleteValue(name);
  }
}
