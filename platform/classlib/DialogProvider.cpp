#include "platform/classlib/DialogProvider.h"

#include <QApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QStringList>

#include "platform/classlib/Application.h"
#include "platform/classlib/QtBridge.h"
#include "platform/classlib/Registry.h"
#include "platform/classlib/TypedFileNames.h"
#include "platform/win32/Machine.h"

namespace {

// The current user's Desktop: the shell folder the platform keeps for it.
std::string DesktopFolder() {
  TRegistry registry(KEY_READ);
  std::string desktop;
  try {
    if (registry.OpenKey(win32::kShellFoldersKey, false)) desktop = registry.ReadString("Desktop");
  } catch (const Exception&) {
    // A value of another type: the user's desktop folder itself.
  }
  return desktop.empty() ? win32::UserDesktopFolder() : desktop;
}

// The files selected in a file dialog's view, as the file system spells them, and the text
// that the dialog writes into its name box for them: one name as it is, several each between
// double quotes, folders left out.
struct PickedFiles {
  std::vector<std::string> Files;
  QString NameBoxText;
};

PickedFiles PickedInView(const QFileDialog& dialog) {
  PickedFiles picked;
  const auto* view = dialog.findChild<QListView*>("listView");
  if (view == nullptr || view->selectionModel() == nullptr) return picked;
  QStringList names;
  for (const QModelIndex& row : view->selectionModel()->selectedRows()) {
    const QString path = row.data(QFileSystemModel::FilePathRole).toString();
    if (QFileInfo(path).isDir()) continue;
    picked.Files.push_back(FromQString(path));
    names << row.data().toString();
  }
  if (names.size() > 1) {
    for (QString& name : names) name = '"' + name + '"';
  }
  picked.NameBoxText = names.join(' ');
  return picked;
}

// Qt's dialogs. Filters arrive as "description|pattern|..." and go to Qt as
// "description (pattern);;...".
class QtDialogs : public TDialogProvider {
 public:
  bool OpenFiles(const TOpenFilesRequest& request, TOpenFilesAnswer& answer) override {
    QStringList fields = ToQString(request.Filter).split('|');
    QStringList filters;
    for (int i = 0; i + 1 < fields.size(); i += 2)
      filters << fields[i] + " (" + QString(fields[i + 1]).replace(';', ' ') + ")";
    QFileDialog dialog(nullptr, ToQString(request.Title.empty() ? "Open" : request.Title),
                       ToQString(request.InitialDir));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(request.MultiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    // Qt takes the patterns from the parentheses that end each filter; the list shows the
    // description alone, as written, which often names its pattern itself.
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setNameFilters(filters);
    if (request.FilterIndex >= 1 && request.FilterIndex <= filters.size())
      dialog.selectNameFilter(filters[request.FilterIndex - 1]);
    if (dialog.exec() != QDialog::Accepted) return false;
    // The files picked in the dialog's view travel as they are spelled, whatever they hold.
    // Only text the user typed into the name box is read as names between quotes, each of
    // them: the dialog's selection holds only those that the filter in use shows.
    const auto* nameBox = dialog.findChild<QLineEdit*>("fileNameEdit");
    std::vector<std::string> files;
    if (nameBox != nullptr) {
      // The name box holds what the dialog wrote there for the files picked in its view (cut
      // to the box's length): those files are the choice. Anything else was typed.
      const PickedFiles picked = PickedInView(dialog);
      if (!picked.Files.empty() &&
          nameBox->text() == picked.NameBoxText.left(nameBox->maxLength())) {
        files = picked.Files;
      } else {
        files = TypedFileNames(FromQString(nameBox->text()),
                               FromQString(dialog.directory().absolutePath()));
      }
    }
    if (files.empty()) {
      for (const QString& file : dialog.selectedFiles()) files.push_back(FromQString(file));
    }
    if (files.empty()) return false;
    answer.Files = files;
    // The dialog names the chosen filter either whole or by the description it shows.
    const QString chosen = dialog.selectedNameFilter();
    int index = -1;
    for (int i = 0; i < filters.size() && index < 0; ++i)
      if (chosen == filters[i] || chosen == fields[2 * i].trimmed()) index = i;
    answer.FilterIndex = index >= 0 ? index + 1 : request.FilterIndex;
    return true;
  }

  bool BrowseForFolder(const std::string& title, std::string& folder) override {
    // Rooted at the top of the shell's namespace, the Desktop, and owned by the application's
    // window, as the shell's folder dialog is.
    QWidget* owner =
        Application && Application->MainForm() ? Application->MainForm()->Widget() : nullptr;
    QString chosen =
        QFileDialog::getExistingDirectory(owner, ToQString(title), ToQString(DesktopFolder()));
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
