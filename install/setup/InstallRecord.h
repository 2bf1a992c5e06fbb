// The installation record: everything setup writes, in its order. The per-user key, the
// target directory with both programs and "setup.log", the machine's uninstall entry with its
// two values, the maker's folder in the Programs folder and the two shortcuts. A failure ends
// the record at the failing step and is raised on; the uninstall entry alone is taken back.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "controls/ShellFolders.h"
#include "install/setup/ZebShortcut.h"
#include "platform/classlib/RegIniFile.h"

class InstallRecord {
 public:
  static constexpr const char* kUserKey = "Software\\Ormund\\Brassel 1.2";
  static constexpr const char* kUninstallKey =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brassel 1.2";

  // A program's bytes as setup carries them.
  struct Payload {
    const void* Data;
    int32_t Size;
  };

  // Folders gives the Programs and Desktop folders and Shortcut writes the links. StepDone is
  // called after each step that changes the disk or the registry, with the number of steps
  // done so far.
  InstallRecord(TShellFolders& Folders, TZebShortcut& Shortcut,
                std::function<void(int Step)> StepDone);

  // Writes the record for the target directory Target. RegFile receives the registry object
  // through which the record's keys are written; it stays the caller's.
  void Write(const std::string& Target, Payload Converter, Payload Uninstaller,
             std::unique_ptr<TRegIniFile>& RegFile);

 private:
  void WriteUninstallEntry(TRegIniFile& RegFile, const std::string& UninstallString);
  void StepDone();

  TShellFolders& folders_;
  TZebShortcut& shortcut_;
  std::function<void(int)> stepDone_;
  int stepsDone_ = 0;
};
