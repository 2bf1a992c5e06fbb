// A dialog provider with answers given in advance, for tests: it records every message box
// and answers the dialogs from its queues (cancel when a queue is empty).
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/classlib/DialogProvider.h"

class TScriptedDialogs : public TDialogProvider {
 public:
  struct Message {
    std::string Text;
    std::string Caption;
    UINT Flags = 0;
  };

  // Installs itself for its lifetime.
  TScriptedDialogs();
  ~TScriptedDialogs() override;

  // An empty answer (no files, no folder) is a cancelled dialog.
  void AnswerOpenFiles(std::vector<std::string> files, int filterIndex);
  void AnswerFolder(std::string folder);
  void AnswerMessageBox(int result);

  bool OpenFiles(const TOpenFilesRequest& request, TOpenFilesAnswer& answer) override;
  bool BrowseForFolder(const std::string& title, std::string& folder) override;
  int MessageBox(const std::string& text, const std::string& caption, UINT flags) override;

  std::vector<Message> Messages;
  std::vector<TOpenFilesRequest> OpenRequests;
  std::vector<std::string> FolderTitles;

 private:
  std::deque<TOpenFilesAnswer> FOpenAnswers;
  std::deque<std::string> FFolderAnswers;
  std::deque<int> FMessageAnswers;
  TDialogProvider* FPrevious = nullptr;
};
