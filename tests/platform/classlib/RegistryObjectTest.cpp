#include "platform/classlib/Registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/classlib/RegIniFile.h"
#include "platform/win32/Machine.h"
#include "tests/support/PlatformRoot.h"

using namespace std::string_literals;

namespace {

constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brassel 1.2";

template <typename Action>
std::string RegistryError(Action action) {
  try {
    action();
  } catch (const ERegistryException& error) {
    return error.Message();
  }
  return "<no error>";
}

// The value's type and bytes straight from the platform.
std::string RawValue(HKEY root, const char* path, const char* name, DWORD& type) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return "<no key>";
  char data[256];
  DWORD size = sizeof data;
  LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(data), &size);
  RegCloseKey(key);
  return result == static_cast<LONG>(ERROR_SUCCESS) ? std::string(data, size) : "<no value>";
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

class RegistryObjectTest : public ::testing::Test {
 protected:
  PlatformRoot FRoot;
};

TEST_F(RegistryObjectTest, KeysAndStringValues) {
  TRegistry registry;
  EXPECT_EQ(registry.RootKey(), HKEY_CURRENT_USER);
  EXPECT_FALSE(registry.OpenKey("Software\\Test", false));
  ASSERT_TRUE(registry.OpenKey("Software\\Test", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Test");
  ASSERT_TRUE(registry.OpenKey("Inner", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Test\\Inner");
  ASSERT_TRUE(registry.OpenKey("\\Software\\Test", false));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Test");

  EXPECT_FALSE(registry.ValueExists("Name"));
  EXPECT_EQ(registry.ReadString("Name"), "");
  registry.WriteString("Name", "Brassel 1.2");
  EXPECT_TRUE(registry.ValueExists("NAME"));
  EXPECT_EQ(registry.GetDataSize("Name"), 12);
  EXPECT_EQ(registry.ReadString("name"), "Brassel 1.2");
  DWORD type = 0;
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, "Software\\Test", "Name", type), "Brassel 1.2\0"s);
  EXPECT_EQ(type, REG_SZ);
  EXPECT_TRUE(registry.DeleteValue("Name"));
  EXPECT_FALSE(registry.DeleteValue("Name"));

  registry.CloseKey();
  EXPECT_EQ(registry.CurrentKey(), nullptr);
  EXPECT_EQ(registry.CurrentPath(), "");
}

TEST_F(RegistryObjectTest, ReadStringTypesAndData) {
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Types", 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &key, nullptr),
            static_cast<LONG>(ERROR_SUCCESS));
  auto set = [&](const char* name, DWORD type, const std::string& data) {
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(data.data()),
                   static_cast<DWORD>(data.size()));
  };
  set("Expand", REG_EXPAND_SZ, "%USERPROFILE%\\Desktop\0"s);
  set("Unterminated", REG_SZ, "no NUL");
  set("Embedded", REG_SZ, "left\0right\0"s);
  set("EmptyNumber", REG_DWORD, "");
  set("Number", REG_DWORD, "\x05\0\0\0"s);
  RegCloseKey(key);

  TRegistry registry;
  ASSERT_TRUE(registry.OpenKey("Software\\Types", false));
  EXPECT_EQ(registry.ReadString("Expand"), "%USERPROFILE%\\Desktop");
  EXPECT_EQ(registry.ReadString("Unterminated"), "no NUL");
  EXPECT_EQ(registry.ReadString("Embedded"), "left");
  EXPECT_EQ(registry.ReadString("EmptyNumber"), "");
  EXPECT_EQ(RegistryError([&] { registry.ReadString("Number"); }),
            "Invalid data type for 'Number'");
}

TEST_F(RegistryObjectTest, DeleteKeyTakesItsSubkeysAlong) {
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  for (const char* path : {"Top\\A\\A1", "Top\\A\\A2\\Deep", "Top\\B", "Other"})
    registry.CreateKey(path);
  EXPECT_TRUE(registry.DeleteKey("Top"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, "Top"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, "Other"));
  EXPECT_FALSE(registry.DeleteKey("Top"));
}

TEST_F(RegistryObjectTest, FailuresOnAHiveThatCannotBeWritten) {
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  ASSERT_TRUE(registry.OpenKey("Software\\Existing", true));
  ASSERT_EQ(chmod(win32::MachineHivePath().c_str(), 0444), 0);
  EXPECT_EQ(RegistryError([&] { registry.WriteString("DisplayName", "x"); }),
            "Failed to set data for 'DisplayName'");
  EXPECT_EQ(RegistryError([&] { registry.CreateKey(kUninstallKey); }),
            "Failed to create key "s + kUninstallKey);
  EXPECT_FALSE(registry.OpenKey("Software\\New", true));
  EXPECT_EQ(registry.CurrentPath(), "Software\\Existing") << "a failed open keeps the current key";
}

TEST_F(RegistryObjectTest, WithoutAKeyTheRootsValuesAreMeant) {
  TRegistry registry;
  EXPECT_EQ(registry.ReadString("Desktop"), "");
  registry.WriteString("AtRoot", "value");
  DWORD type = 0;
  EXPECT_EQ(RawValue(HKEY_CURRENT_USER, nullptr, "AtRoot", type), "value\0"s);
}

// The installer writes its entry through the INI view and the uninstaller removes it.
TEST_F(RegistryObjectTest, InstallationEntryRoundTrip) {
  {
    TRegIniFile regFile("Software\\Ormund\\Brassel 1.2");
    EXPECT_EQ(regFile.CurrentPath(), "Software\\Ormund\\Brassel 1.2");
    regFile.SetRootKey(HKEY_LOCAL_MACHINE);
    EXPECT_EQ(regFile.CurrentKey(), nullptr);
    regFile.CreateKey(kUninstallKey);
    regFile.WriteString(kUninstallKey, "DisplayName", "Brassel 1.2");
    regFile.WriteString(kUninstallKey, "UninstallString", "/opt/Brassel 1.2/Uninstall.exe");
    EXPECT_EQ(regFile.ReadString(kUninstallKey, "DisplayName", "none"), "Brassel 1.2");
    EXPECT_EQ(regFile.ReadString(kUninstallKey, "Missing", "none"), "none");
  }
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, "Software\\Ormund\\Brassel 1.2"));
  DWORD type = 0;
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", type),
            "/opt/Brassel 1.2/Uninstall.exe\0"s);
  EXPECT_EQ(type, REG_SZ);

  TRegIniFile uninstall("");
  uninstall.SetRootKey(HKEY_LOCAL_MACHINE);
  uninstall.CreateKey(std::string(kUninstallKey) + "\\Leftover");
  uninstall.DeleteKey(kUninstallKey, "DisplayName");
  uninstall.DeleteKey(kUninstallKey, "UninstallString");
  EXPECT_EQ(RawValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", type), "<no value>");
  EXPECT_TRUE(uninstall.DeleteKey(kUninstallKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(
      KeyExists(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"));
  uninstall.DeleteKey(kUninstallKey, "DisplayName");  // a missing key is passed over
}

TEST_F(RegistryObjectTest, InstallationEntryWithoutRights) {
  TRegIniFile regFile("Software\\Ormund\\Brassel 1.2");
  regFile.SetRootKey(HKEY_LOCAL_MACHINE);
  regFile.CreateKey("SOFTWARE");
  ASSERT_EQ(chmod(win32::MachineHivePath().c_str(), 0444), 0);
  EXPECT_EQ(
      RegistryError([&] { regFile.WriteString(kUninstallKey, "DisplayName", "Brassel 1.2"); }),
      "Failed to create key "s + kUninstallKey);
}

}  // namespace
