// The common dialogs and message boxes. Everything the class library and the programs ask
// the user goes through the installed provider: the default one shows Qt's dialogs; tests
// install one with scripted answers.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/Types.h"

// Message box styles and answers.
inline constexpr UINT MB_OK = 0x00000000;
inline constexpr UINT MB_OKCANCEL = 0x00000001;
inline constexpr UINT MB_YESNOCANCEL = 0x00000003;
inline constexpr UINT MB_YESNO = 0x00000004;
inline constexpr UINT MB_ICONERROR = 0x00000010;
inline constexpr UINT MB_ICONHAND = MB_ICONERROR;
inline constexpr UINT MB_ICONSTOP = MB_ICONERROR;
inline constexpr UINT MB_ICONQUESTION = 0x00000020;
inline constexpr UINT MB_ICONWARNING = 0x00000030;
inline constexpr UINT MB_ICONEXCLAMATION = MB_ICONWARNING;
inline constexpr UINT MB_ICONINFORMATION = 0x00000040;
inline constexpr UINT MB_ICONASTERISK = MB_ICONINFORMATION;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

struct TOpenFilesRequest {
  std::string Title;
  // Pairs of description and pattern: "Mp3 Files (*.mp3)|*.mp3|Playlist Files (*.m3u)|*.m3u".
  std::string Filter;
  int FilterIndex = 1;  // counted from 1
  std::string InitialDir;
  bool MultiSelect = false;
};

struct TOpenFilesAnswer {
  std::vector<std::string> Files;  // full paths, in the dialog's order
  int FilterIndex = 1;             // the filter in use when the user confirmed
};

class TDialogProvider {
 public:
  virtual ~TDialogProvider() = default;
  // False when the user cancels.
  virtual bool OpenFiles(const TOpenFilesRequest& request, TOpenFilesAnswer& answer) = 0;
  // The chosen folder without a trailing separator (except the root); false on cancel.
  virtual bool BrowseForFolder(const std::string& title, std::string& folder) = 0;
  // Returns the button pressed (IDOK ...).
  virtual int MessageBox(const std::string& text, const std::string& caption, UINT flags) = 0;
};

// The installed provider; the Qt one until another is installed.
TDialogProvider* DialogProvider();
// Installs a provider (not owned); nullptr restores the Qt one. Returns the previous one.
TDialogProvider* SetDialogProvider(TDialogProvider* provider);
