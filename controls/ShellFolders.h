// The shell-folder lookup: the Windows directory and the current user's Desktop and
// Start-menu Programs folders, each followed by "/", so that a caller appends a file name or
// a relative path directly. Every call asks the platform again; a lookup that finds nothing
// gives "/" alone. The component holds no state and draws nothing.
#pragma once

#include <string>

#include "platform/classlib/CustomControl.h"

class TShellFolders : public TCustomControl {
 public:
  explicit TShellFolders(TComponent* AOwner) : TCustomControl(AOwner) {}

  std::string GetWindowsDir();
  // The "Desktop" and "Programs" values of the current user's "Shell Folders" key, which
  // they create when it is missing; REG_SZ or REG_EXPAND_SZ, taken unexpanded up to the first
  // NUL. A value that names no folder (missing, of another type, not an absolute path, the
  // root) gives the platform's default folder instead, which the platform writes back.
  std::string GetDesktop();
  std::string GetPrograms();
};
