// The uninstall entry taken back: whatever the entry was before setup wrote it (none, a bare
// key, one or both values), putting it back leaves the machine's registry as it was.
#include "install/setup/UninstallEntry.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "install/setup/InstallRecord.h"
#include "platform/classlib/Registry.h"
#include "tests/support/PlatformRoot.h"

namespace {

constexpr const char* kKey = InstallRecord::kUninstallKey;

bool EntryExists() {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

// A value's text straight from the platform; none when the key or the value is missing.
std::optional<std::string> EntryValue(const char* name) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
    return std::nullopt;
  char data[512];
  DWORD size = sizeof data;
  DWORD type = 0;
  const LONG result =
      RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  if (result != static_cast<LONG>(ERROR_SUCCESS)) return std::nullopt;
  return std::string(data, size > 0 && data[size - 1] == '\0' ? size - 1 : size);
}

// Makes the entry with the values given (a missing one is not written).
void MakeEntry(const std::optional<std::string>& displayName,
               const std::optional<std::string>& uninstallString) {
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey(kKey, true));
  if (displayName) registry.WriteString("DisplayName", *displayName);
  if (uninstallString) registry.WriteString("UninstallString", *uninstallString);
}

TEST(UninstallEntryTest, RestorePutsBackWhatStoodBefore) {
  struct Case {
    const char* Name;
    bool Existed;
    std::optional<std::string> DisplayName, UninstallString;
  };
  const Case cases[] = {
      {"no entry", false, std::nullopt, std::nullopt},
      {"bare key", true, std::nullopt, std::nullopt},
      {"earlier uninstaller only", true, std::nullopt, "/earlier/Uninstall.exe"},
      {"both values", true, "Brassel 1.1", "/earlier/Uninstall.exe"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Name);
    PlatformRoot root;
    if (c.Existed) MakeEntry(c.DisplayName, c.UninstallString);
    const UninstallEntry before = UninstallEntry::Read(kKey);
    EXPECT_EQ(before.Existed, c.Existed);

    // What setup writes, then taken back.
    MakeEntry("Brassel 1.2", "/new/Uninstall.exe");
    before.Restore();

    EXPECT_EQ(EntryExists(), c.Existed);
    EXPECT_EQ(EntryValue("DisplayName"), c.DisplayName);
    EXPECT_EQ(EntryValue("UninstallString"), c.UninstallString);
    EXPECT_TRUE(UninstallEntry::Read(kKey) == before);
  }
}

}  // namespace
