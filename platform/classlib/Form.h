// A top-level window: caption, border style and icons, client size, position (designed or
// centred on the screen), a main menu, the active control, and the form events.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/classlib/WinControl.h"

class TBitmap;
class TMainMenu;

enum TFormBorderStyle : uint8_t {
  bsNone,
  bsSingle,
  bsSizeable,
  bsDialog,
  bsToolWindow,
  bsSizeToolWin
};
// Border icons, a set: biSystemMenu | biMinimize ...
inline constexpr uint8_t biSystemMenu = 1, biMinimize = 2, biMaximize = 4, biHelp = 8;
using TBorderIcons = uint8_t;
enum TPosition : uint8_t {
  poDesigned,
  poDefault,
  poScreenCenter,
  poDesktopCenter,
  poMainFormCenter
};
enum TWindowState : uint8_t { wsNormal, wsMinimized, wsMaximized };
enum TCloseAction : uint8_t { caNone, caHide, caFree, caMinimize };

using TCloseEvent = std::function<void(TObject* Sender, TCloseAction& Action)>;

class TForm : public TWinControl {
 public:
  explicit TForm(TComponent* AOwner);
  ~TForm() override;

  // Runs OnCreate; Application::CreateForm calls it once the form's constructor is done.
  void AfterConstruction();

  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TBorderIcons BorderIcons() const { return FBorderIcons; }
  void SetBorderIcons(TBorderIcons value);
  TPosition Position() const { return FPosition; }
  void SetPosition(TPosition value) { FPosition = value; }
  TWindowState WindowState() const { return FWindowState; }
  void SetWindowState(TWindowState value);
  TMainMenu* Menu() const { return FMenu; }
  void SetMenu(TMainMenu* menu);

  // The window's inside without the menu bar.
  int ClientWidth() const override { return FWidth; }
  int ClientHeight() const override;
  void SetClientWidth(int value) override;
  void SetClientHeight(int value) override;
  void SetBounds(int ALeft, int ATop, int AWidth, int AHeight) override;

  // Shows the form and brings it to the front (placing it first when it was hidden).
  void Show();
  void Hide() { SetVisible(false); }
  void SetVisible(bool value) override;
  // Asks OnClose; caHide hides the form, caFree destroys it later, caNone keeps it. Closing
  // the main form ends the application.
  void Close();
  bool Active() const;
  TWinControl* ActiveControl() const { return FActiveControl; }
  void SetActiveControl(TWinControl* control);
  // The icon that the window shows (the program's unless the form has its own) as a 32 x 32
  // picture, its transparent pixels black; an empty picture when it shows none.
  void IconToBitmap(TBitmap* bitmap) const;

  TNotifyEvent OnCreate;
  TNotifyEvent OnShow;
  TNotifyEvent OnHide;
  TNotifyEvent OnActivate;
  TNotifyEvent OnDeactivate;
  TCloseEvent OnClose;
  TNotifyEvent OnDestroy;

  // Class library internal.
  QWidget* ClientWidget() const override { return FClient; }
  void WindowActivated();
  void WindowDeactivated();
  // The window's close box: true when the window may close.
  bool CloseRequested();
  void ControlRemoved(TControl* control);

 protected:
  void ApplyBounds() override;
  void ColorChanged() override;
  void CaptionChanged() override;
  virtual void DoShow();
  virtual void DoClose(TCloseAction& Action);

 private:
  void ApplyWindowFlags();
  void PlaceOnShow();
  int FrameExtraHeight() const;

  QWidget* FClient = nullptr;
  TFormBorderStyle FBorderStyle = bsSizeable;
  TBorderIcons FBorderIcons = biSystemMenu | biMinimize | biMaximize;
  TPosition FPosition = poDesigned;
  TWindowState FWindowState = wsNormal;
  TMainMenu* FMenu = nullptr;
  TWinControl* FActiveControl = nullptr;
  bool FCreated = false;
  bool FClosing = false;
};
