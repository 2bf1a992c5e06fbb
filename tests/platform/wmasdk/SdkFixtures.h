// Fixture files of the reader's tests; file names reach the reader in UTF-16, as the module's
// code page conversion gives them (win32::Utf8ToUtf16).
#pragma once

#include <filesystem>
#include <string>

#include "platform/win32/CodePage.h"
#include "platform/wmasdk/WmaSdk.h"
#include "tests/support/Files.h"
#include "tests/support/TempFolder.h"

inline std::string WmaFixture(const std::string& name) {
  return FixturePath("wma/" + name).string();
}
