// A non-visual component for one shell link file: the eight link settings, the link file's
// own path (LnkFile) and how Load asks for the target path (Options). Assigning a different
// LnkFile loads that file at once; Load never raises; Save writes every setting (changing an
// existing link, or making a new one) and raises "Could not create Shortcut " + LnkFile on any
// failure. Each Load and Save uses a shell-link object of its own, on the calling thread,
// which must have entered a COM apartment.
#pragma once

#include <cstdint>
#include <string>

#include "platform/classlib/Component.h"

// The hot-key word as the shell gives it: virtual-key code low, modifier flags high.
using TShortCut = uint16_t;

// The set of load options, one bit each: the shell's SLGP_SHORTPATH and SLGP_UNCPRIORITY.
using TZebShortcutOptions = uint8_t;
inline constexpr TZebShortcutOptions loShortFileName = 0x01;
inline constexpr TZebShortcutOptions loUNCPriority = 0x02;

// Each member stands for the shell's show command of the same name; a link holds the value.
enum class TShowWindow : uint8_t {
  SW_HIDE,
  SW_MAXIMIZE,
  SW_MINIMIZE,
  SW_RESTORE,
  SW_SHOW,
  SW_SHOWDEFAULT,
  SW_SHOWMAXIMIZED,
  SW_SHOWMINIMIZED,
  SW_SHOWMINNOACTIVE,
  SW_SHOWNA,
  SW_SHOWNOACTIVATE,
  SW_SHOWNORMAL,
};

// The shell's value of a member, and the member for a value read from a link: 3, which
// SW_MAXIMIZE and SW_SHOWMAXIMIZED share, is SW_SHOWMAXIMIZED (the name links use), and a
// value no member names is SW_SHOWNORMAL, as readers of the link format take it.
int ShowWindowValue(TShowWindow value);
TShowWindow ShowWindowMember(int value);

class TZebShortcut : public TComponent {
 public:
  explicit TZebShortcut(TComponent* AOwner) : TComponent(AOwner) {}

  const std::string& Arguments() const { return FArguments; }
  void SetArguments(const std::string& Value);
  const std::string& Description() const { return FDescription; }
  void SetDescription(const std::string& Value);
  TShortCut HotKey() const { return FHotKey; }
  void SetHotKey(TShortCut Value);
  int32_t IconIndex() const { return FIconIndex; }
  void SetIconIndex(int32_t Value);
  const std::string& IconLocation() const { return FIconLocation; }
  void SetIconLocation(const std::string& Value);
  const std::string& LnkFile() const { return FLnkFile; }
  // A different path loads the link there (or clears the settings when there is none).
  void SetLnkFile(const std::string& Value);
  TZebShortcutOptions Options() const { return FOptions; }
  void SetOptions(TZebShortcutOptions Value);
  const std::string& PathName() const { return FPathName; }
  void SetPathName(const std::string& Value);
  TShowWindow ShowCmd() const { return FShowCmd; }
  void SetShowCmd(TShowWindow Value);
  const std::string& WorkingDirectory() const { return FWorkingDirectory; }
  void SetWorkingDirectory(const std::string& Value);

  // Empties the eight link settings (ShowCmd becomes SW_SHOWNORMAL).
  void Clear();
  void Load();
  void Save();

 private:
  std::string FArguments;
  std::string FDescription;
  TShortCut FHotKey = 0;
  int32_t FIconIndex = 0;
  std::string FIconLocation;
  std::string FLnkFile;
  TZebShortcutOptions FOptions = 0;
  std::string FPathName;
  TShowWindow FShowCmd = TShowWindow::SW_HIDE;
  std::string FWorkingDirectory;
};
