#include "install/setup/Unit2.h"

#include <cstring>

#include "install/setup/InstallRecord.h"
#include "install/setup/Unit1.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/DialogProvider.h"
#include "platform/classlib/FormPlacing.h"
#include "platform/classlib/ResourceStream.h"
#include "platform/win32/Machine.h"
#include "platform/win32/Shell.h"

TForm2* Form2 = nullptr;

void (*TForm2::OnStepDone)(int Step) = nullptr;

namespace {

// A label that sizes itself to its text.
TLabel* PlaceAutoLabel(TForm2* form, const char* name, int left, int top, const char* caption) {
  auto* label = new TLabel(form);
  label->SetName(name);
  label->SetParent(form);
  label->SetLeft(left);
  label->SetTop(top);
  label->SetCaption(caption);
  return label;
}

TButton* PlaceButton(TForm2* form, const char* name, int left, int top, const char* caption,
                     int tabOrder, bool enabled) {
  auto* button = new TButton(form);
  button->SetName(name);
  button->SetParent(form);
  button->SetBounds(left, top, 75, 25);
  button->SetCaption(caption);
  button->SetTabOrder(tabOrder);
  button->SetEnabled(enabled);
  return button;
}

void MakeLink(TLabel* label) {
  label->SetParentFont(false);
  label->Font()->Assign(label->Parent()->Font());
  label->Font()->SetColor(clBlue);
  label->SetCursor(crHandPoint);
}

}  // namespace

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form2");
  SetCaption("Setup");
  SetBorderStyle(bsSingle);
  SetBorderIcons(0);
  SetPosition(poScreenCenter);
  SetColor(clBtnFace);
  SetClientWidth(510);
  SetClientHeight(319);
  Font()->SetName("Verdana");
  Font()->SetHeight(-11);
  Font()->SetCharset(ANSI_CHARSET);

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
  Bevel1 = PlaceBevel(this, "Bevel1", 8, 272, 489, 2);
  Button4 = PlaceButton(this, "Button4", 8, 288, "&Exit", 0, true);
  Button1 = PlaceButton(this, "Button1", 424, 288, "&Install", 1, false);
  Button2 = PlaceButton(this, "Button2", 304, 288, "&Next", 2, true);
  Button3 = PlaceButton(this, "Button3", 224, 288, "&Back", 3, false);

  Label1 = PlaceLabel(this, "Label1", 200, 16, 337, 13);
  Bevel2 = PlaceBevel(this, "Bevel2", 200, 40, 297, 2);
  Label2 = PlaceLabel(this, "Label2", 200, 56, 305, 41);
  Label2->SetWordWrap(true);
  Label3 = PlaceLabel(this, "Label3", 200, 104, 337, 17);
  Label4 = PlaceLabel(this, "Label4", 200, 128, 337, 17);
  Label5 = PlaceLabel(this, "Label5", 200, 144, 337, 13);
  Label6 = PlaceLabel(this, "Label6", 200, 160, 329, 13);
  Label7 = PlaceLabel(this, "Label7", 200, 176, 337, 13);
  Bevel3 = PlaceBevel(this, "Bevel3", 200, 200, 297, 2);
  Label8 =
      PlaceAutoLabel(this, "Label8", 200, 216, "Visit for more information our site or e-mail us.");
  Label9 = PlaceAutoLabel(this, "Label9", 200, 240, kWebAddress);
  MakeLink(Label9);
  Label10 = PlaceAutoLabel(this, "Label10", 360, 240, kMailAddress);
  MakeLink(Label10);

  Label11 = PlaceLabel(this, "Label11", 200, 16, 337, 17);
  Label11->SetVisible(false);
  SpeedButton1 = new TSpeedButton(this);
  SpeedButton1->SetName("SpeedButton1");
  SpeedButton1->SetParent(this);
  SpeedButton1->SetBounds(464, 32, 33, 25);
  SpeedButton1->SetFlat(true);
  {
    TBitmap glyph;
    glyph.LoadFromResourceName(nullptr, "FOLDER");
    SpeedButton1->SetGlyph(&glyph);
  }
  SpeedButton1->SetVisible(false);
  Bevel4 = PlaceBevel(this, "Bevel4", 200, 72, 297, 2);
  Bevel4->SetVisible(false);
  Label12 = PlaceLabel(this, "Label12", 200, 88, 273, 41);
  Label12->SetWordWrap(true);
  Label12->SetCaption("Now you are ready for the installation. Click on install to proceed.");
  Label12->SetVisible(false);
  Memo1 = new TMemo(this);
  Memo1->SetName("Memo1");
  Memo1->SetParent(this);
  Memo1->SetBounds(200, 36, 257, 21);
  Memo1->SetReadOnly(true);
  Memo1->SetWordWrap(false);
  Memo1->SetTabOrder(4);
  Memo1->SetVisible(false);

  Animate1 = new TAnimate(this);
  Animate1->SetName("Animate1");
  Animate1->SetParent(this);
  Animate1->SetBounds(216, 8, 272, 60);
  Animate1->SetCommonAVI(aviCopyFiles);
  Animate1->SetStopFrame(34);
  Animate1->SetVisible(false);
  Label13 = PlaceAutoLabel(this, "Label13", 304, 80, "Extracting Files...");
  Label13->SetVisible(false);
  Gauge1 = new TGauge(this);
  Gauge1->SetName("Gauge1");
  Gauge1->SetParent(this);
  Gauge1->SetBounds(200, 96, 305, 25);
  Gauge1->SetKind(gkHorizontalBar);
  Gauge1->SetMinValue(0);
  Gauge1->SetMaxValue(100);
  Gauge1->SetProgress(0);
  Gauge1->SetForeColor(clNavy);
  Gauge1->SetShowText(true);
  Gauge1->SetVisible(false);
  Timer1 = new TTimer(this);
  Timer1->SetName("Timer1");
  Timer1->SetEnabled(false);
  Timer1->SetInterval(100);
  Label14 = PlaceAutoLabel(this, "Label14", 288, 136, "Succesfully installed!");
  Label14->SetVisible(false);

  ShellFolders1 = new TShellFolders(this);
  ShellFolders1->SetName("ShellFolders1");
  ShellFolders1->SetParent(this);
  ShellFolders1->SetBounds(480, 208, 25, 25);
  ZebShortcut1 = new TZebShortcut(this);
  ZebShortcut1->SetName("ZebShortcut1");

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
    FormMouseMove(Sender, Shift, X, Y);
  };
  Button2->OnClick = [this](TObject* Sender) { Button2Click(Sender); };
  Button3->OnClick = [this](TObject* Sender) { Button3Click(Sender); };
  Button4->OnClick = [this](TObject* Sender) { Button4Click(Sender); };
  SpeedButton1->OnClick = [this](TObject* Sender) { SpeedButton1Click(Sender); };
  Button1->OnClick = [this](TObject* Sender) { Button1Click(Sender); };
  Timer1->OnTimer = [this](TObject* Sender) { Timer1Timer(Sender); };
  Label9->OnClick = [this](TObject* Sender) { Label9Click(Sender); };
  Label10->OnClick = [this](TObject* Sender) { Label10Click(Sender); };
  Label9->OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
    Label9MouseMove(Sender, Shift, X, Y);
  };
  Label10->OnMouseMove = [this](TObject* Sender, TShiftState Shift, int X, int Y) {
    Label10MouseMove(Sender, Shift, X, Y);
  };
}

TForm2::~TForm2() {
  if (Form2 == this) Form2 = nullptr;
}

void TForm2::FormCreate(TObject*) {
  Label1->SetCaption("Welcome to the Brassel 1.2 setup.");
  Label2->SetCaption(
      " You must have \"wmaudioredist\" installed on your computer. See our website.");
  Label3->SetCaption("Features in Brassel 1.2:");
  Label4->SetCaption("\xC2\xA4 A brilliant new design");
  Label5->SetCaption("\xC2\xA4 Multi select files");
  Label6->SetCaption("\xC2\xA4 Windows Media Audio to *.wav conversion");
  Label7->SetCaption("");
  Label11->SetCaption("Select the destination for Brassel 1.2");
  ShowTarget(win32::MachineRoot() + kDefaultTarget);
}

void TForm2::Button2Click(TObject*) {
  for (TControl* control : {static_cast<TControl*>(Label1), static_cast<TControl*>(Label2),
                            static_cast<TControl*>(Label3), static_cast<TControl*>(Label4),
                            static_cast<TControl*>(Label5), static_cast<TControl*>(Label6),
                            static_cast<TControl*>(Label7), static_cast<TControl*>(Label8),
                            static_cast<TControl*>(Label9), static_cast<TControl*>(Label10),
                            static_cast<TControl*>(Bevel2), static_cast<TControl*>(Bevel3)})
    control->SetVisible(false);
  for (TControl* control : {static_cast<TControl*>(Label11), static_cast<TControl*>(Label12),
                            static_cast<TControl*>(Memo1), static_cast<TControl*>(SpeedButton1),
                            static_cast<TControl*>(Bevel4)})
    control->SetVisible(true);
  Button3->SetEnabled(true);
  Button1->SetEnabled(true);
  Button2->SetEnabled(false);
}

void TForm2::Button3Click(TObject*) {
  for (TControl* control : {static_cast<TControl*>(Label11), static_cast<TControl*>(Label12),
                            static_cast<TControl*>(Memo1), static_cast<TControl*>(SpeedButton1),
                            static_cast<TControl*>(Bevel4)})
    control->SetVisible(false);
  for (TControl* control : {static_cast<TControl*>(Label1), static_cast<TControl*>(Label2),
                            static_cast<TControl*>(Label3), static_cast<TControl*>(Label4),
                            static_cast<TControl*>(Label5), static_cast<TControl*>(Label6),
                            static_cast<TControl*>(Label7), static_cast<TControl*>(Label8),
                            static_cast<TControl*>(Label9), static_cast<TControl*>(Label10),
                            static_cast<TControl*>(Bevel2), static_cast<TControl*>(Bevel3)})
    control->SetVisible(true);
  Button3->SetEnabled(false);
  Button1->SetEnabled(false);
  Button2->SetEnabled(true);
}

void TForm2::Button4Click(TObject*) { Form1->Close(); }

void TForm2::SpeedButton1Click(TObject*) {
  std::string folder;
  if (!DialogProvider()->BrowseForFolder("Select the destination for Brassel 1.2", folder)) return;
  // Joined unchanged: the root "/" gives two separators in a row.
  ShowTarget(folder + "/Brassel 1.2");
}

// One line with the caret at its end: a target longer than the box shows its end, the
// "Brassel 1.2" that the install adds, rather than the first line of a wrapped path.
void TForm2::ShowTarget(const std::string& Target) {
  Memo1->SetText(Target);
  Memo1->SetSelStart(static_cast<int>(Target.size()));
}

void TForm2::Label9Click(TObject*) { OpenAddress(kWebAddress); }

void TForm2::Label10Click(TObject*) { OpenAddress("mailto:" + Label10->Caption()); }

void TForm2::OpenAddress(const std::string& Address) {
  char buffer[256] = {};
  std::strncpy(buffer, Address.c_str(), sizeof buffer - 1);
  ShellExecuteA(Handle(), "open", buffer, nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm2::Label9MouseMove(TObject*, TShiftState, int, int) {
  Label9->Font()->SetColor(clRed);
  Label10->Font()->SetColor(clBlue);
}

void TForm2::Label10MouseMove(TObject*, TShiftState, int, int) {
  Label10->Font()->SetColor(clRed);
  Label9->Font()->SetColor(clBlue);
}

void TForm2::FormMouseMove(TObject*, TShiftState, int, int) {
  Label9->Font()->SetColor(clBlue);
  Label10->Font()->SetColor(clBlue);
}

void TForm2::ShowProgressPage() {
  Button4->SetEnabled(false);
  Button3->SetEnabled(false);
  Button2->SetEnabled(false);
  Button1->SetEnabled(false);
  for (TControl* control : {static_cast<TControl*>(Label1), static_cast<TControl*>(Label2),
                            static_cast<TControl*>(Label3), static_cast<TControl*>(Label4),
                            static_cast<TControl*>(Label5), static_cast<TControl*>(Label6),
                            static_cast<TControl*>(Label7), static_cast<TControl*>(Label8),
                            static_cast<TControl*>(Label9), static_cast<TControl*>(Label10),
                            static_cast<TControl*>(Label11), static_cast<TControl*>(Label12),
                            static_cast<TControl*>(Bevel2), static_cast<TControl*>(Bevel3),
                            static_cast<TControl*>(Bevel4), static_cast<TControl*>(Memo1),
                            static_cast<TControl*>(SpeedButton1)})
    control->SetVisible(false);
  Label13->SetVisible(true);
  Animate1->SetVisible(true);
  Gauge1->SetVisible(true);
  Animate1->Play(0, 34, 34);
  Timer1->SetEnabled(true);
}

// The page's end: the only way out of the progress page is "&Finish".
void TForm2::ShowEndState() {
  Timer1->SetEnabled(false);
  Label14->SetVisible(true);
  Label13->SetCaption("   Terminated");
  Animate1->Stop();
  Button1->SetCaption("&Finish");
  Button1->SetEnabled(true);
}

void TForm2::Button1Click(TObject*) {
  if (Button1->Caption() != "&Install") {
    Form1->Close();
    return;
  }
  TResourceStream converter(nullptr, "File1", "Application");
  TResourceStream uninstaller(nullptr, "File2", "Application");
  const std::string target = Memo1->Text();
  ShowProgressPage();
  try {
    // The hook is asked at each step, so that a test may change it on the way.
    InstallRecord record(*ShellFolders1, *ZebShortcut1, [](int Step) {
      if (OnStepDone != nullptr) OnStepDone(Step);
    });
    record.Write(target, {converter.Memory(), static_cast<int32_t>(converter.Size())},
                 {uninstaller.Memory(), static_cast<int32_t>(uninstaller.Size())}, RegFile);
  } catch (...) {
    // The page ends at once, saying so, and the error box follows.
    Label14->SetCaption(kFailedText);
    ShowEndState();
    throw;
  }
}

void TForm2::Timer1Timer(TObject*) {
  Gauge1->AddProgress(1);
  if (Gauge1->Progress() == 75) Label13->SetCaption("Writing Data...");
  if (Gauge1->Progress() == 100) ShowEndState();
}
