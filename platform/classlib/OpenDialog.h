// The platform's dialog for choosing files to open. Execute shows it through the dialog
// provider; a confirmed choice makes the chosen files' folder the current directory, unless
// ofNoChangeDir is set.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/classlib/Component.h"
#include "platform/classlib/StringList.h"

using TOpenOptions = uint32_t;
inline constexpr TOpenOptions ofReadOnly = 1u << 0;
inline constexpr TOpenOptions ofOverwritePrompt = 1u << 1;
inline constexpr TOpenOptions ofHideReadOnly = 1u << 2;
inline constexpr TOpenOptions ofNoChangeDir = 1u << 3;
inline constexpr TOpenOptions ofAllowMultiSelect = 1u << 9;
inline constexpr TOpenOptions ofPathMustExist = 1u << 11;
inline constexpr TOpenOptions ofFileMustExist = 1u << 12;
inline constexpr TOpenOptions ofEnableSizing = 1u << 23;

class TOpenDialog : public TComponent {
 public:
  explicit TOpenDialog(TComponent* AOwner);
  ~TOpenDialog() override;

  // "description|pattern|description|pattern..."
  const std::string& Filter() const { return FFilter; }
  void SetFilter(const std::string& value) { FFilter = value; }
  // The filter in use, counted from 1; after a confirmed choice the one the user left on.
  int FilterIndex() const { return FFilterIndex; }
  void SetFilterIndex(int value) { FFilterIndex = value; }
  const std::string& InitialDir() const { return FInitialDir; }
  void SetInitialDir(const std::string& value) { FInitialDir = value; }
  const std::string& Title() const { return FTitle; }
  void SetTitle(const std::string& value) { FTitle = value; }
  TOpenOptions Options() const { return FOptions; }
  void SetOptions(TOpenOptions value) { FOptions = value; }

  // The first chosen file, and all of them in the dialog's order.
  const std::string& FileName() const { return FFileName; }
  void SetFileName(const std::string& value) { FFileName = value; }
  TStrings* Files() { return FFiles.get(); }

  // False when the user cancels; then nothing changes.
  bool Execute();

 private:
  std::string FFilter;
  int FFilterIndex = 1;
  std::string FInitialDir;
  std::string FTitle;
  TOpenOptions FOptions = ofHideReadOnly | ofEnableSizing;
  std::string FFileName;
  std::unique_ptr<TStringList> FFiles;
};
