// The base of everything visible on a form: position and size within its parent, visibility,
// enabled state, colour and font (taken from the parent unless set), cursor, and the mouse
// events. Every control stands on a Qt widget of its own; users of the class library never
// see it.
#pragma once

#include <memory>
#include <string>

#include "platform/classlib/Colors.h"
#include "platform/classlib/Component.h"
#include "platform/classlib/ControlTypes.h"
#include "platform/classlib/Font.h"
#include "platform/classlib/NotifyEvent.h"
#include "platform/classlib/Rect.h"

class QWidget;
class ControlEventFilter;
class TBitmap;
class TWinControl;
class TForm;

class TControl : public TComponent {
 public:
  explicit TControl(TComponent* AOwner);
  ~TControl() override;

  TWinControl* Parent() const { return FParent; }
  virtual void SetParent(TWinControl* AParent);
  // The form the control stands on (itself for a form), or nullptr.
  TForm* ParentForm();

  int Left() const { return FLeft; }
  int Top() const { return FTop; }
  int Width() const { return FWidth; }
  int Height() const { return FHeight; }
  void SetLeft(int value) { SetBounds(value, FTop, FWidth, FHeight); }
  void SetTop(int value) { SetBounds(FLeft, value, FWidth, FHeight); }
  void SetWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }
  void SetHeight(int value) { SetBounds(FLeft, FTop, FWidth, value); }
  virtual void SetBounds(int ALeft, int ATop, int AWidth, int AHeight);
  TRect BoundsRect() const { return Bounds(FLeft, FTop, FWidth, FHeight); }
  virtual int ClientWidth() const { return FWidth; }
  virtual int ClientHeight() const { return FHeight; }
  virtual void SetClientWidth(int value) { SetWidth(value); }
  virtual void SetClientHeight(int value) { SetHeight(value); }
  TRect ClientRect() const { return Rect(0, 0, ClientWidth(), ClientHeight()); }
  TAlign Align() const { return FAlign; }
  void SetAlign(TAlign value);

  bool Visible() const { return FVisible; }
  virtual void SetVisible(bool value);
  void Show() { SetVisible(true); }
  void Hide() { SetVisible(false); }
  // Visible together with every parent up to a shown form.
  bool Showing() const;
  bool Enabled() const { return FEnabled; }
  virtual void SetEnabled(bool value);

  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  bool ParentColor() const { return FParentColor; }
  void SetParentColor(bool value);
  TFont* Font() { return &FFont; }
  bool ParentFont() const { return FParentFont; }
  void SetParentFont(bool value);
  TCursor Cursor() const { return FCursor; }
  void SetCursor(TCursor value);
  const std::string& Hint() const { return FHint; }
  void SetHint(const std::string& value);
  bool ShowHint() const { return FShowHint; }
  void SetShowHint(bool value);
  bool ParentShowHint() const { return FParentShowHint; }
  void SetParentShowHint(bool value) { FParentShowHint = value; }
  TDragMode DragMode() const { return FDragMode; }
  void SetDragMode(TDragMode value) { FDragMode = value; }
  TCursor DragCursor() const { return FDragCursor; }
  void SetDragCursor(TCursor value) { FDragCursor = value; }
  TControlStyle ControlStyle() const { return FControlStyle; }
  void SetControlStyle(TControlStyle value) { FControlStyle = value; }

  const std::string& Caption() const { return FCaption; }
  void SetCaption(const std::string& value);
  const std::string& Text() const { return FCaption; }
  void SetText(const std::string& value) { SetCaption(value); }

  void Invalidate();
  void Repaint();
  void Update();
  void Refresh() { Repaint(); }
  void BringToFront();
  void SendToBack();

  TPoint ClientToScreen(const TPoint& point) const;
  TPoint ScreenToClient(const TPoint& point) const;
  bool MouseCapture() const { return FMouseCapture; }
  void SetMouseCapture(bool value);

  // Runs OnClick, also on a hidden or disabled control.
  virtual void Click();
  virtual void DblClick();
  // Delivers a window message as the platform would (mouse, key, size, timer messages...).
  LRESULT Perform(UINT Msg, WPARAM WParam, LPARAM LParam);

  // A picture of the control as it is on screen, with its children.
  void GrabToBitmap(TBitmap* bitmap);

  TNotifyEvent OnClick;
  TNotifyEvent OnDblClick;
  TNotifyEvent OnResize;
  TMouseEvent OnMouseDown;
  TMouseEvent OnMouseUp;
  TMouseMoveEvent OnMouseMove;

  // Class library internal.
  QWidget* Widget() const { return FWidget; }
  virtual void DispatchMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result);
  void ParentColorChanged();
  void ParentFontChanged();
  void WidgetResized(int AWidth, int AHeight);
  void WidgetMoved(int ALeft, int ATop);

 protected:
  // Gives the control its widget (once, from the constructor); the control owns it.
  void AttachWidget(QWidget* widget);
  virtual void MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y);
  virtual void MouseMove(TShiftState Shift, int X, int Y);
  virtual void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y);
  // After the size changed: WM_SIZE.
  virtual void WMSize();
  virtual void Resize();
  virtual void ColorChanged();
  virtual void FontChanged();
  virtual void CaptionChanged() {}
  virtual void VisibleChanged();
  virtual void EnabledChanged();
  // The widget's geometry from the control's bounds.
  virtual void ApplyBounds();
  // Whether a left press and release on the control make a click (labels, images, panels).
  virtual bool ClicksOnRelease() const { return FControlStyle & csClickEvents; }
  // Whether the class library handles the mouse on this control alone; Qt's own controls
  // (buttons, edits, lists) still get it.
  virtual bool TakesMouse() const { return true; }

  friend class TWinControl;
  friend class ControlEventFilter;

  TWinControl* FParent = nullptr;
  QWidget* FWidget = nullptr;
  ControlEventFilter* FEventFilter = nullptr;
  int FLeft = 0, FTop = 0, FWidth = 0, FHeight = 0;
  TAlign FAlign = alNone;
  bool FVisible = true;
  bool FEnabled = true;
  TColor FColor = clBtnFace;
  bool FParentColor = true;
  TFont FFont;
  bool FParentFont = true;
  TCursor FCursor = crDefault;
  std::string FHint;
  bool FShowHint = false;
  bool FParentShowHint = true;
  TDragMode FDragMode = dmManual;
  TCursor FDragCursor = crDrag;
  TControlStyle FControlStyle = csCaptureMouse | csClickEvents | csDoubleClicks;
  std::string FCaption;
  bool FMouseCapture = false;
  bool FPressedLeft = false;
};
