#include "install/uninstall/Unit1.h"

#include "install/uninstall/PathPart.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/Registry.h"
#include "platform/win32/Files.h"

TForm1* Form1 = nullptr;

namespace {

TLabel* PlaceLabel(TForm1* form, const char* name, int left, int top, int width, int height,
                   const char* caption) {
  auto* label = new TLabel(form);
  label->SetName(name);
  label->SetParent(form);
  label->SetAutoSize(false);
  label->SetBounds(left, top, width, height);
  label->SetCaption(caption);
  return label;
}

TBevel* PlaceBevel(TForm1* form, const char* name, int left, int top, int width, int height) {
  auto* bevel = new TBevel(form);
  bevel->SetName(name);
  bevel->SetParent(form);
  bevel->SetShape(bsTopLine);
  bevel->SetBounds(left, top, width, height);
  return bevel;
}

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

std::string ProgramPath() {
  char path[4096];
  const DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
  return length > 0 && length < sizeof path ? std::string(path, length) : std::string();
}

bool FileExists(const std::string& path) {
  const DWORD attributes = GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
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
  for (TMemo* required : {Memo1, Memo2}) {
    if (!FileExists(required->Text())) {
      Application->MessageBox("Can't find a file", "Error", MB_OK | MB_ICONERROR);
      Close();
      return;
    }
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

  // Whatever could not go is told at once, and the page ends there; a file that is already
  // gone is no failure.
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
  std::string remaining;
  if (registry.OpenKey(kUninstallKey, false)) {
    registry.CloseKey();
    remaining += std::string("\nHKEY_LOCAL_MACHINE\\") + kUninstallKey;
  }

  for (TMemo* path : {Memo1, Memo2, Memo3, Memo4}) {
    DeleteFileA(path->Text().c_str());
    if (GetFileAttributesA(path->Text().c_str()) != INVALID_FILE_ATTRIBUTES)
      remaining += "\n" + path->Text();
  }
  if (remaining.empty()) return;
  ShowEndState(kFailedText);
  Application->MessageBox(("Could not remove:" + remaining).c_str(), "Error", MB_OK | MB_ICONERROR);
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
