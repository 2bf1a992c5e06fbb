#include "install/uninstall/Unit1.h"

#include <sys/stat.h>

#include <unistd.h>

#include <utility>

#include "install/uninstall/PathPart.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/FormPlacing.h"
#include "platform/classlib/Registry.h"
#include "platform/win32/Files.h"

TForm1* Form1 = nullptr;

namespace {

TButton* PlaceButton(TForm1* form, const char* name, int left, const char* caption, int tabOrder) {
  auto* button = new TButton(form);
  button->SetName(name);
  button->SetParent(form);
  button->SetBounds(left, 288, 73, 25);
  button->SetCaption(caption);
  button->SetTabOrder(tabOrder);
  return button;
}

TMemo* PlaceMemo(TForm1* form, const char* name, int left, int width) {
  auto* memo = new TMemo(form);
  memo->SetName(name);
  memo->SetParent(form);
  memo->SetBounds(left, 288, width, 17);
  memo->SetVisible(false);
  return memo;
}

// The marker's text: the installation directory, as setup wrote it.
std::string ReadMarker(const std::string& path) {
  std::string text;
  const int file = OpenRegularFileForReading(path.c_str());
  if (file < 0) return text;
  char buffer[4096];
  const ssize_t count = read(file, buffer, sizeof buffer);
  if (count > 0) text.assign(buffer, static_cast<size_t>(count));
  close(file);
  return text;
}

std::string ProgramPath() {
  char path[4096];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

// Whether anything stands at the path, a link to nothing included.
bool Stands(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

// The uninstall entry's "UninstallString", or empty.
std::string EntryUninstaller() {
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(TForm1::kUninstallKey, false)) return "";
  try {
    return registry.ValueExists("UninstallString") ? registry.ReadString("UninstallString") : "";
  } catch (const Exception&) {
    return "";
  }
}

bool SameFolder(const std::string& a, const std::string& b) {
  struct stat first {
  }, second{};
  return stat(a.c_str(), &first) == 0 && stat(b.c_str(), &second) == 0 && S_ISDIR(first.st_mode) &&
         first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

bool EntryStands() {
  TRegistry registry;
  registry.SetRootKey(HKEY_LOCAL_MACHINE);
  if (!registry.OpenKey(TForm1::kUninstallKey, false)) return false;
  registry.CloseKey();
  return true;
}

}  // namespace

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form1");
  SetCaption("Uninstall Brassel 1.2");
  SetBorderStyle(bsSingle);
  SetBorderIcons(0);
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetClientWidth(503);
  SetClientHeight(319);
  Font()->SetName("Verdana");
  Font()->SetHeight(-11);
  Font()->SetCharset(ANSI_CHARSET);
  Font()->SetColor(clWindowText);

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(8, 8, 175, 254);
  Image1->SetAutoSize(true);
  {
    TJPEGImage jpeg;
    jpeg.LoadFromResourceName(nullptr, "INSTALL");
    Image1->Picture()->SetGraphic(&jpeg);
  }
  Label1 = PlaceLabel(this, "Label1", 200, 16, 253, 39,
                      "This will uninstall Brassel 1.2. After the Uninstallation you will not be "
                      "able to use Brassel 1.2.");
  Label1->SetWordWrap(true);
  Animate1 = new TAnimate(this);
  Animate1->SetName("Animate1");
  Animate1->SetParent(this);
  Animate1->SetBounds(192, 16, 304, 60);
  Animate1->SetCommonAVI(aviDeleteFile);
  Animate1->SetVisible(false);
  Bevel2 = PlaceBevel(this, "Bevel2", 192, 72, 305, 2);
  Label2 =
      PlaceLabel(this, "Label2", 216, 88, 259, 13, "Click on Uninstall to uninstall Brassel 1.2");
  Label3 = PlaceLabel(this, "Label3", 296, 112, 98, 13, "Removing Files...");
  Label3->SetVisible(false);
  Gauge1 = new TGauge(this);
  Gauge1->SetName("Gauge1");
  Gauge1->SetParent(this);
  Gauge1->SetBounds(200, 136, 297, 25);
  Gauge1->SetMinValue(0);
  Gauge1->SetMaxValue(100);
  Gauge1->SetProgress(0);
  Gauge1->SetForeColor(clNavy);
  Gauge1->SetVisible(false);
  Label4 = PlaceLabel(this, "Label4", 280, 192, 134, 13, "Succesfully Uninstalled!");
  Label4->SetVisible(false);
  ShellFolders1 = new TShellFolders(this);
  ShellFolders1->SetName("ShellFolders1");
  ShellFolders1->SetParent(this);
  ShellFolders1->SetBounds(456, 248, 9, 9);
  Bevel1 = PlaceBevel(this, "Bevel1", 8, 272, 489, 2);
  Button2 = PlaceButton(this, "Button2", 8, "&Exit", 1);
  Memo1 = PlaceMemo(this, "Memo1", 120, 81);
  Memo2 = PlaceMemo(this, "Memo2", 208, 81);
  Memo3 = PlaceMemo(this, "Memo3", 296, 33);
  Memo4 = PlaceMemo(this, "Memo4", 336, 33);
  Button1 = PlaceButton(this, "Button1", 424, "&Uninstall", 0);
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(10);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
  Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
  Timer1->OnTimer = [this](TObject* Sender) { Timer1Timer(Sender); };
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::FormCreate(TObject*) {
  Memo1->SetText(GetPathPart(ProgramPath()) + "Brassel.exe");
  Memo2->SetText(GetPathPart(ProgramPath()) + "setup.log");
  Memo3->SetText(ShellFolders1->GetDesktop() + "Brassel.lnk");
  Memo4->SetText(ShellFolders1->GetPrograms() + "Ormund/Brassel.lnk");
}

void TForm1::Button1Click(TObject*) {
  if (Button1->Caption() != "&Uninstall") {
    Close();
    return;
  }
  if (!IsInstallation()) {
    const std::string missing = FileExists(Memo1->Text()) ? Memo2->Text() : Memo1->Text();
    Application->MessageBox(("Can't find a file: " + missing).c_str(), "Error",
                            MB_OK | MB_ICONERROR);
    Close();
    return;
  }
  Button1->SetEnabled(false);
  Button2->SetEnabled(false);
  Label1->SetVisible(false);
  Label2->SetVisible(false);
  Bevel2->SetVisible(false);
  Label3->SetVisible(true);
  Animate1->SetVisible(true);
  Animate1->Play(0, 24, 24);
  Gauge1->SetVisible(true);
  Timer1->SetEnabled(true);

  // The converter and the shortcuts go first; the uninstall entry and then "setup.log", which
  // tell that an installation stands here, go only once nothing else remains, so that a run
  // that failed can be run again to finish the job. Whatever remains is told, and the page
  // ends there; a file that is already gone is no failure, and a path that could not be
  // found (an empty one) is never deleted.
  std::string remaining;
  const std::pair<TMemo*, const char*> files[] = {
      {Memo1, "Brassel.exe beside the uninstaller"},
      {Memo3, "Brassel.lnk on the Desktop"},
      {Memo4, "Ormund/Brassel.lnk in the Programs folder"}};
  for (const auto& [memo, unknown] : files) {
    const std::string path = memo->Text();
    if (path.empty()) {
      remaining += std::string("\n") + unknown;
      continue;
    }
    DeleteFileA(path.c_str());
    if (Stands(path)) remaining += "\n" + path;
  }
  const std::string entry = std::string("HKEY_LOCAL_MACHINE\\") + kUninstallKey;
  std::string kept;
  if (remaining.empty()) {
    TRegistry registry;
    registry.SetRootKey(HKEY_LOCAL_MACHINE);
    if (registry.OpenKey(kUninstallKey, false)) {
      registry.DeleteValue("DisplayName");
      registry.CloseKey();
    }
    if (registry.OpenKey(kUninstallKey, false)) {
      registry.DeleteValue("UninstallString");
      registry.CloseKey();
    }
    registry.DeleteKey(kUninstallKey);
    if (EntryStands()) remaining += "\n" + entry;
  } else if (EntryStands()) {
    kept += "\n" + entry;
  }
  if (remaining.empty()) {
    DeleteFileA(Memo2->Text().c_str());
    if (Stands(Memo2->Text())) remaining += "\n" + Memo2->Text();
  } else if (Stands(Memo2->Text())) {
    kept += "\n" + Memo2->Text();
  }
  if (remaining.empty()) return;
  ShowEndState(kFailedText);
  std::string text = "Could not remove:" + remaining;
  if (!kept.empty()) text += "\nKept until the rest is removed:" + kept;
  Application->MessageBox(text.c_str(), "Error", MB_OK | MB_ICONERROR);
}

// An installation stands here when the converter and the marker do, as setup leaves them, or,
// after a run that could not remove everything, when the marker or the uninstall entry still
// names this folder. A folder that merely holds an uninstaller is none.
bool TForm1::IsInstallation() const {
  const std::string folder = GetPathPart(Memo2->Text());
  if (FileExists(Memo2->Text())) {
    if (FileExists(Memo1->Text())) return true;
    const std::string marked = ReadMarker(Memo2->Text());
    if (!marked.empty() && (marked + "/" == folder || SameFolder(marked, folder))) return true;
  }
  const std::string named = EntryUninstaller();
  return !named.empty() && named == folder + "Uninstall.exe";
}

// The page's end: "&Finish" ends the program.
void TForm1::ShowEndState(const char* Outcome) {
  Timer1->SetEnabled(false);
  Label4->SetCaption(Outcome);
  Label4->SetVisible(true);
  Label3->SetLeft(Label3->Left() + 15);
  Label3->SetCaption("Terminated");
  Animate1->Stop();
  Button1->SetCaption("&Finish");
  Button1->SetEnabled(true);
}

void TForm1::Button2Click(TObject*) { Close(); }

void TForm1::Timer1Timer(TObject*) {
  Gauge1->AddProgress(1);
  if (Gauge1->Progress() == 75) Label3->SetCaption("Removing Data...");
  if (Gauge1->Progress() == 100) ShowEndState("Succesfully Uninstalled!");
}
