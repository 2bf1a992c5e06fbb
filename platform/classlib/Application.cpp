#include "platform/classlib/Application.h"

#include <QApplication>
#include <QtGlobal>
#include <QGuiApplication>
#include <QIcon>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QThread>

#include <unistd.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"
#include "platform/win32/Machine.h"
#include "platform/win32/Resources.h"

namespace {

// The program's file name without its folder and extension, the title until one is set.
std::string ProgramName() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  std::string name(path, size_t(length));
  name = name.substr(name.find_last_of('/') + 1);
  size_t dot = name.find_last_of('.');
  return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

// The program's icon: its bitmap resource "MAINICON", the colour of the bottom-left pixel
// transparent; none when the program carries no such resource.
QIcon ProgramIcon() {
  if (FindResourceA(nullptr, "MAINICON", "BITMAP") == nullptr) return QIcon();
  TBitmap bitmap;
  bitmap.LoadFromResourceName(nullptr, "MAINICON");
  return QIcon(QPixmap::fromImage(TransparentImage(bitmap, bitmap.TransparentColor())));
}

// Qt's command line: the program's own name, kept while Qt lives.
int g_argc = 1;
std::string g_programName;
char* g_argv[] = {nullptr, nullptr};

QtMessageHandler g_qtMessageHandler = nullptr;

// While the window system starts, Qt's one fatal message is that no platform could be
// started (a display that is not running, a platform that is not there); it would abort
// with advice about reinstalling. Qt's warnings before it say what failed.
void WindowSystemStartMessage(QtMsgType type, const QMessageLogContext& context,
                              const QString& text) {
  if (type != QtFatalMsg) {
    g_qtMessageHandler(type, context, text);
    return;
  }
  std::string settings;
  for (const char* name : {"QT_QPA_PLATFORM", "WAYLAND_DISPLAY", "DISPLAY"}) {
    const char* value = std::getenv(name);
    if (value == nullptr || *value == '\0') continue;
    settings += (settings.empty() ? "" : ", ") + std::string(name) + "=" + value;
  }
  std::fprintf(stderr,
               "Cannot open the display (%s): run this in a desktop session whose display is "
               "running, or with QT_QPA_PLATFORM=offscreen to run it unseen.\n",
               settings.c_str());
  std::fflush(stderr);
  // Inside Qt's start: nothing of the process is torn down on the way out.
  std::_Exit(1);
}

}  // namespace

TApplication* Application = new TApplication(nullptr);
TScreen* Screen = new TScreen();

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}
TApplication::~TApplication() = default;

void TApplication::Initialize() {
  if (FInitialized) return;
  FInitialized = true;
  // A write beyond the file-size limit then fails (EFBIG) where it happens, and the program
  // says so, instead of being ended by the signal.
  std::signal(SIGXFSZ, SIG_IGN);
  if (QCoreApplication::instance() == nullptr) {
    // Without a window system Qt aborts with advice about reinstalling; say what helps instead.
    const auto unset = [](const char* name) {
      const char* value = std::getenv(name);
      return value == nullptr || *value == '\0';
    };
    if (unset("DISPLAY") && unset("WAYLAND_DISPLAY") && unset("QT_QPA_PLATFORM")) {
      std::fputs(
          "No display: run this in a desktop session (DISPLAY set), or with "
          "QT_QPA_PLATFORM=offscreen to run it unseen.\n",
          stderr);
      std::exit(1);
    }
    // What Qt keeps for the user (the file dialog's history) stays on the machine, in its
    // per-user application data, not in the user's own configuration.
    const QString settings = ToQString(win32::MachineRoot() + "/Application Data");
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings);
    // Lives as long as the process: windows may exist until its very end.
    g_qtMessageHandler = qInstallMessageHandler(WindowSystemStartMessage);
    g_programName = ProgramName();
    g_argv[0] = g_programName.data();
    auto* application = new QApplication(g_argc, g_argv);
    qInstallMessageHandler(g_qtMessageHandler);
    application->setQuitOnLastWindowClosed(false);
  }
  // Every window without an icon of its own shows the program's.
  const QIcon icon = ProgramIcon();
  if (!icon.isNull()) QApplication::setWindowIcon(icon);
  SetApplicationHandleException(
      [this](TObject* Sender, std::exception_ptr E) { HandleException(Sender, E); });
  if (FTitle.empty()) FTitle = ProgramName();
}

void TApplication::FormCreated(TForm* form) {
  if (!FMainForm) {
    FMainForm = form;
    FTerminated = false;
  }
  CallHandled(form, [form] { form->AfterConstruction(); });
}

void TApplication::FormDestroyed(TForm* form) {
  if (FMainForm == form) FMainForm = nullptr;
}

void TApplication::Run() {
  Initialize();
  if (FMainForm && !FTerminated) {
    CallHandled(FMainForm, [this] { FMainForm->Show(); });
    if (!FTerminated) QApplication::exec();
  }
  // The forms go while the window system is still there.
  DestroyComponents();
  FMainForm = nullptr;
}

void TApplication::Terminate() {
  FTerminated = true;
  // exit, not quit: quit asks every window to close, and a form may refuse.
  if (QCoreApplication::instance()) QCoreApplication::exit(0);
}

void TApplication::ProcessMessages() {
  if (QCoreApplication::instance()) QCoreApplication::processEvents();
}

std::string TApplication::ErrorBoxText(const std::string& message) {
  if (!message.empty() && static_cast<unsigned char>(message.back()) > '.') return message + ".";
  return message;
}

void TApplication::ShowException(const std::string& message) {
  MessageBox(ErrorBoxText(message), FTitle, MB_OK | MB_ICONERROR);
}

void TApplication::HandleException(TObject* Sender, std::exception_ptr E) {
  (void)Sender;
  std::string message = ExceptionMessage(E);
  QCoreApplication* application = QCoreApplication::instance();
  if (application && QThread::currentThread() != application->thread()) {
    // Windows belong to the user-interface thread: the box is shown there, later.
    QMetaObject::invokeMethod(
        application, [this, message] { ShowException(message); }, Qt::QueuedConnection);
    return;
  }
  ShowException(message);
}

int TApplication::MessageBox(const std::string& text, const std::string& caption, UINT flags) {
  Initialize();
  return DialogProvider()->MessageBox(text, caption, flags);
}

int TScreen::Width() const {
  Application->Initialize();
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().width() : 0;
}

int TScreen::Height() const {
  Application->Initialize();
  QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->geometry().height() : 0;
}

#if defined(__SANITIZE_ADDRESS__)
// The font configuration library keeps caches it never frees; under the leak checker they are
// not this program's leaks.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n";
}
#endif
