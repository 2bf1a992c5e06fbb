// The wizard's pages, the installation record it writes, its cosmetic progress and its
// failures, each test in a process of its own.
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QPlainTextEdit>
#include <filesystem>
#include <fstream>

#include "install/setup/Grad.h"
#include "install/setup/Unit1.h"
#include "install/setup/Unit2.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/Bitmap.h"
#include "platform/win32/Com.h"
#include "platform/win32/Machine.h"
#include "platform/win32/ShellLink.h"
#include "tests/install/InstallProcess.h"
#include "tests/install/ReadOnlyFolder.h"
#include "tests/install/setup/SetupFixture.h"

namespace setup_test {
namespace {

namespace fs = std::filesystem;
using install_test::ReadFileBytes;
using install_test::WriteFileBytes;

std::vector<TControl*> WelcomePage() {
  return {Form2->Label1, Form2->Label2,  Form2->Label3, Form2->Label4,
          Form2->Label5, Form2->Label6,  Form2->Label7, Form2->Label8,
          Form2->Label9, Form2->Label10, Form2->Bevel2, Form2->Bevel3};
}
std::vector<TControl*> DestinationPage() {
  return {Form2->Label11, Form2->Label12, Form2->Memo1, Form2->SpeedButton1, Form2->Bevel4};
}
std::vector<TControl*> ProgressPage() { return {Form2->Animate1, Form2->Label13, Form2->Gauge1}; }

void ExpectShown(const std::vector<TControl*>& controls, bool shown) {
  for (TControl* control : controls) EXPECT_EQ(control->Visible(), shown) << control->Name();
}

TEST_F(SetupTest, StartsOnTheWelcomePage) {
  if (!install_test::InChild()) return;  // ran in its own process
  EXPECT_EQ(Application->Title(), "Installation");
  EXPECT_EQ(Application->MainForm(), Form1);
  // The user-interface thread is in a single-threaded apartment.
  EXPECT_EQ(CoInitializeEx(nullptr, COINIT_MULTITHREADED), RPC_E_CHANGED_MODE);
  EXPECT_FALSE(Form2->Visible());
  EXPECT_EQ(Form2->Caption(), "Setup");
  EXPECT_EQ(Form2->ClientWidth(), 510);
  EXPECT_EQ(Form2->ClientHeight(), 319);
  EXPECT_EQ(Form2->BorderIcons(), 0);
  EXPECT_EQ(Form2->Label1->Caption(), "Welcome to the Brassel 1.2 setup.");
  EXPECT_EQ(Form2->Label2->Caption(),
            " You must have \"wmaudioredist\" installed on your computer. See our website.");
  EXPECT_EQ(Form2->Label3->Caption(), "Features in Brassel 1.2:");
  EXPECT_EQ(Form2->Label4->Caption(), "\xC2\xA4 A brilliant new design");
  EXPECT_EQ(Form2->Label5->Caption(), "\xC2\xA4 Multi select files");
  EXPECT_EQ(Form2->Label6->Caption(), "\xC2\xA4 Windows Media Audio to *.wav conversion");
  EXPECT_EQ(Form2->Label7->Caption(), "");
  EXPECT_EQ(Form2->Label11->Caption(), "Select the destination for Brassel 1.2");
  EXPECT_EQ(Form2->Memo1->Text(), Root->Root() + "/Program Files/Brassel 1.2");
  EXPECT_TRUE(Form2->Memo1->ReadOnly());
  EXPECT_EQ(Form2->Image1->Width(), 175);
  EXPECT_EQ(Form2->Image1->Height(), 254);
  EXPECT_EQ(Form2->Label9->Font()->Color(), clBlue);
  EXPECT_EQ(Form2->Label10->Font()->Color(), clBlue);
  ExpectShown(WelcomePage(), true);
  ExpectShown(DestinationPage(), false);
  ExpectShown(ProgressPage(), false);
  EXPECT_TRUE(Form2->Button4->Enabled());
  EXPECT_TRUE(Form2->Button2->Enabled());
  EXPECT_FALSE(Form2->Button3->Enabled());
  EXPECT_FALSE(Form2->Button1->Enabled());
  EXPECT_EQ(Form2->Button1->Caption(), "&Install");
}

TEST_F(SetupTest, BackgroundActivationShowsTheWizard) {
  if (!install_test::InChild()) return;  // ran in its own process
  ASSERT_TRUE(Form1->OnActivate);
  Form1->OnActivate(Form1);
  EXPECT_TRUE(Form2->Visible());
}

TEST_F(SetupTest, PagesChangeAndKeepTheChosenFolder) {
  if (!install_test::InChild()) return;  // ran in its own process
  Click(Form2->Button2);
  ExpectShown(WelcomePage(), false);
  ExpectShown(DestinationPage(), true);
  EXPECT_FALSE(Form2->Button2->Enabled());
  EXPECT_TRUE(Form2->Button3->Enabled());
  EXPECT_TRUE(Form2->Button1->Enabled());
  EXPECT_TRUE(Form2->Button4->Enabled());

  Dialogs->AnswerFolder("/srv/programs");
  Click(Form2->SpeedButton1);
  EXPECT_EQ(Form2->Memo1->Text(), "/srv/programs/Brassel 1.2");
  ASSERT_EQ(Dialogs->FolderTitles.size(), 1u);
  EXPECT_EQ(Dialogs->FolderTitles[0], "Select the destination for Brassel 1.2");
  Click(Form2->SpeedButton1);  // cancelled: nothing changes
  EXPECT_EQ(Form2->Memo1->Text(), "/srv/programs/Brassel 1.2");

  Click(Form2->Button3);
  ExpectShown(WelcomePage(), true);
  ExpectShown(DestinationPage(), false);
  EXPECT_TRUE(Form2->Button2->Enabled());
  EXPECT_FALSE(Form2->Button3->Enabled());
  EXPECT_FALSE(Form2->Button1->Enabled());
  Click(Form2->Button2);
  EXPECT_EQ(Form2->Memo1->Text(), "/srv/programs/Brassel 1.2");

  Dialogs->AnswerFolder("/");
  Click(Form2->SpeedButton1);
  EXPECT_EQ(Form2->Memo1->Text(), "//Brassel 1.2");
}

TEST_F(SetupTest, ExitEndsSetup) {
  if (!install_test::InChild()) return;  // ran in its own process
  Click(Form2->Button2);
  Click(Form2->Button4);
  EXPECT_TRUE(Ended());
  EXPECT_EQ(Grad, nullptr);
  EXPECT_TRUE(Dialogs->Messages.empty());
}

TEST_F(SetupTest, LinksTurnRedUnderThePointer) {
  if (!install_test::InChild()) return;  // ran in its own process
  Form2->Label9->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Form2->Label9->Font()->Color(), clRed);
  EXPECT_EQ(Form2->Label10->Font()->Color(), clBlue);
  // Over another label the link stays red.
  Form2->Label8->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Form2->Label9->Font()->Color(), clRed);
  Form2->Label10->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
  EXPECT_EQ(Form2->Label10->Font()->Color(), clRed);
  EXPECT_EQ(Form2->Label9->Font()->Color(), clBlue);
  Form2->Perform(WM_MOUSEMOVE, 0, MAKELPARAM(300, 20));
  EXPECT_EQ(Form2->Label9->Font()->Color(), clBlue);
  EXPECT_EQ(Form2->Label10->Font()->Color(), clBlue);
}

// A stand-in opener on the PATH writes what it was given into a FIFO.
TEST_F(SetupTest, LinksOpenTheWebAddressAndAMail) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string bin = Root->Scratch();
  const std::string fifo = bin + "/opened";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  std::ofstream(bin + "/xdg-open") << "#!/bin/sh\nprintf '%s\\n' \"$1\" > \"$OPENED_FIFO\"\n";
  chmod((bin + "/xdg-open").c_str(), 0755);
  Root->Set("PATH", bin + ":/usr/bin:/bin");
  Root->Set("OPENED_FIFO", fifo);
  auto opened = [&fifo] {
    int fd = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    std::string text;
    pollfd wait{fd, POLLIN, 0};
    while (text.find('\n') == std::string::npos && poll(&wait, 1, 20000) > 0) {
      char buffer[256];
      const ssize_t count = read(fd, buffer, sizeof buffer);
      if (count <= 0) break;
      text.append(buffer, size_t(count));
    }
    close(fd);
    return text;
  };
  Click(Form2->Label9);
  EXPECT_EQ(opened(), std::string(TForm2::kWebAddress) + "\n");
  Click(Form2->Label10);
  EXPECT_EQ(opened(), "mailto:" + Form2->Label10->Caption() + "\n");
  EXPECT_EQ(Form2->Label10->Caption(), TForm2::kMailAddress);
}

TEST_F(SetupTest, InstallWritesTheRecord) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  ASSERT_EQ(target, Root->Scratch() + "/Brassel 1.2");
  Click(Form2->Button1);
  ASSERT_TRUE(Dialogs->Messages.empty()) << Dialogs->Messages[0].Text;

  // The programs byte for byte from the payload, which is the uninstaller as built.
  const std::string converter = ResourceBytes("File1", "Application");
  const std::string uninstaller = ResourceBytes("File2", "Application");
  ASSERT_FALSE(converter.empty());
  // Compared whole; a difference would print megabytes.
  EXPECT_TRUE(uninstaller == ReadFileBytes(UNINSTALL_PROGRAM))
      << "the payload is not the uninstaller as built";
  EXPECT_TRUE(ReadFileBytes(target + "/Brassel.exe") == converter);
  EXPECT_TRUE(ReadFileBytes(target + "/Uninstall.exe") == uninstaller);
  EXPECT_EQ(ReadFileBytes(target + "/setup.log"), target);
  // The programs can be started; the marker is no program.
  EXPECT_EQ(access((target + "/Brassel.exe").c_str(), X_OK), 0);
  EXPECT_EQ(access((target + "/Uninstall.exe").c_str(), X_OK), 0);
  struct stat marker {};
  ASSERT_EQ(stat((target + "/setup.log").c_str(), &marker), 0);
  EXPECT_EQ(marker.st_mode & 0111, 0u);

  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserKey));
  EXPECT_FALSE(QueryValue(HKEY_CURRENT_USER, kUserKey, "").Exists);
  const RegValue name = QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName");
  EXPECT_EQ(name.Type, REG_SZ);
  EXPECT_EQ(name.Data, std::string("Brassel 1.2", 12));
  const RegValue uninstall = QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString");
  EXPECT_EQ(uninstall.Type, REG_SZ);
  EXPECT_EQ(uninstall.Data, target + "/Uninstall.exe" + std::string(1, '\0'));

  EXPECT_TRUE(fs::is_directory(Programs() + "Ormund"));
  for (const std::string& link : {Programs() + "Ormund/Brassel.lnk", Desktop() + "Brassel.lnk"}) {
    const LinkContents contents = ReadLink(link);
    ASSERT_TRUE(contents.Loaded) << link;
    EXPECT_EQ(contents.Path, target + "/Brassel.exe");
    EXPECT_EQ(contents.Arguments, "/e:8192");
    EXPECT_EQ(contents.Description, "");
    EXPECT_EQ(contents.WorkingDirectory, "");
    EXPECT_EQ(contents.IconLocation, "");
    EXPECT_EQ(contents.HotKey, 0);
    EXPECT_EQ(contents.ShowCmd, 1);
  }
}

// The default target lies on the platform's system drive, which the user may write.
TEST_F(SetupTest, InstallsIntoTheDefaultTarget) {
  if (!install_test::InChild()) return;  // ran in its own process
  Click(Form2->Button2);
  const std::string target = Form2->Memo1->Text();
  Click(Form2->Button1);
  ASSERT_TRUE(Dialogs->Messages.empty()) << Dialogs->Messages[0].Text;
  EXPECT_EQ(target, Root->Root() + "/Program Files/Brassel 1.2");
  EXPECT_EQ(access((target + "/Brassel.exe").c_str(), X_OK), 0);
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").Data,
            target + "/Uninstall.exe" + '\0');
  EXPECT_EQ(access((target + "/Uninstall.exe").c_str(), X_OK), 0);
  EXPECT_TRUE(ReadLink(Desktop() + "Brassel.lnk").Loaded);
}

TEST_F(SetupTest, ProgressIsCosmeticAndEndsWithFinish) {
  if (!install_test::InChild()) return;  // ran in its own process
  ChooseFolder(Root->Scratch());
  Click(Form2->Button1);
  ASSERT_TRUE(Dialogs->Messages.empty());
  ExpectShown(WelcomePage(), false);
  ExpectShown(DestinationPage(), false);
  ExpectShown(ProgressPage(), true);
  for (TControl* button : {Form2->Button1, Form2->Button2, Form2->Button3, Form2->Button4})
    EXPECT_FALSE(button->Enabled()) << button->Name();
  EXPECT_TRUE(Form2->Timer1->Enabled());
  EXPECT_EQ(Form2->Timer1->Interval(), 100u);
  EXPECT_TRUE(Form2->Animate1->Active());
  EXPECT_EQ(Form2->Label13->Caption(), "Extracting Files...");

  Tick(74);
  EXPECT_EQ(Form2->Gauge1->Progress(), 74);
  EXPECT_EQ(Form2->Label13->Caption(), "Extracting Files...");
  Tick();
  EXPECT_EQ(Form2->Label13->Caption(), "Writing Data...");
  Tick(24);
  EXPECT_FALSE(Form2->Label14->Visible());
  EXPECT_FALSE(Form2->Button1->Enabled());
  Tick();
  EXPECT_EQ(Form2->Gauge1->Progress(), 100);
  EXPECT_FALSE(Form2->Timer1->Enabled());
  EXPECT_TRUE(Form2->Label14->Visible());
  EXPECT_EQ(Form2->Label14->Caption(), "Succesfully installed!");
  EXPECT_EQ(Form2->Label13->Caption(), "   Terminated");
  EXPECT_FALSE(Form2->Animate1->Active());
  EXPECT_EQ(Form2->Animate1->Frame(), 0);
  EXPECT_EQ(Form2->Button1->Caption(), "&Finish");
  EXPECT_TRUE(Form2->Button1->Enabled());
  EXPECT_FALSE(Form2->Button4->Enabled());
  EXPECT_FALSE(Ended());
  Click(Form2->Button1);
  EXPECT_TRUE(Ended());
}

TEST_F(SetupTest, InstallingOverAnEarlierInstallationKeepsTheLinksOwnSettings) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  fs::create_directories(target);
  fs::create_directories(Programs() + "Ormund");
  WriteFileBytes(target + "/Brassel.exe", std::string(100000, 'o'));
  WriteFileBytes(target + "/setup.log", "an older and much longer target directory");
  WriteFileBytes(target + "/config.ini", "[Options]\r\n");
  {
    // The earlier Desktop link, with settings setup never writes.
    IShellLinkA* link = nullptr;
    IPersistFile* file = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                               reinterpret_cast<void**>(&link)),
              S_OK);
    link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file));
    link->SetPath("/old/Brassel.exe");
    link->SetArguments("/old");
    link->SetDescription("My converter");
    link->SetWorkingDirectory("/music");
    link->SetIconLocation("/icons/brassel.ico", 2);
    link->SetHotkey(0x0642);
    link->SetShowCmd(7);
    const std::string path = Desktop() + "Brassel.lnk";
    fs::create_directories(fs::path(path).parent_path());
    const std::u16string wide(path.begin(), path.end());
    ASSERT_EQ(file->Save(wide.c_str(), TRUE), S_OK);
    file->Release();
    link->Release();
  }
  Click(Form2->Button1);
  ASSERT_TRUE(Dialogs->Messages.empty()) << Dialogs->Messages[0].Text;
  EXPECT_TRUE(ReadFileBytes(target + "/Brassel.exe") == ResourceBytes("File1", "Application"));
  EXPECT_EQ(ReadFileBytes(target + "/setup.log"), target);
  EXPECT_EQ(ReadFileBytes(target + "/config.ini"), "[Options]\r\n");
  const LinkContents desktop = ReadLink(Desktop() + "Brassel.lnk");
  EXPECT_EQ(desktop.Path, target + "/Brassel.exe");
  EXPECT_EQ(desktop.Arguments, "/e:8192");
  EXPECT_EQ(desktop.Description, "My converter");
  EXPECT_EQ(desktop.WorkingDirectory, "/music");
  EXPECT_EQ(desktop.IconLocation, "/icons/brassel.ico");
  EXPECT_EQ(desktop.IconIndex, 2);
  EXPECT_EQ(desktop.HotKey, 0x0642);
  EXPECT_EQ(desktop.ShowCmd, 7);
}

// The links go to the user's folders whatever became of them since the hive was made: a
// Desktop deleted after a first installation is made again, and a hive without the folders,
// or one that cannot be parsed, gives the defaults (a damaged one is kept aside first); never
// the root of the file system.
enum class FoldersBefore { DesktopDeleted, HiveWithoutShellFolders, HiveThatCannotBeParsed };

class SetupFoldersTest : public SetupTest, public testing::WithParamInterface<FoldersBefore> {};

TEST_P(SetupFoldersTest, LinksGoToTheUsersFolders) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string desktop = Root->Home() + "/Desktop/";
  const std::string programs = Root->Root() + "/Programs/";
  const std::string hive = win32::UserHivePath();
  const std::string damaged =
      "\x7F"
      "ELF\x02\x01\x01\n[Software]\n";
  ASSERT_EQ(Desktop(), desktop);  // the hive, as a first installation left it
  ASSERT_EQ(Programs(), programs);
  switch (GetParam()) {
    case FoldersBefore::DesktopDeleted: fs::remove_all(desktop); break;
    case FoldersBefore::HiveWithoutShellFolders:
      WriteFileBytes(hive, "[Software\\Ormund\\Brassel 1.2]\n");
      break;
    case FoldersBefore::HiveThatCannotBeParsed: WriteFileBytes(hive, damaged); break;
  }
  const std::string target = ChooseFolder(Root->Scratch());
  Click(Form2->Button1);
  Tick(100);
  EXPECT_TRUE(Dialogs->Messages.empty()) << Dialogs->Messages[0].Text;
  EXPECT_EQ(Form2->Label14->Caption(), "Succesfully installed!");
  for (const std::string& link : {desktop + "Brassel.lnk", programs + "Ormund/Brassel.lnk"})
    EXPECT_EQ(ReadLink(link).Path, target + "/Brassel.exe") << link;
  EXPECT_EQ(ReadFileBytes(hive + ".bad"),
            GetParam() == FoldersBefore::HiveThatCannotBeParsed ? damaged : "");
}

const char* NameOf(FoldersBefore folders) {
  const char* names[] = {"DesktopDeleted", "HiveWithoutShellFolders", "HiveThatCannotBeParsed"};
  return names[int(folders)];
}
void PrintTo(FoldersBefore folders, std::ostream* out) { *out << NameOf(folders); }
std::string FoldersName(const testing::TestParamInfo<FoldersBefore>& info) {
  return NameOf(info.param);
}

INSTANTIATE_TEST_SUITE_P(Folders, SetupFoldersTest,
                         testing::Values(FoldersBefore::DesktopDeleted,
                                         FoldersBefore::HiveWithoutShellFolders,
                                         FoldersBefore::HiveThatCannotBeParsed),
                         FoldersName);

TEST_F(SetupTest, TheWindowsLookAsDesigned) {
  if (!install_test::InChild()) return;  // ran in its own process
  // The background: 256 grey bands from black at the top to white at the bottom.
  EXPECT_EQ(Form1->Img->Width(), Screen->Width());
  EXPECT_EQ(Form1->Img->Height(), Screen->Height());
  TBitmap background;
  Form1->Img->GrabToBitmap(&background);
  ASSERT_EQ(background.Width(), Screen->Width());
  ASSERT_EQ(background.Height(), Screen->Height());
  const double step = Screen->Height() / 256.0;
  for (int band : {0, 1, 100, 128, 254, 255}) {
    const int row = static_cast<int>(band * step);
    EXPECT_EQ(background.Canvas()->Pixels(Screen->Width() / 2, row), RGB(band, band, band))
        << "band " << band;
  }
  EXPECT_EQ(background.Canvas()->Pixels(0, Screen->Height() - 1), clWhite);

  // The wizard: its picture, light in the middle and dark at the edges.
  TBitmap wizard;
  Form2->GrabToBitmap(&wizard);
  EXPECT_EQ(wizard.Width(), 510);
  EXPECT_EQ(wizard.Height(), 319);
  const TColor middle = wizard.Canvas()->Pixels(8 + 60, 8 + 160);
  const TColor corner = wizard.Canvas()->Pixels(9, 9);
  EXPECT_GT(GetRValue(middle), 170);
  EXPECT_LT(GetRValue(corner), 110);
  EXPECT_NEAR(GetRValue(corner), GetBValue(corner), 8);
}

// The part of the target box's text that the box shows, from the character at its left edge
// to the one at its right edge, on the middle of its one visible line.
std::string VisibleTarget() {
  auto* edit = static_cast<QPlainTextEdit*>(Form2->Memo1->Widget());
  const QWidget* view = edit->viewport();
  const int middle = view->height() / 2;
  const int first = edit->cursorForPosition(QPoint(0, middle)).position();
  const int last = edit->cursorForPosition(QPoint(view->width() - 1, middle)).position();
  return edit->toPlainText().mid(first, last - first).toStdString();
}

// The box is narrower than most targets (a real user's default among them): it shows their
// end, "Brassel 1.2", never only the first line of the path; a short target shows whole.
TEST_F(SetupTest, TargetBoxShowsTheEndOfTheTarget) {
  if (!install_test::InChild()) return;  // ran in its own process
  Form1->OnActivate(Form1);              // shown, as setup shows it
  Click(Form2->Button2);
  const std::string defaultTarget = Form2->Memo1->Text();
  ASSERT_GT(defaultTarget.size(), 45u) << "the default target is short here";
  const std::string shown = VisibleTarget();
  EXPECT_GT(shown.size(), 20u) << shown;
  EXPECT_TRUE(defaultTarget.ends_with(shown)) << shown;

  const struct {
    std::string Folder;
    bool Whole;  // the target fits into the box
  } cases[] = {{"/" + std::string(60, 'a'), false}, {"/srv", true}, {"/", true}};
  for (const auto& c : cases) {
    const std::string target = ChooseFolder(c.Folder);
    const std::string visible = VisibleTarget();
    EXPECT_TRUE(target.ends_with(visible)) << visible;
    EXPECT_TRUE(visible.ends_with("/Brassel 1.2")) << visible;
    EXPECT_EQ(visible == target, c.Whole) << visible;
  }
}

// Setup can always be ended after a failure: the progress page ends at once, saying that the
// installation failed, and the error box shows the failure; nothing done before is undone.
class SetupFailureTest : public SetupTest {
 protected:
  void ExpectFailedWith(const std::string& message) {
    ASSERT_EQ(Dialogs->Messages.size(), 1u);
    EXPECT_EQ(Dialogs->Messages[0].Text, message);
    EXPECT_EQ(Dialogs->Messages[0].Caption, "Installation");
    EXPECT_EQ(Dialogs->Messages[0].Flags & MB_ICONERROR, MB_ICONERROR);
    EXPECT_TRUE(Form2->Label14->Visible());
    EXPECT_EQ(Form2->Label14->Caption(), "Installation failed!");
    EXPECT_FALSE(Form2->Timer1->Enabled());
    EXPECT_FALSE(Form2->Animate1->Active());
    EXPECT_FALSE(Form2->Button4->Enabled());
    EXPECT_EQ(Form2->Button1->Caption(), "&Finish");
    ASSERT_TRUE(Form2->Button1->Enabled());
    EXPECT_FALSE(Ended());
    Click(Form2->Button1);
    EXPECT_TRUE(Ended());
  }
};

// A failure before the uninstaller is written leaves no uninstall entry: nothing could run it.
// The folder that could not be made is named.
TEST_F(SetupFailureTest, TargetWhoseParentIsMissing) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch() + "/missing");
  Click(Form2->Button1);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  EXPECT_FALSE(fs::exists(target));
  ExpectFailedWith("Invalid filename: " + target + ".");
}

TEST_F(SetupFailureTest, TargetThatIsAFile) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  WriteFileBytes(target, "in the way");
  Click(Form2->Button1);
  EXPECT_EQ(ReadFileBytes(target), "in the way");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  ExpectFailedWith("I/O error 183: " + target + ".");
}

TEST_F(SetupFailureTest, FolderThatMayNotBeWritten) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string folder = Root->Scratch() + "/read only";
  fs::create_directories(folder);
  const std::string target = ChooseFolder(folder);
  {
    const install_test::ReadOnlyFolder readOnly(folder);
    ASSERT_EQ(readOnly.Failure(), "");
    Click(Form2->Button1);
    EXPECT_FALSE(fs::exists(target));
  }
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  ExpectFailedWith("File access denied: " + target + ".");
}

// A folder in the way of any of the files is a failure naming it; no entry is written.
class SetupFolderInTheWayTest : public SetupFailureTest,
                                public testing::WithParamInterface<const char*> {};

TEST_P(SetupFolderInTheWayTest, FileThatCannotBeCreated) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  fs::create_directories(target + "/" + GetParam() + "/inside");
  Click(Form2->Button1);
  EXPECT_TRUE(fs::is_directory(target + "/" + GetParam() + "/inside"));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  // Nothing of the new file is left beside it.
  for (const auto& entry : fs::directory_iterator(target))
    EXPECT_EQ(entry.path().filename().string().find('~'), std::string::npos) << entry.path();
  ExpectFailedWith("Cannot create file " + target + "/" + GetParam() + ".");
}

INSTANTIATE_TEST_SUITE_P(
    Files, SetupFolderInTheWayTest, testing::Values("Brassel.exe", "Uninstall.exe", "setup.log"),
    [](const testing::TestParamInfo<const char*>& info) {
      return std::string(info.param).substr(0, std::string(info.param).find('.'));
    });

// Links standing at the places of setup's files, pointing elsewhere: each is replaced by the
// file itself, and what it pointed to stays as it was.
TEST_F(SetupTest, LinksAtTheTargetPathsAreReplaced) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  const std::string elsewhere = Root->Scratch() + "/elsewhere";
  fs::create_directories(target);
  fs::create_directories(elsewhere);
  fs::create_directories(Programs() + "Ormund");
  fs::create_directories(Desktop());
  // A link file elsewhere for the shortcuts' places (an existing link is read first).
  const std::string otherLink = elsewhere + "/Other.lnk";
  {
    TZebShortcut other(nullptr);
    other.SetLnkFile(otherLink);
    other.SetPathName("/opt/other/Other.exe");
    other.Save();
  }
  const std::string otherLinkBytes = ReadFileBytes(otherLink);
  const struct {
    std::string Place, PointsTo, Bytes;
  } cases[] = {
      {target + "/Brassel.exe", elsewhere + "/file", "someone's file"},
      {target + "/Uninstall.exe", elsewhere + "/program", "someone's program"},
      {target + "/setup.log", elsewhere + "/notes", "someone's notes"},
      {Programs() + "Ormund/Brassel.lnk", otherLink, otherLinkBytes},
      {Desktop() + "Brassel.lnk", otherLink, otherLinkBytes},
  };
  for (const auto& c : cases) {
    if (!fs::exists(c.PointsTo)) WriteFileBytes(c.PointsTo, c.Bytes);
    fs::create_symlink(c.PointsTo, c.Place);
  }
  Click(Form2->Button1);
  ASSERT_TRUE(Dialogs->Messages.empty()) << Dialogs->Messages[0].Text;
  for (const auto& c : cases) {
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(c.Place))) << c.Place;
    EXPECT_EQ(ReadFileBytes(c.PointsTo), c.Bytes) << c.PointsTo;
    struct stat info {};
    ASSERT_EQ(stat(c.PointsTo.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0111, 0u) << c.PointsTo;
  }
  EXPECT_TRUE(ReadFileBytes(target + "/Brassel.exe") == ResourceBytes("File1", "Application"));
  EXPECT_TRUE(ReadFileBytes(target + "/Uninstall.exe") == ResourceBytes("File2", "Application"));
  EXPECT_EQ(ReadFileBytes(target + "/setup.log"), target);
  for (const std::string& link : {Programs() + "Ormund/Brassel.lnk", Desktop() + "Brassel.lnk"})
    EXPECT_EQ(ReadLink(link).Path, target + "/Brassel.exe") << link;
}

// An earlier installation's entry, whose uninstaller is there, is put back as it was.
TEST_F(SetupFailureTest, EarlierEntryComesBackAfterAFailure) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string earlier = Root->Scratch() + "/earlier/Uninstall.exe";
  fs::create_directories(Root->Scratch() + "/earlier");
  WriteFileBytes(earlier, "uninstaller");
  HKEY entry = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kUninstallKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                            nullptr, &entry, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(entry, "UninstallString", 0, REG_SZ,
                 reinterpret_cast<const BYTE*>(earlier.c_str()), DWORD(earlier.size() + 1));
  RegCloseKey(entry);
  const std::string target = ChooseFolder(Root->Scratch() + "/missing");
  Click(Form2->Button1);
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").Data, earlier + '\0');
  EXPECT_FALSE(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName").Exists);
  ExpectFailedWith("Invalid filename: " + target + ".");
}

TEST_F(SetupFailureTest, MachineRegistryThatMayNotBeChanged) {
  if (!install_test::InChild()) return;  // ran in its own process
  HKEY software = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                            &software, nullptr),
            ERROR_SUCCESS);
  RegCloseKey(software);
  ASSERT_EQ(chmod(win32::MachineHivePath().c_str(), 0444), 0);
  const std::string target = ChooseFolder(Root->Scratch());
  Click(Form2->Button1);
  EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER, kUserKey));
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey));
  // The files come first and stay: nothing done before is undone.
  EXPECT_TRUE(ReadFileBytes(target + "/Uninstall.exe") == ResourceBytes("File2", "Application"));
  ExpectFailedWith(std::string("Failed to create key ") + kUninstallKey + ".");
}

// The entry fails half-way (the machine's hive turns read-only once the key is made) and
// cannot be taken back either: setup says where it stays.
TEST_F(SetupFailureTest, EntryThatCannotBeTakenBack) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  static bool keyMade;
  keyMade = false;
  TForm2::OnStepDone = [](int) {
    if (keyMade || !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey)) return;
    keyMade = true;
    chmod(win32::MachineHivePath().c_str(), 0444);
  };
  Click(Form2->Button1);
  TForm2::OnStepDone = nullptr;
  ASSERT_TRUE(keyMade);
  EXPECT_FALSE(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "DisplayName").Exists);
  EXPECT_FALSE(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").Exists);
  ExpectFailedWith(
      "Failed to set data for 'UninstallString'\nCould not take back the "
      "uninstall entry in " +
      win32::MachineHivePath() + ".");
}

TEST_F(SetupFailureTest, MakersFolderThatIsAFile) {
  if (!install_test::InChild()) return;  // ran in its own process
  const std::string target = ChooseFolder(Root->Scratch());
  fs::create_directories(Programs());
  WriteFileBytes(Programs() + "Ormund", "in the way");
  Click(Form2->Button1);
  EXPECT_EQ(ReadFileBytes(target + "/setup.log"), target);
  EXPECT_FALSE(fs::exists(Desktop() + "Brassel.lnk"));
  // The uninstaller is there: its entry stays.
  EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, kUninstallKey, "UninstallString").Data,
            target + "/Uninstall.exe" + '\0');
  ExpectFailedWith("I/O error 183: " + Programs() + "Ormund.");
}

TEST_F(SetupFailureTest, DesktopLinkThatCannotBeWritten) {
  if (!install_test::InChild()) return;  // ran in its own process
  // A Desktop below a file: the folder cannot be made.
  WriteFileBytes(Root->Scratch() + "/a file", "in the way");
  const std::string missing = Root->Scratch() + "/a file/Desktop";
  HKEY folders = nullptr;
  ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, win32::kShellFoldersKey, 0, KEY_ALL_ACCESS, &folders),
            ERROR_SUCCESS);
  RegSetValueExA(folders, "Desktop", 0, REG_SZ, reinterpret_cast<const BYTE*>(missing.c_str()),
                 DWORD(missing.size() + 1));
  RegCloseKey(folders);
  const std::string target = ChooseFolder(Root->Scratch());
  Click(Form2->Button1);
  EXPECT_TRUE(ReadLink(Programs() + "Ormund/Brassel.lnk").Loaded);
  ExpectFailedWith("Could not create Shortcut " + missing + "/Brassel.lnk.");
}

}  // namespace
}  // namespace setup_test
