// A control that can hold other controls and take the keyboard focus: children, alignment of
// the children, tab order, keys, window timers.
#pragma once

#include <map>
#include <memory>
#include <vector>

#include "platform/classlib/Control.h"

class QTimer;

class TWinControl : public TControl {
 public:
  explicit TWinControl(TComponent* AOwner);
  ~TWinControl() override;

  int ControlCount() const { return static_cast<int>(FControls.size()); }
  TControl* Controls(int Index) const;

  int TabOrder() const;
  void SetTabOrder(int value);
  bool TabStop() const { return FTabStop; }
  void SetTabStop(bool value);
  // Takes the keyboard focus; the form tells every control (CM_FOCUSCHANGED).
  void SetFocus();
  bool Focused() const;
  bool CanFocus() const;
  HWND Handle() const { return reinterpret_cast<HWND>(FWidget); }

  // Places the aligned children (top, bottom, left, right, then client).
  void Realign();

  TKeyEvent OnKeyDown;
  TKeyEvent OnKeyUp;
  TKeyPressEvent OnKeyPress;
  TNotifyEvent OnEnter;
  TNotifyEvent OnExit;

  // Class library internal.
  virtual QWidget* ClientWidget() const { return FWidget; }
  void InsertControl(TControl* control);
  void RemoveControl(TControl* control);
  void DispatchMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) override;
  bool TimerRunning(UINT id) const;
  // The period of a running window timer in milliseconds, 0 when it does not run.
  UINT TimerInterval(UINT id) const;
  void NotifyFocusChanged(TWinControl* focused);

 protected:
  virtual void KeyDown(WORD& Key, TShiftState Shift);
  virtual void KeyUp(WORD& Key, TShiftState Shift);
  virtual void KeyPress(char& Key);
  virtual void DoEnter();
  virtual void DoExit();
  // WM_TIMER from a window timer of the control.
  virtual void WMTimer(UINT id) { (void)id; }
  // WM_GETDLGCODE: which keys the control wants for itself.
  virtual LRESULT WMGetDlgCode() { return 0; }
  // CM_FOCUSCHANGED: Focused is the control that now holds the focus.
  virtual void CMFocusChanged(TWinControl* focused) { (void)focused; }
  void WMSize() override;
  void ColorChanged() override;
  void FontChanged() override;
  void EnabledChanged() override;

  // Window timers: ticks arrive as WM_TIMER on this thread.
  void SetTimer(UINT id, UINT milliseconds);
  void KillTimer(UINT id);

  friend class TControl;
  friend class TForm;
  std::vector<TControl*> FControls;
  bool FTabStop = false;
  std::map<UINT, std::unique_ptr<QTimer>> FTimers;
};
