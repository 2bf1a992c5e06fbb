// Works the file-open dialog that opens next, as a user does: it picks a filter (counted from 1;
// 0 keeps the one shown), goes to a folder, waits until
// the dialog has read the whole folder and lists a file that the filter lets through, types
// into the name box and presses Open. (The dialog reads the folder on a thread of its own; a
// name typed before the folder is read is taken past the filter.) Or it clicks files in the
// dialog's view, the first one, then the others with Ctrl held, and presses Open.
#pragma once

#include <QApplication>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTreeView>

#include <chrono>
#include <string>
#include <vector>

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
    const auto connection =
        QObject::connect(model, &QFileSystemModel::directoryLoaded,
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

struct PickedInOpenDialog {
  bool Picked = false;
  // What the dialog then showed in its name box.
  std::string NameBox;
};

inline void PickInNextOpenDialog(const std::string& Folder, const std::vector<std::string>& Names,
                                 PickedInOpenDialog& Result) {
  QTimer::singleShot(0, [=, &Result] {
    auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr) return;
    // The view the dialog shows, its list or its details; both hold one selection.
    QAbstractItemView* list = dialog->findChild<QListView*>("listView");
    if (list != nullptr && !list->isVisible()) list = dialog->findChild<QTreeView*>("treeView");
    auto* nameBox = dialog->findChild<QLineEdit*>("fileNameEdit");
    auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
    QPushButton* open = buttons ? buttons->button(QDialogButtonBox::Open) : nullptr;
    if (list == nullptr || nameBox == nullptr || open == nullptr) {
      dialog->reject();
      return;
    }
    dialog->setDirectory(QString::fromStdString(Folder));
    // The rows of the names, once the dialog lists them all.
    std::vector<QModelIndex> rows;
    const auto listed = [&] {
      QApplication::processEvents();
      rows.clear();
      for (const std::string& name : Names) {
        const QString shown = QString::fromStdString(name);
        for (int row = 0; row < list->model()->rowCount(list->rootIndex()); ++row) {
          const QModelIndex index = list->model()->index(row, 0, list->rootIndex());
          if (index.data().toString() == shown) rows.push_back(index);
        }
      }
      return rows.size() == Names.size();
    };
    if (WaitFor(listed, std::chrono::seconds(20))) {
      // A press of the mouse in the view takes the focus there, which the test's clicks do
      // not do by themselves; the dialog then shows the picked names in its name box.
      list->setFocus(Qt::MouseFocusReason);
      for (size_t i = 0; i < rows.size(); ++i) {
        list->scrollTo(rows[i]);
        QTest::mouseClick(list->viewport(), Qt::LeftButton,
                          i == 0 ? Qt::KeyboardModifiers() : Qt::ControlModifier,
                          list->visualRect(rows[i]).center());
      }
      Result.NameBox = nameBox->text().toStdString();
      Result.Picked = true;
    }
    QTimer::singleShot(0, [] {
      if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) box->reject();
    });
    if (Result.Picked) QTest::mouseClick(open, Qt::LeftButton);
    if (dialog->isVisible()) dialog->reject();
  });
}
