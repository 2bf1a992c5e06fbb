// A test-only driver, preloaded (LD_PRELOAD) into an installed program that runs as a process
// of its own: it works the program's windows the way a user would, through Qt's public API on
// the widgets the program shows, and changes nothing in the program itself.
//
// BRASSEL_FORM_DRIVER holds the steps, one a line, each a verb and its arguments separated
// by "|"; a step is retried every few milliseconds until it can be done:
//   click|<text>               clicks the enabled button of that text ("&" and outer blanks
//                              ignored)
//   folder|<folder>            confirms the open folder dialog with that folder
//   open|<filter index>|<file> confirms the open file dialog with that file, the filter
//                              (counted from 1) in use
//   rows|<count>               waits until the shown list holds that many rows
//   enabled|<text>             waits until the button of that text is enabled
// A message box that shows up, or a step not done within BRASSEL_FORM_DRIVER_SECONDS (60),
// ends the process with its text on the standard error and exit status 3 or 4.
#include <unistd.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>
#include <QTreeWidget>
#include <QWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

using Clock = std::chrono::steady_clock;

struct Driver {
  QStringList Steps;
  int Next = 0;
  Clock::time_point Deadline;
  std::chrono::seconds Allowed{60};
};

Driver* driver = nullptr;

[[noreturn]] void Fail(int status, const QString& text) {
  std::fprintf(stderr, "form driver: %s\n", text.toUtf8().constData());
  std::fflush(stderr);
  _exit(status);
}

QString Plain(QString text) { return text.remove('&').trimmed(); }

QList<QWidget*> ShownWindows() {
  QList<QWidget*> shown;
  for (QWidget* window : QApplication::topLevelWidgets())
    if (window->isVisible()) shown << window;
  return shown;
}

QAbstractButton* FindButton(const QString& text) {
  for (QWidget* window : ShownWindows()) {
    if (qobject_cast<QFileDialog*>(window) != nullptr) continue;
    for (QAbstractButton* button : window->findChildren<QAbstractButton*>())
      if (button->isVisible() && Plain(button->text()) == Plain(text)) return button;
  }
  return nullptr;
}

QFileDialog* ShownFileDialog() {
  for (QWidget* window : ShownWindows())
    if (auto* dialog = qobject_cast<QFileDialog*>(window)) return dialog;
  return nullptr;
}

// True when the step is done.
bool Perform(const QStringList& step) {
  const QString& verb = step.value(0);
  if (verb == "click") {
    QAbstractButton* button = FindButton(step.value(1));
    if (button == nullptr || !button->isEnabled()) return false;
    // Queued: a handler that opens a modal dialog must not hold this step up.
    QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    return true;
  }
  if (verb == "enabled") {
    QAbstractButton* button = FindButton(step.value(1));
    return button != nullptr && button->isEnabled();
  }
  if (verb == "folder") {
    QFileDialog* dialog = ShownFileDialog();
    if (dialog == nullptr) return false;
    dialog->setDirectory(step.value(1));
    static_cast<QDialog*>(dialog)->accept();  // the dialog's own checks run as for its button
    return true;
  }
  if (verb == "open") {
    QFileDialog* dialog = ShownFileDialog();
    if (dialog == nullptr) return false;
    const QStringList filters = dialog->nameFilters();
    const int index = step.value(1).toInt() - 1;
    if (index < 0 || index >= filters.size()) Fail(4, "no filter " + step.value(1));
    dialog->selectNameFilter(filters[index]);
    // Typed into the name box, as a user does (selectFile leaves a box with focus alone).
    const QFileInfo file(step.value(2));
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    if (name == nullptr) Fail(4, "the file dialog has no name box");
    dialog->setDirectory(file.absolutePath());
    name->setText(file.fileName());
    static_cast<QDialog*>(dialog)->accept();  // the dialog's own checks run as for its button
    return true;
  }
  if (verb == "rows") {
    for (QWidget* window : ShownWindows())
      for (QTreeWidget* list : window->findChildren<QTreeWidget*>())
        if (list->isVisible()) return list->topLevelItemCount() == step.value(1).toInt();
    return false;
  }
  Fail(4, "unknown step " + step.join('|'));
}

void Step() {
  for (QWidget* window : ShownWindows())
    if (auto* box = qobject_cast<QMessageBox*>(window))
      Fail(3, "message box \"" + box->windowTitle() + "\": " + box->text());
  while (driver->Next < driver->Steps.size()) {
    const QStringList step = driver->Steps[driver->Next].split('|');
    if (!Perform(step)) {
      if (Clock::now() > driver->Deadline) {
        QStringList titles;
        for (QWidget* window : ShownWindows()) titles << window->windowTitle();
        Fail(4, "step not done in time: " + step.join('|') + "; windows: " + titles.join(", "));
      }
      return;
    }
    ++driver->Next;
    driver->Deadline = Clock::now() + driver->Allowed;
  }
}

void StartDriver() {
  const char* script = std::getenv("BRASSEL_FORM_DRIVER");
  if (script == nullptr) return;
  driver = new Driver;
  driver->Steps = QString::fromUtf8(script).split('\n', Qt::SkipEmptyParts);
  if (const char* seconds = std::getenv("BRASSEL_FORM_DRIVER_SECONDS"))
    driver->Allowed = std::chrono::seconds(std::atoi(seconds));
  driver->Deadline = Clock::now() + driver->Allowed;
  auto* timer = new QTimer(QCoreApplication::instance());
  QObject::connect(timer, &QTimer::timeout, Step);
  timer->start(20);
}

}  // namespace

Q_COREAPP_STARTUP_FUNCTION(StartDriver)
