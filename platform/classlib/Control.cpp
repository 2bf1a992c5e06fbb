#include "platform/classlib/Control.h"

#include <QCursor>
#include <QPalette>
#include <QPixmap>
#include <QWidget>

#include "platform/classlib/Application.h"
#include "platform/classlib/Bitmap.h"
#include "platform/classlib/ControlEventFilter.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/KeyboardState.h"
#include "platform/classlib/QtBridge.h"
#include "platform/classlib/WinControl.h"

namespace {

Qt::CursorShape CursorShape(TCursor cursor) {
  switch (cursor) {
    case crNone: return Qt::BlankCursor;
    case crCross: return Qt::CrossCursor;
    case crIBeam: return Qt::IBeamCursor;
    case crSizeNS: return Qt::SizeVerCursor;
    case crSizeWE: return Qt::SizeHorCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crDrag: return Qt::DragMoveCursor;
    case crNo: return Qt::ForbiddenCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    default: return Qt::ArrowCursor;
  }
}

TShiftState MouseShift(WPARAM keys) {
  TShiftState shift;
  if (keys & MK_SHIFT) shift << ssShift;
  if (keys & MK_CONTROL) shift << ssCtrl;
  if (KeyboardShiftState().Contains(ssAlt)) shift << ssAlt;
  if (keys & MK_LBUTTON) shift << ssLeft;
  if (keys & MK_RBUTTON) shift << ssRight;
  if (keys & MK_MBUTTON) shift << ssMiddle;
  return shift;
}

}  // namespace

TControl::TControl(TComponent* AOwner) : TComponent(AOwner) {
  Application->Initialize();
  FFont.OnChange = [this] {
    FParentFont = false;
    FontChanged();
  };
}

TControl::~TControl() {
  if (TForm* form = ParentForm(); form && form != this) form->ControlRemoved(this);
  if (FParent) FParent->RemoveControl(this);
  if (FWidget) {
    FEventFilter->Detach();
    QWidget* widget = FWidget;
    FWidget = nullptr;
    delete widget;
  }
}

void TControl::AttachWidget(QWidget* widget) {
  FWidget = widget;
  QObject::connect(widget, &QObject::destroyed, [this, widget] {
    if (FWidget == widget) FWidget = nullptr;
  });
  widget->setAttribute(Qt::WA_NoMousePropagation);
  widget->setMouseTracking(true);
  FEventFilter = new ControlEventFilter(this, widget);
  widget->installEventFilter(FEventFilter);
  widget->setFont(ToQFont(FFont));
  widget->hide();
  ApplyBounds();
}

TForm* TControl::ParentForm() {
  for (TControl* c = this; c; c = c->FParent)
    if (auto* form = dynamic_cast<TForm*>(c)) return form;
  return nullptr;
}

void TControl::SetParent(TWinControl* AParent) {
  if (AParent == FParent) return;
  if (FParent) {
    if (TForm* form = ParentForm(); form && form != this) form->ControlRemoved(this);
    FParent->RemoveControl(this);
  }
  FParent = nullptr;
  if (AParent) AParent->InsertControl(this);
  FParent = AParent;
  if (FWidget) {
    FWidget->setParent(AParent ? AParent->ClientWidget() : nullptr);
    ApplyBounds();
    if (AParent) FWidget->setVisible(FVisible);
  }
  if (AParent) {
    if (FParentColor) ParentColorChanged();
    if (FParentFont) ParentFontChanged();
    if (FAlign != alNone) AParent->Realign();
  }
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  if (AWidth < 0) AWidth = 0;
  if (AHeight < 0) AHeight = 0;
  bool resized = AWidth != FWidth || AHeight != FHeight;
  bool moved = ALeft != FLeft || ATop != FTop;
  if (!resized && !moved) return;
  FLeft = ALeft;
  FTop = ATop;
  FWidth = AWidth;
  FHeight = AHeight;
  ApplyBounds();
  if (resized) WMSize();
  if (FParent && FAlign != alNone) FParent->Realign();
}

void TControl::ApplyBounds() {
  if (FWidget) FWidget->setGeometry(FLeft, FTop, FWidth, FHeight);
}

void TControl::WidgetResized(int AWidth, int AHeight) {
  if (AWidth == FWidth && AHeight == FHeight) return;
  FWidth = AWidth;
  FHeight = AHeight;
  WMSize();
}

void TControl::WidgetMoved(int ALeft, int ATop) {
  FLeft = ALeft;
  FTop = ATop;
}

void TControl::SetAlign(TAlign value) {
  if (value == FAlign) return;
  FAlign = value;
  if (FParent) FParent->Realign();
}

void TControl::WMSize() { Resize(); }

void TControl::Resize() {
  if (OnResize) OnResize(this);
}

void TControl::SetVisible(bool value) {
  if (value == FVisible) return;
  FVisible = value;
  VisibleChanged();
}

void TControl::VisibleChanged() {
  if (FWidget && FParent) FWidget->setVisible(FVisible);
  if (FParent && FAlign != alNone) FParent->Realign();
}

bool TControl::Showing() const {
  if (!FVisible) return false;
  if (FParent) return FParent->Showing();
  return FWidget && FWidget->isVisible();
}

void TControl::SetEnabled(bool value) {
  if (value == FEnabled) return;
  FEnabled = value;
  EnabledChanged();
}

void TControl::EnabledChanged() {
  if (FWidget) FWidget->setEnabled(FEnabled);
}

void TControl::SetColor(TColor value) {
  FParentColor = false;
  if (value == FColor) return;
  FColor = value;
  ColorChanged();
}

void TControl::SetParentColor(bool value) {
  FParentColor = value;
  if (value && FParent) ParentColorChanged();
}

void TControl::ParentColorChanged() {
  if (!FParentColor || !FParent || FParent->FColor == FColor) return;
  FColor = FParent->FColor;
  ColorChanged();
}

void TControl::ColorChanged() {
  if (!FWidget) return;
  if (FParentColor) {
    FWidget->setAutoFillBackground(false);
  } else {
    QPalette palette = FWidget->palette();
    palette.setColor(QPalette::Window, ToQColor(FColor));
    palette.setColor(QPalette::Base, ToQColor(FColor));
    FWidget->setPalette(palette);
    FWidget->setAutoFillBackground(true);
  }
  FWidget->update();
}

void TControl::SetParentFont(bool value) {
  FParentFont = value;
  if (value && FParent) ParentFontChanged();
}

void TControl::ParentFontChanged() {
  if (!FParentFont || !FParent || FFont.SameAs(FParent->FFont)) return;
  auto handler = std::move(FFont.OnChange);
  FFont.OnChange = nullptr;
  FFont.Assign(&FParent->FFont);
  FFont.OnChange = std::move(handler);
  FontChanged();
}

void TControl::FontChanged() {
  if (!FWidget) return;
  FWidget->setFont(ToQFont(FFont));
  QPalette palette = FWidget->palette();
  QColor text = ToQColor(FFont.Color());
  // The font's colour is the enabled look only: a disabled control keeps the platform's
  // disabled text, as the real one draws it grey whatever its font.
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::WindowText, text);
    palette.setColor(group, QPalette::Text, text);
    palette.setColor(group, QPalette::ButtonText, text);
  }
  FWidget->setPalette(palette);
}

void TControl::SetCursor(TCursor value) {
  FCursor = value;
  if (!FWidget) return;
  if (value == crDefault)
    FWidget->unsetCursor();
  else
    FWidget->setCursor(QCursor(CursorShape(value)));
}

void TControl::SetHint(const std::string& value) {
  FHint = value;
  if (FWidget) FWidget->setToolTip(FShowHint ? ToQString(value) : QString());
}

void TControl::SetShowHint(bool value) {
  FShowHint = value;
  SetHint(FHint);
}

void TControl::SetCaption(const std::string& value) {
  if (value == FCaption) return;
  FCaption = value;
  CaptionChanged();
}

void TControl::Invalidate() {
  if (FWidget) FWidget->update();
}

void TControl::Repaint() {
  if (FWidget) FWidget->repaint();
}

void TControl::Update() {
  if (FWidget) FWidget->repaint();
}

void TControl::BringToFront() {
  if (FWidget) FWidget->raise();
}

void TControl::SendToBack() {
  if (FWidget) FWidget->lower();
}

TPoint TControl::ClientToScreen(const TPoint& point) const {
  if (!FWidget) return point;
  QPoint p = FWidget->mapToGlobal(QPoint(point.X, point.Y));
  return Point(p.x(), p.y());
}

TPoint TControl::ScreenToClient(const TPoint& point) const {
  if (!FWidget) return point;
  QPoint p = FWidget->mapFromGlobal(QPoint(point.X, point.Y));
  return Point(p.x(), p.y());
}

void TControl::SetMouseCapture(bool value) {
  // Qt keeps the mouse with the widget that was pressed until the release; the flag records
  // the control's wish for code that asks.
  FMouseCapture = value;
}

void TControl::Click() {
  if (OnClick) OnClick(this);
}

void TControl::DblClick() {
  if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
  if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
  if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

LRESULT TControl::Perform(UINT Msg, WPARAM WParam, LPARAM LParam) {
  LRESULT result = 0;
  DispatchMessage(Msg, WParam, LParam, result);
  return result;
}

void TControl::DispatchMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  (void)Result;
  int x = int16_t(LParam & 0xFFFF);
  int y = int16_t((LParam >> 16) & 0xFFFF);
  TShiftState shift = MouseShift(WParam);
  switch (Msg) {
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      TMouseButton button = Msg == WM_LBUTTONDOWN   ? mbLeft
                            : Msg == WM_RBUTTONDOWN ? mbRight
                                                    : mbMiddle;
      if (FControlStyle & csCaptureMouse) FMouseCapture = true;
      if (button == mbLeft) FPressedLeft = true;
      MouseDown(button, shift, x, y);
      break;
    }
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP: {
      TMouseButton button = Msg == WM_LBUTTONUP ? mbLeft : Msg == WM_RBUTTONUP ? mbRight : mbMiddle;
      bool click = button == mbLeft && FPressedLeft && ClicksOnRelease() &&
                   ClientRect().Contains(Point(x, y));
      if (button == mbLeft) FPressedLeft = false;
      FMouseCapture = false;
      if (click) Click();
      MouseUp(button, shift, x, y);
      break;
    }
    case WM_MOUSEMOVE: MouseMove(shift, x, y); break;
    case WM_SIZE: WMSize(); break;
    default: break;
  }
}

void TControl::GrabToBitmap(TBitmap* bitmap) {
  if (!FWidget) return;
  bitmap->SetImage(FWidget->grab().toImage());
}
