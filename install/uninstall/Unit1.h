// The uninstaller's window. One click removes part of the installation record: the uninstall
// entry, "Brassel.exe" and "setup.log" beside the uninstaller, and the two shortcuts found
// through the current user's Desktop and Programs folders. It asks nothing and tells what it
// could not remove; its progress is cosmetic: the work is done before the first tick.
#pragma once

#include "controls/ShellFolders.h"
#include "platform/classlib/Animate.h"
#include "platform/classlib/Bevel.h"
#include "platform/classlib/Button.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/Gauge.h"
#include "platform/classlib/Image.h"
#include "platform/classlib/Label.h"
#include "platform/classlib/Memo.h"
#include "platform/classlib/Timer.h"

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;

  TImage* Image1;
  TLabel* Label1;
  TAnimate* Animate1;
  TBevel* Bevel2;
  TLabel* Label2;
  TLabel* Label3;
  TGauge* Gauge1;
  TLabel* Label4;
  TShellFolders* ShellFolders1;
  TBevel* Bevel1;
  TButton* Button2;
  TMemo* Memo1;
  TMemo* Memo2;
  TMemo* Memo3;
  TMemo* Memo4;
  TButton* Button1;
  TTimer* Timer1;

  void FormCreate(TObject* Sender);
  void Button1Click(TObject* Sender);
  void Button2Click(TObject* Sender);
  void Timer1Timer(TObject* Sender);

  // The machine's uninstall entry that setup writes.
  static constexpr const char* kUninstallKey =
      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Brassel 1.2";
  // The end text when something could not be removed.
  static constexpr const char* kFailedText = "Uninstallation failed!";

 private:
  bool IsInstallation() const;
  void ShowEndState(const char* Outcome);
};

extern TForm1* Form1;
