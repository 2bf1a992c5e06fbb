#include "platform/classlib/WinControl.h"

#include <QTimer>
#include <QWidget>

#include <algorithm>

#include "platform/classlib/Exception.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/KeyboardState.h"

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {}

TWinControl::~TWinControl() {
  for (auto& entry : FTimers) entry.second->stop();
  FTimers.clear();
  // Children may outlive this control (their owner destroys them later): they lose their
  // parent here, and their widgets go with this control's widget.
  for (TControl* child : FControls) child->FParent = nullptr;
  FControls.clear();
}

TControl* TWinControl::Controls(int Index) const {
  if (Index < 0 || Index >= ControlCount())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FControls[size_t(Index)];
}

void TWinControl::InsertControl(TControl* control) { FControls.push_back(control); }

void TWinControl::RemoveControl(TControl* control) {
  FControls.erase(std::remove(FControls.begin(), FControls.end(), control), FControls.end());
}

namespace {

std::vector<TWinControl*> TabList(const TWinControl* parent) {
  std::vector<TWinControl*> list;
  for (int i = 0; i < parent->ControlCount(); ++i)
    if (auto* w = dynamic_cast<TWinControl*>(parent->Controls(i))) list.push_back(w);
  return list;
}

}  // namespace

int TWinControl::TabOrder() const {
  if (!FParent) return -1;
  auto list = TabList(FParent);
  auto it = std::find(list.begin(), list.end(), this);
  return it == list.end() ? -1 : int(it - list.begin());
}

void TWinControl::SetTabOrder(int value) {
  if (!FParent) return;
  // Windowed children keep their tab order as their order in the parent's list.
  auto& controls = FParent->FControls;
  controls.erase(std::remove(controls.begin(), controls.end(), this), controls.end());
  auto list = TabList(FParent);
  if (value < 0) value = 0;
  if (value >= int(list.size())) {
    controls.push_back(this);
  } else {
    auto at = std::find(controls.begin(), controls.end(), list[size_t(value)]);
    controls.insert(at, this);
  }
  list = TabList(FParent);
  for (size_t i = 1; i < list.size(); ++i)
    if (list[i - 1]->FWidget && list[i]->FWidget)
      QWidget::setTabOrder(list[i - 1]->FWidget, list[i]->FWidget);
}

void TWinControl::SetTabStop(bool value) {
  FTabStop = value;
  if (FWidget) FWidget->setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

bool TWinControl::CanFocus() const {
  for (const TControl* c = this; c; c = c->Parent())
    if (!c->Visible() || !c->Enabled()) return false;
  return true;
}

void TWinControl::SetFocus() {
  TForm* form = ParentForm();
  if (FWidget) FWidget->setFocus(Qt::OtherFocusReason);
  if (form && form != this) form->SetActiveControl(this);
}

bool TWinControl::Focused() const {
  TForm* form = const_cast<TWinControl*>(this)->ParentForm();
  return form && form->ActiveControl() == this;
}

void TWinControl::NotifyFocusChanged(TWinControl* focused) {
  CMFocusChanged(focused);
  for (TControl* child : std::vector<TControl*>(FControls))
    if (auto* w = dynamic_cast<TWinControl*>(child)) w->NotifyFocusChanged(focused);
}

void TWinControl::Realign() {
  static thread_local int depth = 0;
  if (depth > 8) return;
  ++depth;
  TRect area = ClientRect();
  auto place = [&](TAlign align) {
    for (TControl* c : std::vector<TControl*>(FControls)) {
      if (c->FAlign != align || !c->FVisible) continue;
      switch (align) {
        case alTop:
          c->SetBounds(area.Left, area.Top, area.Width(), c->FHeight);
          area.Top += c->FHeight;
          break;
        case alBottom:
          c->SetBounds(area.Left, area.Bottom - c->FHeight, area.Width(), c->FHeight);
          area.Bottom -= c->FHeight;
          break;
        case alLeft:
          c->SetBounds(area.Left, area.Top, c->FWidth, area.Height());
          area.Left += c->FWidth;
          break;
        case alRight:
          c->SetBounds(area.Right - c->FWidth, area.Top, c->FWidth, area.Height());
          area.Right -= c->FWidth;
          break;
        case alClient: c->SetBounds(area.Left, area.Top, area.Width(), area.Height()); break;
        default: break;
      }
    }
  };
  // SetBounds of an aligned child asks for a new alignment; the depth guard ends that loop.
  for (TAlign align : {alTop, alBottom, alLeft, alRight, alClient}) place(align);
  --depth;
}

void TWinControl::WMSize() {
  Realign();
  TControl::WMSize();
}

void TWinControl::ColorChanged() {
  TControl::ColorChanged();
  for (TControl* child : FControls) child->ParentColorChanged();
}

void TWinControl::FontChanged() {
  TControl::FontChanged();
  for (TControl* child : FControls) child->ParentFontChanged();
}

void TWinControl::EnabledChanged() { TControl::EnabledChanged(); }

void TWinControl::KeyDown(WORD& Key, TShiftState Shift) {
  if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(WORD& Key, TShiftState Shift) {
  if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(char& Key) {
  if (OnKeyPress) OnKeyPress(this, Key);
}

void TWinControl::DoEnter() {
  if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
  if (OnExit) OnExit(this);
}

void TWinControl::SetTimer(UINT id, UINT milliseconds) {
  auto timer = std::make_unique<QTimer>();
  timer->setInterval(int(milliseconds));
  QObject::connect(timer.get(), &QTimer::timeout,
                   [this, id] { CallHandled(this, [this, id] { Perform(WM_TIMER, id, 0); }); });
  timer->start();
  FTimers[id] = std::move(timer);
}

void TWinControl::KillTimer(UINT id) {
  auto it = FTimers.find(id);
  if (it == FTimers.end()) return;
  // The timer may be the one whose tick is running now.
  it->second->stop();
  it->second.release()->deleteLater();
  FTimers.erase(it);
}

bool TWinControl::TimerRunning(UINT id) const { return FTimers.count(id) != 0; }

UINT TWinControl::TimerInterval(UINT id) const {
  auto it = FTimers.find(id);
  return it == FTimers.end() ? 0 : UINT(it->second->interval());
}

void TWinControl::DispatchMessage(UINT Msg, WPARAM WParam, LPARAM LParam, LRESULT& Result) {
  switch (Msg) {
    case WM_KEYDOWN:
    case WM_KEYUP: {
      WORD key = WORD(WParam);
      TShiftState shift = KeyboardShiftState();
      if (Msg == WM_KEYDOWN)
        KeyDown(key, shift);
      else
        KeyUp(key, shift);
      Result = key;
      break;
    }
    case WM_CHAR: {
      char key = char(WParam);
      KeyPress(key);
      Result = static_cast<unsigned char>(key);
      break;
    }
    case WM_TIMER: WMTimer(UINT(WParam)); break;
    case WM_GETDLGCODE: Result = WMGetDlgCode(); break;
    case CM_FOCUSCHANGED: CMFocusChanged(reinterpret_cast<TWinControl*>(LParam)); break;
    default: TControl::DispatchMessage(Msg, WParam, LParam, Result); break;
  }
}
