#include "platform/classlib/OpenDialog.h"

#include <unistd.h>

#include "platform/classlib/Application.h"
#include "platform/classlib/DialogProvider.h"

TOpenDialog::TOpenDialog(TComponent* AOwner)
    : TComponent(AOwner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

bool TOpenDialog::Execute() {
  Application->Initialize();
  TOpenFilesRequest request;
  request.Title = FTitle;
  request.Filter = FFilter;
  request.FilterIndex = FFilterIndex;
  request.InitialDir = FInitialDir;
  request.MultiSelect = (FOptions & ofAllowMultiSelect) != 0;
  TOpenFilesAnswer answer;
  if (!DialogProvider()->OpenFiles(request, answer) || answer.Files.empty()) return false;
  FFiles->Clear();
  for (const std::string& file : answer.Files) FFiles->Add(file);
  FFileName = answer.Files.front();
  FFilterIndex = answer.FilterIndex;
  if (!(FOptions & ofNoChangeDir)) {
    size_t slash = FFileName.find_last_of('/');
    if (slash != std::string::npos) {
      std::string folder = slash == 0 ? "/" : FFileName.substr(0, slash);
      // The platform's dialog leaves the folder it showed as the current directory; a
      // folder that cannot be entered leaves the current directory as it is.
      int result = chdir(folder.c_str());
      (void)result;
    }
  }
  return true;
}
