// The uninstaller, each test in a process of its own started from a copy of the test program
// inside an installation directory, so that the files it removes lie beside its program file.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <vector>

#include "install/uninstall/PathPart.h"
#include "install/uninstall/Uninstall.h"
#include "install/uninstall/Unit1.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/Bitmap.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/ScriptedDialogs.h"
#include "platform/win32/Com.h"
#include "platform/win32/Files.h"
#include "platform/win32/Machine.h"
#include "platform/win32/Registry.h"
#include "tests/install/InstallProcess.h"
#include "tests/install/ReadOnlyFolder.h"
#include "tests/support/PlatformRoot.h"

namespace {

namespace fs = std::filesystem;
using install_test::ReadFileBytes;
using install_test::WriteFileBytes;

constexpr const char* kUninstallKey =
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brassel 1.2";
constexpr const char* kUserKey = "Software\\Ormund\\Brassel 1.2";

TEST(GetPathPart, KeepsTheDirectoryWithItsSeparator) {
  const struct {
    std::string Path, Part;
  } cases[] = {
      {"/opt/Brassel 1.2/Uninstall.exe", "/opt/Brassel 1.2/"},
      {"/Uninstall", "/"},
      {"tools/Uninstall", "tools/"},
      {"/opt/dir/", "/opt/dir/"},
      {"Uninstall.exe", "Error"},
      {"", "Error"},
      {"/opt/a\\b\\Uninstall.exe", "/opt/"},  // "\" is part of a name here
      {"/" + std::string(300, 'x') + "/" + std::string(40, 'y'), "/" + std::string(300, 'x') + "/"},
  };
  for (const auto& c : cases) EXPECT_EQ(GetPathPart(c.Path), c.Part) << c.Path;
}

bool KeyExists(HKEY root, const char* path) {
  HKEY key = nullptr;
  if (RegOpenKeyExA(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
  RegCloseKey(key);
  return true;
}

void CreateValue(HKEY root, const std::string& path, const char* name, const std::string& text) {
  HKEY key = nullptr;
  ASSERT_EQ(
      RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
      ERROR_SUCCESS);
  if (name != nullptr)
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   DWORD(text.size() + 1));
  RegCloseKey(key);
}

class UninstallTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!install_test::InChild()) {
      const std::string base = install_test::MakeScratchFolder();
      ASSERT_FALSE(base.empty());
      install_test::RunInChild(base + "/Brassel 1.2/Uninstall");
      std::error_code ignored;
      fs::remove_all(base, ignored);
      return;  // the test body returns at once
    }
    Root = std::make_unique<PlatformRoot>();
    Dialogs = std::make_unique<TScriptedDialogs>();
    char self[4096];
    const DWORD length = GetModuleFileNameA(nullptr, self, sizeof self);
    Program = std::string(self, length);
    Target = GetPathPart(Program);
    Desktop = win32::UserDesktopFolder() + "/";
    Programs = win32::MachineRoot() + "/Programs/";
  }

  void TearDown() override {
    if (!Root) return;
    delete Form1;
    Dialogs.reset();
    Root.reset();
  }

  // What setup leaves, and a few things of the user's beside it.
  void Install() {
    WriteFileBytes(Target + "Brassel.exe", "converter");
    WriteFileBytes(Target + "setup.log", Target.substr(0, Target.size() - 1));
    WriteFileBytes(Target + "config.ini", "[Options]\r\n");
    WriteFileBytes(Target + "Song.wav", "RIFF");
    fs::create_directories(Desktop);
    fs::create_directories(Programs + "Ormund");
    WriteFileBytes(Desktop + "Brassel.lnk", "link");
    WriteFileBytes(Desktop + "Other.lnk", "link");
    WriteFileBytes(Programs + "Ormund/Brassel.lnk", "link");
    WriteFileBytes(Programs + "Ormund/Readme.txt", "text");
    CreateValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName", "Brassel 1.2");
    CreateValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", Target + "Uninstall.exe");
    CreateValue(HKEY_LOCAL_MACHINE, std::string(kUninstallKey) + "\\Extra\\Deeper", "Value", "x");
    CreateValue(HKEY_LOCAL_MACHINE,
                "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Another", "DisplayName",
                "Another");
    CreateValue(HKEY_CURRENT_USER, kUserKey, nullptr, "");
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    WriteFileBytes(std::string(windows) + "/teskdec.dll", "module");
  }

  void Start() { CreateUninstallForms(); }
  void Click(TControl* control) {
    CallHandled(control, [control] { control->Click(); });
  }
  void Tick(int count = 1) {
    for (int i = 0; i < count; ++i) CallHandled(Form1->Timer1, [] { Form1->Timer1->Timer(); });
  }
  bool Ended() const { return Application->Terminated(); }

  // Everything of the record the uninstaller leaves, and the user's own files.
  void ExpectSurvivors() {
    EXPECT_TRUE(fs::exists(Program));
    EXPECT_EQ(ReadFileBytes(Target + "config.ini"), "[Options]\r\n");
    EXPECT_TRUE(fs::exists(Target + "Song.wav"));
    EXPECT_TRUE(fs::exists(Desktop + "Other.lnk"));
    EXPECT_TRUE(fs::is_directory(Programs + "Ormund"));
    EXPECT_TRUE(fs::exists(Programs + "Ormund/Readme.txt"));
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE,
                          "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Another"));
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_TRUE(fs::exists(std::string(windows) + "/teskdec.dll"));
  }

  std::unique_ptr<PlatformRoot> Root;
  std::unique_ptr<TScriptedDialogs> Dialogs;
  std::string Program, Target, Desktop, Programs;
};

TEST_F(UninstallTest, WindowAtStart) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  Start();
  EXPECT_EQ(Application->Title(), "Uninstall");
  EXPECT_EQ(Application->MainForm(), Form1);
  // The uninstaller enters no apartment of its own.
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), S_OK);
  CoUninitialize();
  EXPECT_EQ(Form1->Caption(), "Uninstall Brassel 1.2");
  EXPECT_EQ(Form1->ClientWidth(), 503);
  EXPECT_EQ(Form1->ClientHeight(), 319);
  EXPECT_EQ(Form1->Memo1->Text(), Target + "Brassel.exe");
  EXPECT_EQ(Form1->Memo2->Text(), Target + "setup.log");
  EXPECT_EQ(Form1->Memo3->Text(), Desktop + "Brassel.lnk");
  EXPECT_EQ(Form1->Memo4->Text(), Programs + "Ormund/Brassel.lnk");
  for (TControl* memo : {Form1->Memo1, Form1->Memo2, Form1->Memo3, Form1->Memo4})
    EXPECT_FALSE(memo->Visible());
  EXPECT_EQ(Form1->Label1->Caption(),
            "This will uninstall Brassel 1.2. After the Uninstallation you will not be able to "
            "use Brassel 1.2.");
  EXPECT_EQ(Form1->Label2->Caption(), "Click on Uninstall to uninstall Brassel 1.2");
  EXPECT_EQ(Form1->Button1->Caption(), "&Uninstall");
  EXPECT_EQ(Form1->Button2->Caption(), "&Exit");
  EXPECT_TRUE(Form1->Button1->Enabled());
  EXPECT_TRUE(Form1->Button2->Enabled());
  for (TControl* hidden :
       {static_cast<TControl*>(Form1->Label3), static_cast<TControl*>(Form1->Label4),
        static_cast<TControl*>(Form1->Gauge1), static_cast<TControl*>(Form1->Animate1)})
    EXPECT_FALSE(hidden->Visible()) << hidden->Name();
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_EQ(Form1->Timer1->Interval(), 10u);

  TBitmap picture;
  Form1->GrabToBitmap(&picture);
  EXPECT_EQ(picture.Width(), 503);
  EXPECT_EQ(picture.Height(), 319);
  EXPECT_GT(GetRValue(picture.Canvas()->Pixels(8 + 60, 8 + 160)), 170);
  EXPECT_LT(GetRValue(picture.Canvas()->Pixels(9, 9)), 110);
}

TEST_F(UninstallTest, RemovesExactlyItsPartOfTheRecord) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  Start();
  Click(Form1->Button1);
  EXPECT_TRUE(Dialogs->Messages.empty());
  EXPECT_FALSE(fs::exists(Target + "Brassel.exe"));
  EXPECT_FALSE(fs::exists(Target + "setup.log"));
  EXPECT_FALSE(fs::exists(Desktop + "Brassel.lnk"));
  EXPECT_FALSE(fs::exists(Programs + "Ormund/Brassel.lnk"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  ExpectSurvivors();
  EXPECT_FALSE(Ended());
}

TEST_F(UninstallTest, ProgressIsCosmeticAndEndsWithFinish) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  Start();
  Click(Form1->Button1);
  EXPECT_FALSE(Form1->Button1->Enabled());
  EXPECT_FALSE(Form1->Button2->Enabled());
  EXPECT_FALSE(Form1->Label1->Visible());
  EXPECT_FALSE(Form1->Label2->Visible());
  EXPECT_FALSE(Form1->Bevel2->Visible());
  EXPECT_TRUE(Form1->Label3->Visible());
  EXPECT_EQ(Form1->Label3->Caption(), "Removing Files...");
  EXPECT_TRUE(Form1->Animate1->Visible());
  EXPECT_TRUE(Form1->Animate1->Active());
  EXPECT_EQ(Form1->Animate1->CommonAVI(), aviDeleteFile);
  EXPECT_TRUE(Form1->Gauge1->Visible());
  EXPECT_TRUE(Form1->Timer1->Enabled());

  Tick(74);
  EXPECT_EQ(Form1->Label3->Caption(), "Removing Files...");
  Tick();
  EXPECT_EQ(Form1->Label3->Caption(), "Removing Data...");
  Tick(24);
  EXPECT_FALSE(Form1->Label4->Visible());
  Tick();
  EXPECT_EQ(Form1->Gauge1->Progress(), 100);
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_TRUE(Form1->Label4->Visible());
  EXPECT_EQ(Form1->Label4->Caption(), "Succesfully Uninstalled!");
  EXPECT_EQ(Form1->Label3->Caption(), "Terminated");
  EXPECT_EQ(Form1->Label3->Left(), 296 + 15);
  EXPECT_FALSE(Form1->Animate1->Active());
  EXPECT_TRUE(Form1->Animate1->Visible());
  EXPECT_EQ(Form1->Button1->Caption(), "&Finish");
  EXPECT_TRUE(Form1->Button1->Enabled());
  EXPECT_FALSE(Form1->Button2->Enabled());
  EXPECT_FALSE(Ended());
  Click(Form1->Button1);
  EXPECT_TRUE(Ended());
  ExpectSurvivors();
}

TEST_F(UninstallTest, ExitEndsWithoutRemovingAnything) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  Start();
  Click(Form1->Button2);
  EXPECT_TRUE(Ended());
  EXPECT_TRUE(fs::exists(Target + "Brassel.exe"));
  EXPECT_TRUE(fs::exists(Desktop + "Brassel.lnk"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
}

// The presence check refuses a folder that holds no installation: neither the converter with
// the marker, nor a marker or an uninstall entry that names this folder. The message names
// the file it looked for, and nothing changes.
struct Absent {
  const char* Name;
  bool ConverterStays;
  const char* Marker;  // the marker's text, or null when it is missing
  const char* Missing;
};

class UninstallPresenceTest : public UninstallTest, public testing::WithParamInterface<Absent> {};

TEST_P(UninstallPresenceTest, FolderWithoutAnInstallationEndsTheProgram) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  CreateValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString", "/elsewhere/Uninstall.exe");
  if (!GetParam().ConverterStays) fs::remove(Target + "Brassel.exe");
  if (GetParam().Marker == nullptr)
    fs::remove(Target + "setup.log");
  else
    WriteFileBytes(Target + "setup.log", GetParam().Marker);
  Start();
  Click(Form1->Button1);
  ASSERT_EQ(Dialogs->Messages.size(), 1u);
  EXPECT_EQ(Dialogs->Messages[0].Text, "Can't find a file: " + Target + GetParam().Missing);
  EXPECT_EQ(Dialogs->Messages[0].Caption, "Error");
  EXPECT_EQ(Dialogs->Messages[0].Flags & MB_ICONERROR, MB_ICONERROR);
  EXPECT_TRUE(Ended());
  EXPECT_FALSE(Form1->Timer1->Enabled());
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(fs::exists(Desktop + "Brassel.lnk"));
  EXPECT_TRUE(fs::exists(Programs + "Ormund/Brassel.lnk"));
  EXPECT_EQ(fs::exists(Target + "Brassel.exe"), GetParam().ConverterStays);
}

INSTANTIATE_TEST_SUITE_P(
    Files, UninstallPresenceTest,
    testing::Values(Absent{"NoMarker", true, nullptr, "setup.log"},
                    Absent{"NoConverterNoMarker", false, nullptr, "Brassel.exe"},
                    Absent{"MarkerOfAnotherFolder", false, "/elsewhere", "Brassel.exe"}),
    [](const testing::TestParamInfo<Absent>& info) { return std::string(info.param.Name); });

// What cannot be removed is told, with its path, instead of the success; a link the user
// already removed is no failure. The page ends at once with "&Finish".
class UninstallFailureTest : public UninstallTest {
 protected:
  void ExpectToldOf(const std::vector<std::string>& remaining,
                    const std::vector<std::string>& kept = {}) {
    std::string text = "Could not remove:";
    for (const std::string& item : remaining) text += "\n" + item;
    if (!kept.empty()) text += "\nKept until the rest is removed:";
    for (const std::string& item : kept) text += "\n" + item;
    ASSERT_EQ(Dialogs->Messages.size(), 1u);
    EXPECT_EQ(Dialogs->Messages[0].Text, text);
    EXPECT_EQ(Dialogs->Messages[0].Caption, "Error");
    EXPECT_EQ(Dialogs->Messages[0].Flags & MB_ICONERROR, MB_ICONERROR);
    EXPECT_TRUE(Form1->Label4->Visible());
    EXPECT_EQ(Form1->Label4->Caption(), "Uninstallation failed!");
    EXPECT_EQ(Form1->Label3->Caption(), "Terminated");
    EXPECT_FALSE(Form1->Timer1->Enabled());
    EXPECT_FALSE(Form1->Animate1->Active());
    EXPECT_FALSE(Form1->Button2->Enabled());
    EXPECT_EQ(Form1->Button1->Caption(), "&Finish");
    ASSERT_TRUE(Form1->Button1->Enabled());
    EXPECT_FALSE(Ended());
    Click(Form1->Button1);
    EXPECT_TRUE(Ended());
  }
};

TEST_F(UninstallFailureTest, EntryThatMayNotBeRemoved) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  fs::remove(Desktop + "Brassel.lnk");  // already removed by the user
  ASSERT_EQ(chmod(win32::MachineHivePath().c_str(), 0444), 0);
  Start();
  Click(Form1->Button1);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(fs::exists(Target + "Brassel.exe"));
  EXPECT_TRUE(fs::exists(Target + "setup.log"));
  EXPECT_FALSE(fs::exists(Programs + "Ormund/Brassel.lnk"));
  ExpectToldOf({std::string("HKEY_LOCAL_MACHINE\\") + kUninstallKey}, {Target + "setup.log"});
}

// Without the rights to remove anything (the superuser too: the folders are read-only mounts
// of this process's own), everything is told and nothing is gone.
TEST_F(UninstallFailureTest, NothingMayBeRemoved) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  {
    std::vector<std::unique_ptr<install_test::ReadOnlyFolder>> readOnly;
    for (const std::string& folder :
         {Target, Desktop, Programs + "Ormund/", win32::MachineRoot() + "/"}) {
      readOnly.push_back(std::make_unique<install_test::ReadOnlyFolder>(folder));
      ASSERT_EQ(readOnly.back()->Failure(), "") << folder;
    }
    Start();
    Click(Form1->Button1);
  }
  for (const std::string& file : {Target + "Brassel.exe", Target + "setup.log",
                                  Desktop + "Brassel.lnk", Programs + "Ormund/Brassel.lnk"})
    EXPECT_TRUE(fs::exists(file)) << file;
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  ExpectToldOf({Target + "Brassel.exe", Desktop + "Brassel.lnk", Programs + "Ormund/Brassel.lnk"},
               {std::string("HKEY_LOCAL_MACHINE\\") + kUninstallKey, Target + "setup.log"});
}

// A shortcut path that the folder lookup could not give (it raised at the window's creation)
// stays empty: nothing is deleted for it, and the run fails, naming the shortcut.
TEST_F(UninstallFailureTest, ShortcutWhoseFolderIsUnknown) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  Start();
  Form1->Memo3->SetText("");
  Click(Form1->Button1);
  EXPECT_TRUE(fs::exists(Desktop + "Brassel.lnk"));
  EXPECT_FALSE(fs::exists(Programs + "Ormund/Brassel.lnk"));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  ExpectToldOf({"Brassel.lnk on the Desktop"},
               {std::string("HKEY_LOCAL_MACHINE\\") + kUninstallKey, Target + "setup.log"});
}

// One run of the uninstaller in a process of its own, forked from the test's child: clicks
// "&Uninstall" and returns the message boxes' texts, one a line.
std::string RunUninstaller() {
  int output[2];
  if (pipe(output) != 0) return "(no pipe)";
  const pid_t pid = fork();
  if (pid == 0) {
    close(output[0]);
    TScriptedDialogs dialogs;
    CreateUninstallForms();
    CallHandled(Form1->Button1, [] { Form1->Button1->Click(); });
    std::string texts;
    for (const auto& message : dialogs.Messages) texts += message.Text + "\n";
    (void)!write(output[1], texts.data(), texts.size());
    _exit(0);
  }
  close(output[1]);
  std::string texts;
  char buffer[4096];
  for (ssize_t count; (count = read(output[0], buffer, sizeof buffer)) > 0;)
    texts.append(buffer, size_t(count));
  close(output[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) texts += "(the uninstaller crashed)";
  return texts;
}

// After a run that could not remove everything, a second run once the cause is gone finishes
// the job: the rest, the uninstall entry and the marker included.
enum class Cause { ReadOnlyStartMenu, ReadOnlyMachineHive, FolderInPlaceOfTheConverter };

class UninstallAgainTest : public UninstallTest, public testing::WithParamInterface<Cause> {};

TEST_P(UninstallAgainTest, SecondRunFinishesTheJob) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  const std::string entry = std::string("HKEY_LOCAL_MACHINE\\") + kUninstallKey;
  std::string first;
  switch (GetParam()) {
    case Cause::ReadOnlyStartMenu: {
      const install_test::ReadOnlyFolder readOnly(Programs + "Ormund/");
      ASSERT_EQ(readOnly.Failure(), "");
      first = RunUninstaller();
      break;
    }
    case Cause::ReadOnlyMachineHive:
      ASSERT_EQ(chmod(win32::MachineHivePath().c_str(), 0444), 0);
      first = RunUninstaller();
      ASSERT_EQ(chmod(win32::MachineHivePath().c_str(), 0644), 0);
      break;
    case Cause::FolderInPlaceOfTheConverter:
      fs::remove(Target + "Brassel.exe");
      fs::create_directories(Target + "Brassel.exe/bin");
      first = RunUninstaller();
      fs::remove_all(Target + "Brassel.exe");
      break;
  }
  // What could not go is told; the entry and the marker stay for the next run.
  const std::string told[] = {
      "Could not remove:\n" + Programs + "Ormund/Brassel.lnk\nKept until the rest is removed:\n" +
          entry + "\n" + Target + "setup.log\n",
      "Could not remove:\n" + entry + "\nKept until the rest is removed:\n" + Target +
          "setup.log\n",
      "Could not remove:\n" + Target + "Brassel.exe\nKept until the rest is removed:\n" + entry +
          "\n" + Target + "setup.log\n"};
  EXPECT_EQ(first, told[int(GetParam())]);
  EXPECT_TRUE(fs::exists(Target + "setup.log"));

  EXPECT_EQ(RunUninstaller(), "");
  for (const std::string& file : {Target + "Brassel.exe", Target + "setup.log",
                                  Desktop + "Brassel.lnk", Programs + "Ormund/Brassel.lnk"})
    EXPECT_FALSE(fs::exists(fs::symlink_status(file))) << file;
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  ExpectSurvivors();
}

std::string CauseName(const testing::TestParamInfo<Cause>& info) {
  const char* names[] = {"ReadOnlyStartMenu", "ReadOnlyMachineHive", "FolderInPlaceOfTheConverter"};
  return names[int(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Causes, UninstallAgainTest,
                         testing::Values(Cause::ReadOnlyStartMenu, Cause::ReadOnlyMachineHive,
                                         Cause::FolderInPlaceOfTheConverter),
                         CauseName);

// A Desktop value that names no folder (none, another type, the root, a relative path) gives
// the default Desktop, where setup put the link: both links go, and nothing at the root or in
// the working folder is touched.
struct DesktopValue {
  const char* name;
  DWORD type;  // REG_NONE: the value is deleted
  std::string data;
};

class UninstallDesktopValueTest : public UninstallTest,
                                  public testing::WithParamInterface<DesktopValue> {};

TEST_P(UninstallDesktopValueTest, GivesTheDefaultDesktop) {
  if (!install_test::InChild()) return;  // ran in its own process
  Install();
  HKEY folders = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, win32::kShellFoldersKey, 0, KEY_ALL_ACCESS, &folders),
            ERROR_SUCCESS);
  const DesktopValue& value = GetParam();
  if (value.type == REG_NONE) {
    ASSERT_EQ(RegDeleteValueA(folders, "Desktop"), ERROR_SUCCESS);
  } else {
    ASSERT_EQ(RegSetValueExA(folders, "Desktop", 0, value.type,
                             reinterpret_cast<const BYTE*>(value.data.data()),
                             DWORD(value.data.size())),
              ERROR_SUCCESS);
  }
  RegCloseKey(folders);
  Start();
  EXPECT_EQ(Form1->Memo3->Text(), Desktop + "Brassel.lnk");
  Click(Form1->Button1);
  for (const auto& message : Dialogs->Messages) EXPECT_EQ(message.Text, "") << message.Caption;
  EXPECT_FALSE(fs::exists(Desktop + "Brassel.lnk"));
  EXPECT_FALSE(fs::exists(Programs + "Ormund/Brassel.lnk"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_TRUE(fs::exists(Desktop + "Other.lnk"));
}

const DesktopValue kDesktopValues[] = {
    {"Missing", REG_NONE, ""},
    {"Number", REG_DWORD, std::string("\x01\0\0\0", 4)},
    {"Root", REG_SZ, std::string("/", 2)},
    {"Parent", REG_SZ, std::string("..", 3)},
};

INSTANTIATE_TEST_SUITE_P(Values, UninstallDesktopValueTest, testing::ValuesIn(kDesktopValues),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
