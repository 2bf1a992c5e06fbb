#include "platform/classlib/ScriptedDialogs.h"

TScriptedDialogs::TScriptedDialogs() { FPrevious = SetDialogProvider(this); }

TScriptedDialogs::~TScriptedDialogs() { SetDialogProvider(FPrevious); }

void TScriptedDialogs::AnswerOpenFiles(std::vector<std::string> files, int filterIndex) {
  TOpenFilesAnswer answer;
  answer.Files = std::move(files);
  answer.FilterIndex = filterIndex;
  FOpenAnswers.push_back(std::move(answer));
}

void TScriptedDialogs::AnswerFolder(std::string folder) {
  FFolderAnswers.push_back(std::move(folder));
}

void TScriptedDialogs::AnswerMessageBox(int result) { FMessageAnswers.push_back(result); }

bool TScriptedDialogs::OpenFiles(const TOpenFilesRequest& request, TOpenFilesAnswer& answer) {
  OpenRequests.push_back(request);
  if (FOpenAnswers.empty()) return false;
  TOpenFilesAnswer next = std::move(FOpenAnswers.front());
  FOpenAnswers.pop_front();
  // No files: the user cancelled.
  if (next.Files.empty()) return false;
  answer = std::move(next);
  return true;
}

bool TScriptedDialogs::BrowseForFolder(const std::string& title, std::string& folder) {
  FolderTitles.push_back(title);
  if (FFolderAnswers.empty()) return false;
  std::string next = std::move(FFolderAnswers.front());
  FFolderAnswers.pop_front();
  if (next.empty()) return false;
  folder = std::move(next);
  return true;
}

int TScriptedDialogs::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  Messages.push_back({text, caption, flags});
  if (FMessageAnswers.empty()) return IDOK;
  int result = FMessageAnswers.front();
  FMessageAnswers.pop_front();
  return result;
}
