#include "platform/classlib/ControlEventFilter.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QWidget>

#include "platform/classlib/Control.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/KeyboardState.h"
#include "platform/classlib/WinControl.h"

namespace {

TShiftState ModifierState(Qt::KeyboardModifiers modifiers) {
  TShiftState state;
  if (modifiers & Qt::ShiftModifier) state << ssShift;
  if (modifiers & Qt::ControlModifier) state << ssCtrl;
  if (modifiers & Qt::AltModifier) state << ssAlt;
  return state;
}

WPARAM MouseKeys(const QMouseEvent* event) {
  WPARAM keys = 0;
  Qt::MouseButtons buttons = event->buttons();
  if (buttons & Qt::LeftButton) keys |= MK_LBUTTON;
  if (buttons & Qt::RightButton) keys |= MK_RBUTTON;
  if (buttons & Qt::MiddleButton) keys |= MK_MBUTTON;
  if (event->modifiers() & Qt::ShiftModifier) keys |= MK_SHIFT;
  if (event->modifiers() & Qt::ControlModifier) keys |= MK_CONTROL;
  return keys;
}

UINT ButtonMessage(Qt::MouseButton button, bool down) {
  switch (button) {
    case Qt::LeftButton: return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case Qt::RightButton: return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case Qt::MiddleButton: return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
    default: return 0;
  }
}

WORD VirtualKey(const QKeyEvent* event) {
  int key = event->key();
  if (key >= Qt::Key_A && key <= Qt::Key_Z) return WORD('A' + (key - Qt::Key_A));
  if (key >= Qt::Key_0 && key <= Qt::Key_9) return WORD('0' + (key - Qt::Key_0));
  if (key >= Qt::Key_F1 && key <= Qt::Key_F12) return WORD(VK_F1 + (key - Qt::Key_F1));
  switch (key) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Return:
    case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Delete: return VK_DELETE;
    default: return 0;
  }
}

// A key event that a child ignored reaches its parents as the same event object; only the
// first receiver, the widget with the focus, gets the key message.
const QEvent* g_lastKeyEvent = nullptr;
QObject* g_lastKeyReceiver = nullptr;

bool SeenByChild(QObject* watched, QEvent* event) {
  if (event == g_lastKeyEvent && g_lastKeyReceiver && watched != g_lastKeyReceiver) {
    auto* receiver = qobject_cast<QWidget*>(g_lastKeyReceiver);
    auto* widget = qobject_cast<QWidget*>(watched);
    if (receiver && widget && widget->isAncestorOf(receiver)) return true;
  }
  g_lastKeyEvent = event;
  g_lastKeyReceiver = watched;
  return false;
}

}  // namespace

ControlEventFilter::ControlEventFilter(TControl* control, QObject* parent)
    : QObject(parent), FControl(control) {}

bool ControlEventFilter::eventFilter(QObject* watched, QEvent* event) {
  TControl* control = FControl;
  if (!control) return false;
  // A form's children stand on its client area, which reports the form's mouse.
  bool isClient = watched != control->Widget();
  if (isClient) {
    auto* winControl = dynamic_cast<TWinControl*>(control);
    if (!winControl || watched != winControl->ClientWidget()) return false;
    QEvent::Type type = event->type();
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick && type != QEvent::MouseMove)
      return false;
  }
  bool consumed = false;
  switch (event->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      SetKeyboardShiftState(ModifierState(mouse->modifiers()));
      UINT message = WM_MOUSEMOVE;
      if (event->type() != QEvent::MouseMove)
        message = ButtonMessage(mouse->button(), event->type() != QEvent::MouseButtonRelease);
      if (message == 0) return false;
      QPoint pos = mouse->position().toPoint();
      WPARAM keys = MouseKeys(mouse);
      CallHandled(control, [&] {
        LRESULT result = 0;
        control->DispatchMessage(message, keys, MAKELPARAM(pos.x(), pos.y()), result);
        if (event->type() == QEvent::MouseButtonDblClick && mouse->button() == Qt::LeftButton &&
            (control->ControlStyle() & csDoubleClicks))
          control->DblClick();
      });
      // Controls drawn by the class library take the mouse themselves; Qt's own controls
      // still get it.
      consumed = isClient || control->TakesMouse();
      break;
    }
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
      auto* winControl = dynamic_cast<TWinControl*>(control);
      if (!winControl || SeenByChild(watched, event)) return false;
      auto* key = static_cast<QKeyEvent*>(event);
      SetKeyboardShiftState(ModifierState(key->modifiers()));
      WORD code = VirtualKey(key);
      LRESULT result = code;
      if (code != 0)
        CallHandled(control, [&] {
          control->DispatchMessage(event->type() == QEvent::KeyPress ? WM_KEYDOWN : WM_KEYUP, code,
                                   0, result);
        });
      // A handler that set the key to 0 has used it.
      consumed = code != 0 && result == 0;
      // The character the key makes, when it makes a single-byte one.
      QByteArray text = key->text().toUtf8();
      if (!consumed && event->type() == QEvent::KeyPress && text.size() == 1) {
        LRESULT character = static_cast<unsigned char>(text[0]);
        CallHandled(control,
                    [&] { control->DispatchMessage(WM_CHAR, WPARAM(character), 0, character); });
        consumed = character == 0;
      }
      break;
    }
    case QEvent::FocusIn: {
      auto* winControl = dynamic_cast<TWinControl*>(control);
      TForm* form = control->ParentForm();
      if (winControl && form && form != winControl)
        CallHandled(control, [&] { form->SetActiveControl(winControl); });
      break;
    }
    case QEvent::Resize: {
      QSize size = static_cast<QResizeEvent*>(event)->size();
      CallHandled(control, [&] { control->WidgetResized(size.width(), size.height()); });
      break;
    }
    case QEvent::Move: {
      auto* widget = static_cast<QWidget*>(watched);
      if (widget->isWindow()) {
        QPoint pos = widget->pos();
        CallHandled(control, [&] { control->WidgetMoved(pos.x(), pos.y()); });
      }
      break;
    }
    case QEvent::WindowActivate:
    case QEvent::WindowDeactivate: {
      if (auto* form = dynamic_cast<TForm*>(control))
        CallHandled(control, [&] {
          if (event->type() == QEvent::WindowActivate)
            form->WindowActivated();
          else
            form->WindowDeactivated();
        });
      break;
    }
    case QEvent::Close: {
      if (auto* form = dynamic_cast<TForm*>(control)) {
        // The form decides itself whether it hides, ends the program or stays.
        event->ignore();
        CallHandled(control, [&] { form->CloseRequested(); });
        consumed = true;
      }
      break;
    }
    default: break;
  }
  return consumed;
}
