// Setup's forms as its program block makes them, in a process and platform root of the test's
// own, with scripted dialogs. Clicks and timer ticks are delivered as the window system would
// deliver them: an exception goes to the application's error box.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/classlib/ScriptedDialogs.h"
#include "platform/win32/Registry.h"
#include "tests/support/PlatformRoot.h"

class TControl;

namespace setup_test {

struct RegValue {
  bool Exists = false;
  DWORD Type = REG_NONE;
  std::string Data;  // every byte, the terminating zero of a string included
};
RegValue QueryValue(HKEY Root, const std::string& Key, const std::string& Name);
bool KeyExists(HKEY Root, const std::string& Key);

struct LinkContents {
  bool Loaded = false;
  std::string Path, Arguments, Description, WorkingDirectory, IconLocation;
  int IconIndex = 0;
  WORD HotKey = 0;
  int ShowCmd = -1;
};
// Reads a link file through the shell-link object (the calling thread must be in an apartment).
LinkContents ReadLink(const std::string& FileName);

// The bytes of one of the program's resources.
std::string ResourceBytes(const char* Name, const char* Type);

class SetupTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  void Click(TControl* Control);
  void Tick(int Count = 1);
  // "&Next", then the folder button answered with Folder; returns the target it gives.
  std::string ChooseFolder(const std::string& Folder);
  // The current user's Desktop and Programs folders, with their trailing "/".
  std::string Desktop();
  std::string Programs();
  bool Ended() const;

  std::unique_ptr<PlatformRoot> Root;
  std::unique_ptr<TScriptedDialogs> Dialogs;
  bool Started = false;

 private:
  std::string OwnFolder(const std::string& Folder);
  static bool RootLinksPresent();
  bool LinksInTheRoot = false;
};

inline constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brassel 1.2";
inline constexpr const char* kUserKey = "Software\\Ormund\\Brassel 1.2";

}  // namespace setup_test
