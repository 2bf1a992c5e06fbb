// Works the file-open dialog that opens next, as a user does: it picks a filter (counted from 1;
// 0 keeps the one shown), goes to a folder, waits until
// the dialog has read the whole folder and lists a file that the filter lets through, types
// into the name box and presses Open. (The dialog reads the folder on a thread of its own; a
// name typed before the folder is read is taken past the filter.)
#pragma once

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QTimer>

#include <chrono>
#include <string>

#include "tests/support/Wait.h"

struct TypedIntoOpenDialog {
  bool Typed = false;
  // The rows that the dialog itself selected for the typed text.
  int Selected = -1;
};

inline void TypeIntoNextOpenDialog(int Filter, const std::string& Folder, const std::string& Shown,
                                   const std::string& Text, TypedIntoOpenDialog& Result) {
  QTimer::singleShot(0, [=, &Result] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    auto* list = dialog->findChild<QListView*>("listView");
    auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
    auto* model = dialog->findChild<QFileSystemModel*>();
    if (list == nullptr || nameBox == nullptr || model == nullptr) {
      dialog->reject();
      return;
    }
    if (Filter >= 1 && Filter <= dialog->nameFilters().size())
      dialog->selectNameFilter(dialog->nameFilters().at(Filter - 1));
    const QString folder = QDir::cleanPath(QString::fromStdString(Folder));
    bool read = false;
    const auto connection = QObject::connect(model, &QFileSystemModel::directoryLoaded,
                                             [&](const QString& path) { read |= QDir::cleanPath(path) == folder; });
    dialog->setDirectory(folder);
    const QString shown = QString::fromStdString(Shown);
    const auto listed = [&] {
      QApplication::processEvents();
      if (!read) return false;
      for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
        if (list->model()->index(row, 0, list->rootIndex()).data().toString() == shown) return true;
      }
      return false;
    };
    const bool ready = WaitFor(listed, std::chrono::seconds(20));
    QObject::disconnect(connection);
    if (ready) {
      nameBox->setText(QString::fromStdString(Text));
      Result.Selected = static_cast<int>(list->selectionModel()->selectedRows().size());
      Result.Typed = true;
    }
    // A warning the dialog may raise instead of closing is dismissed, and the dialog cancelled,
    // so that a refusal fails the test instead of hanging it.
    QTimer::singleShot(0, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
    });
    if (Result.Typed) static_cast<QDialog*>(dialog)->accept();  // its own checks run, as for Open
    if (dialog->isVisible()) dialog->reject();
  });
}
