// The machine: one directory, the platform root, holds what a Windows machine keeps for its
// users: the Windows directory, the registry hives and the default user folders.
//
// The environment variable that the product's build names (PLATFORM_ROOT_VARIABLE) names the
// root; without it the root is the build's PLATFORM_ROOT_FOLDER in the user's XDG data
// directory ($XDG_DATA_HOME, or ~/.local/share). A relative root is taken from the working
// folder that the program started in, so that no later change of the working folder moves
// it. The root stands for the system drive: it and
// its "Program Files" folder are created when the root is first asked for, the Windows
// directory when that is.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/win32/Types.h"

namespace win32 {

// The platform root, without a trailing "/".
std::string MachineRoot();

// The hive files of HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE.
std::string UserHivePath();
std::string MachineHivePath();

// The current user's "Shell Folders" key and the values a user hive always holds, given
// to a fresh hive and to one that lacks them: "Desktop" (the user's XDG desktop folder) and
// "Programs" (a folder inside the root), both created here, so that programs can put their
// files and folders into them.
inline constexpr const char* kShellFoldersKey =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
std::vector<std::pair<std::string, std::string>> DefaultShellFolders();

// Whether a shell folder value's text names a folder: an absolute path other than the root of
// the file system (however spelled: "//", "/.", "/tmp/.."). Anything else counts as missing.
bool IsShellFolderPath(const std::string& folder);

// Makes the folder that a shell folder value names, with the folders above it, as the shell
// keeps its folders even when the user deleted one; a path that is not absolute, or cannot
// be made, is left as it is.
void MakeShellFolder(const std::string& folder);

// The user's XDG desktop folder: XDG_DESKTOP_DIR of $XDG_CONFIG_HOME/user-dirs.dirs (or
// ~/.config/user-dirs.dirs), else ~/Desktop.
std::string UserDesktopFolder();

}  // namespace win32

// Copies the Windows directory (no trailing "/") with its NUL into the buffer and returns its
// length; when the buffer is too small, returns the size needed, NUL included; 0 on failure.
UINT WINAPI GetWindowsDirectoryA(LPSTR buffer, UINT size);
