// The application's default exception handler: every event handler runs inside it, and its
// error box (through the scripted dialogs) is captioned with the title and shows the message
// with a full stop added when the last character sorts after ".".
#include "platform/classlib/Application.h"

#include <QAction>
#include <QCoreApplication>
#include <QMenuBar>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/classlib/Button.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/MainMenu.h"
#include "platform/classlib/ScriptedDialogs.h"
#include "platform/classlib/Timer.h"
#include "tests/support/Wait.h"

namespace {

TEST(ApplicationTest, ErrorBoxTextAddsAFullStopAfterCharactersSortingAfterIt) {
  struct Case {
    const char* message;
    const char* shown;
  } cases[] = {
      {"Cannot create file /w/teskdec.dll", "Cannot create file /w/teskdec.dll."},
      {"Input stream failure.", "Input stream failure."},
      {"Failed to set data for 'DisplayName'", "Failed to set data for 'DisplayName'"},
      {"I/O error 183", "I/O error 183."},
      {"Done!", "Done!"},
      {"(x)", "(x)"},
      {"a-", "a-"},
      {"a/", "a/."},
      {"Größe ö", "Größe ö."},
      {"", ""},
  };
  for (const Case& c : cases)
    EXPECT_EQ(TApplication::ErrorBoxText(c.message), c.shown) << c.message;
}

// Re-run in a fresh process, where no window system has been set up yet.
TEST(ApplicationDeathTest, WithoutADisplayItSaysWhatToDoInsteadOfAborting) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        unsetenv("DISPLAY");
        setenv("WAYLAND_DISPLAY", "", 1);
        unsetenv("QT_QPA_PLATFORM");
        Application->Initialize();
      },
      ::testing::ExitedWithCode(1), "No display: .*QT_QPA_PLATFORM=offscreen");
}

// An X display that no server serves here.
std::string UnservedDisplay() {
  int number = 4711;
  while (std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(number))) ++number;
  return ":" + std::to_string(number);
}

// A display that is named but cannot be reached: Qt cannot start its platform, and instead of
// its abort the program says what to do.
TEST(ApplicationDeathTest, WithADisplayThatCannotBeReachedItSaysWhatToDoInsteadOfAborting) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  const std::string display = UnservedDisplay();
  const std::string whatToDo =
      "run this in a desktop session whose display is running, or with "
      "QT_QPA_PLATFORM=offscreen to run it unseen\\.";
  struct Case {
    const char* platform;  // nullptr: unset
    const char* wayland;
    bool x;             // DISPLAY names the unserved display, else unset
    std::string named;  // what the message names
  } cases[] = {
      {nullptr, nullptr, true, "DISPLAY=" + display},
      {"xcb", nullptr, true, "QT_QPA_PLATFORM=xcb, DISPLAY=" + display},
      {nullptr, "brassel-no-such-display", false, "WAYLAND_DISPLAY=brassel-no-such-display"},
      {"no-such-platform", nullptr, false, "QT_QPA_PLATFORM=no-such-platform"},
  };
  const auto set = [](const char* name, const char* value) {
    if (value != nullptr)
      setenv(name, value, 1);
    else
      unsetenv(name);
  };
  for (const Case& c : cases) {
    EXPECT_EXIT(
        {
          set("QT_QPA_PLATFORM", c.platform);
          set("WAYLAND_DISPLAY", c.wayland);
          set("DISPLAY", c.x ? display.c_str() : nullptr);
          Application->Initialize();
        },
        ::testing::ExitedWithCode(1), "Cannot open the display \\(" + c.named + "\\): " + whatToDo)
        << c.named;
  }
}

// The window system knows the program by its own file's name.
TEST(ApplicationTest, QtKnowsTheProgramByItsOwnName) {
  Application->Initialize();
  EXPECT_EQ(QCoreApplication::applicationName().toStdString(),
            std::filesystem::read_symlink("/proc/self/exe").filename().string());
}

class HandlerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    Application->Initialize();
    savedTitle = Application->Title();
    Application->SetTitle("Brassel 1.2");
  }
  void TearDown() override { Application->SetTitle(savedTitle); }

  void ExpectErrorBox(const std::string& text) {
    ASSERT_EQ(dialogs.Messages.size(), 1u);
    EXPECT_EQ(dialogs.Messages[0].Text, text);
    EXPECT_EQ(dialogs.Messages[0].Caption, "Brassel 1.2");
    EXPECT_EQ(dialogs.Messages[0].Flags, MB_OK | MB_ICONERROR);
  }

  TScriptedDialogs dialogs;
  std::string savedTitle;
};

TEST_F(HandlerTest, ButtonClickHandlerExceptionIsShown) {
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->SetParent(&form);
  button->OnClick = [](TObject*) { throw Exception("Cannot create file /w/teskdec.dll"); };
  form.Show();
  QTest::mouseClick(button->Widget(), Qt::LeftButton);
  ExpectErrorBox("Cannot create file /w/teskdec.dll.");
}

TEST_F(HandlerTest, ClickFromCodeLetsTheExceptionThrough) {
  TForm form(nullptr);
  auto* button = new TButton(&form);
  button->OnClick = [](TObject*) { throw Exception("Failed to set data for 'X'"); };
  EXPECT_THROW(button->Click(), Exception);
  EXPECT_TRUE(dialogs.Messages.empty());
}

TEST_F(HandlerTest, OnCreateExceptionIsShownAndTheFormStillExists) {
  struct TFailingForm : TForm {
    explicit TFailingForm(TComponent* owner) : TForm(owner) {
      OnCreate = [](TObject*) { throw Exception("Module not initialized"); };
    }
  };
  TFailingForm* form = nullptr;
  Application->CreateForm(form);
  ASSERT_NE(form, nullptr);
  ExpectErrorBox("Module not initialized.");
  delete form;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST_F(HandlerTest, MenuCommandExceptionIsShown) {
  TForm form(nullptr);
  auto* menu = new TMainMenu(&form);
  auto* file = new TMenuItem(&form);
  file->SetCaption("&File");
  auto* exit = new TMenuItem(&form);
  exit->SetCaption("&Exit");
  exit->OnClick = [](TObject*) { throw std::runtime_error("std failure"); };
  menu->Items()->Add(file);
  file->Add(exit);
  form.SetMenu(menu);
  auto* bar = static_cast<QMenuBar*>(menu->MenuBarWidget());
  QAction* fileAction = bar->actions().value(0);
  ASSERT_NE(fileAction, nullptr);
  ASSERT_NE(fileAction->menu(), nullptr);
  fileAction->menu()->actions().value(0)->trigger();
  ExpectErrorBox("std failure.");
}

TEST_F(HandlerTest, TimerKeepsRunningAfterItsHandlerFailed) {
  TTimer timer(nullptr);
  int ticks = 0;
  timer.SetInterval(1);
  timer.OnTimer = [&](TObject*) {
    ++ticks;
    throw Exception("Incorrect decoder mode");
  };
  WaitFor(
      [&] {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return ticks >= 2;
      },
      std::chrono::seconds(10));
  timer.SetEnabled(false);
  ASSERT_GE(ticks, 2);
  EXPECT_EQ(dialogs.Messages.size(), size_t(ticks));
  EXPECT_EQ(dialogs.Messages[0].Text, "Incorrect decoder mode.");
}

TEST_F(HandlerTest, ExceptionsOfOtherThreadsAreShownOnTheUserInterfaceThread) {
  std::thread worker([] {
    try {
      throw Exception("Output device failure");
    } catch (...) {
      ApplicationHandleException(nullptr);
    }
  });
  worker.join();
  EXPECT_TRUE(dialogs.Messages.empty());
  QCoreApplication::processEvents();
  ExpectErrorBox("Output device failure.");
}

TEST_F(HandlerTest, MessageBoxesGoThroughTheProvider) {
  dialogs.AnswerMessageBox(IDCANCEL);
  EXPECT_EQ(Application->MessageBox("Please insert an/some input file(s)", "Information",
                                    MB_OK | MB_ICONINFORMATION),
            IDCANCEL);
  ASSERT_EQ(dialogs.Messages.size(), 1u);
  EXPECT_EQ(dialogs.Messages[0].Caption, "Information");
  EXPECT_EQ(Application->MessageBox("x", "y", MB_OK), IDOK);
}

}  // namespace
