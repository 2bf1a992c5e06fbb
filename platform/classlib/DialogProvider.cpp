#include "platform/classlib/DialogProvider.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>

#include "platform/classlib/Application.h"
#include "platform/classlib/QtBridge.h"

namespace {

// Qt's dialogs. Filters arrive as "description|pattern|..." and go to Qt as
// "description (pattern);;...".
class QtDialogs : public TDialogProvider {
 public:
  bool OpenFiles(const TOpenFilesRequest& request, TOpenFilesAnswer& answer) override {
    QStringList fields = ToQString(request.Filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < fields.size(); i += 2)
      filters << fields[i] + " (" + QString(fields[i + 1]).replace(';', ' ') + ")";
    QString selected;
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
      selected = filters[request.FilterIndex - 1];
    QString caption = ToQString(request.Title.empty() ? "Open" : request.Title);
    QStringList files;
    if (request.MultiSelect) {
      files = QFileDialog::getOpenFileNames(nullptr, caption, ToQString(request.InitialDir),
                                            filters.join(";;"), &selected);
    } else {
      QString file = QFileDialog::getOpenFileName(nullptr, caption, ToQString(request.InitialDir),
                                                  filters.join(";;"), &selected);
      if (!file.isEmpty()) files << file;
    }
    if (files.isEmpty()) return false;
    answer.Files.clear();
    for (const QString& file : files) answer.Files.push_back(FromQString(file));
    int index = int(filters.indexOf(selected));
    answer.FilterIndex = index >= 0 ? index + 1 : request.FilterIndex;
    return true;
  }

  bool BrowseForFolder(const std::string& title, std::string& folder) override {
    QString chosen = QFileDialog::getExistingDirectory(nullptr, ToQString(title), QString());
    if (chosen.isEmpty()) return false;
    std::string path = FromQString(chosen);
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    folder = path;
    return true;
  }

  int MessageBox(const std::string& text, const std::string& caption, UINT flags) override {
    QMessageBox box;
    box.setWindowTitle(ToQString(caption));
    box.setText(ToQString(text));
    switch (flags & 0xF0) {
      case MB_ICONERROR: box.setIcon(QMessageBox::Critical); break;
      case MB_ICONQUESTION: box.setIcon(QMessageBox::Question); break;
      case MB_ICONWARNING: box.setIcon(QMessageBox::Warning); break;
      case MB_ICONINFORMATION: box.setIcon(QMessageBox::Information); break;
      default: break;
    }
    switch (flags & 0x0F) {
      case MB_OKCANCEL: box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel); break;
      case MB_YESNO: box.setStandardButtons(QMessageBox::Yes | QMessageBox::No); break;
      case MB_YESNOCANCEL:
        box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        break;
      default: box.setStandardButtons(QMessageBox::Ok); break;
    }
    switch (box.exec()) {
      case QMessageBox::Cancel: return IDCANCEL;
      case QMessageBox::Yes: return IDYES;
      case QMessageBox::No: return IDNO;
      default: return IDOK;
    }
  }
};

TDialogProvider* g_provider = nullptr;

TDialogProvider* QtProvider() {
  static QtDialogs provider;
  return &provider;
}

}  // namespace

TDialogProvider* DialogProvider() { return g_provider ? g_provider : QtProvider(); }

TDialogProvider* SetDialogProvider(TDialogProvider* provider) {
  TDialogProvider* previous = g_provider;
  g_provider = provider;
  return previous;
}
