// The setup wizard: a welcome page, a destination page and a progress page over setup's
// background. Install writes the installation record (InstallRecord). The progress page that
// follows is cosmetic: the work is done (or has failed) before its first tick.
#pragma once

#include <memory>
#include <string>

#include "controls/ShellFolders.h"
#include "install/setup/ZebShortcut.h"
#include "platform/classlib/Animate.h"
#include "platform/classlib/Bevel.h"
#include "platform/classlib/Button.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/Gauge.h"
#include "platform/classlib/Image.h"
#include "platform/classlib/Label.h"
#include "platform/classlib/Memo.h"
#include "platform/classlib/RegIniFile.h"
#include "platform/classlib/SpeedButton.h"
#include "platform/classlib/Timer.h"

class TForm2 : public TForm {
 public:
  explicit TForm2(TComponent* AOwner);
  ~TForm2() override;

  TImage* Image1;
  TBevel* Bevel1;
  TButton* Button4;
  TButton* Button1;
  TButton* Button2;
  TButton* Button3;
  TLabel* Label1;
  TBevel* Bevel2;
  TLabel* Label2;
  TLabel* Label3;
  TLabel* Label4;
  TLabel* Label5;
  TLabel* Label6;
  TLabel* Label7;
  TBevel* Bevel3;
  TLabel* Label8;
  TLabel* Label9;
  TLabel* Label10;
  TLabel* Label11;
  TSpeedButton* SpeedButton1;
  TBevel* Bevel4;
  TLabel* Label12;
  TMemo* Memo1;
  TAnimate* Animate1;
  TLabel* Label13;
  TGauge* Gauge1;
  TTimer* Timer1;
  TLabel* Label14;
  TShellFolders* ShellFolders1;
  TZebShortcut* ZebShortcut1;

  void FormCreate(TObject* Sender);
  void Button2Click(TObject* Sender);
  void Button3Click(TObject* Sender);
  void Button4Click(TObject* Sender);
  void SpeedButton1Click(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Timer1Timer(TObject* Sender);
  void Label9Click(TObject* Sender);
  void Label10Click(TObject* Sender);
  void Label9MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void Label10MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
  void FormMouseMove(TObject* Sender, TShiftState Shift, int X, int Y);

  // The fixed default target, on the system drive (the platform root).
  static constexpr const char* kDefaultTarget = "/Program Files/Brassel 1.2";
  // The maker's addresses that the links show and open.
  static constexpr const char* kWebAddress = "http://ormund.example/";
  static constexpr const char* kMailAddress = "brassel@ormund.example";
  // The end texts of a failed installation.
  static constexpr const char* kFailedText = "Installation failed!";

  // For tests only: called after each step of the install that changes the disk or the
  // registry, with the number of steps done so far, so that a test can stop setup between
  // any two of them. Nothing is called while it is null.
  static void (*OnStepDone)(int Step);

 private:
  void ShowTarget(const std::string& Target);
  void ShowProgressPage();
  void ShowEndState();
  void OpenAddress(const std::string& Address);

  std::unique_ptr<TRegIniFile> RegFile;
};

extern TForm2* Form2;
