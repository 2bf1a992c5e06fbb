#include "platform/classlib/Form.h"

#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <QTimer>
#include <QWidget>

#include "platform/classlib/Application.h"
#include "platform/classlib/Bitmap.h"
#include "platform/classlib/ControlEventFilter.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/MainMenu.h"
#include "platform/classlib/QtBridge.h"

namespace {

// Placed over the screen's work area first: without a window manager nothing else would make a
// maximised window fill the screen.
void ShowMaximized(QWidget* widget) {
  QScreen* screen = widget->screen() ? widget->screen() : QGuiApplication::primaryScreen();
  if (screen) widget->setGeometry(screen->availableGeometry());
  widget->showMaximized();
}

// The window itself: the menu bar on top, the client area below it.
class FormWindow : public QWidget {
 public:
  explicit FormWindow(TForm* form) : FForm(form) {}
  void LayOut() {
    QWidget* menu = FForm->Menu() ? FForm->Menu()->MenuBarWidget() : nullptr;
    int top = 0;
    if (menu && menu->parentWidget() == this) {
      top = menu->sizeHint().height();
      menu->setGeometry(0, 0, width(), top);
    }
    if (QWidget* client = FForm->ClientWidget())
      client->setGeometry(0, top, width(), height() - top);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    LayOut();
  }

 private:
  TForm* FForm;
};

}  // namespace

TForm::TForm(TComponent* AOwner) : TWinControl(AOwner) {
  FVisible = false;
  FParentColor = false;
  FParentFont = false;
  auto* window = new FormWindow(this);
  AttachWidget(window);
  FClient = new QWidget(window);
  FClient->setMouseTracking(true);
  FClient->installEventFilter(FEventFilter);
  FClient->setAttribute(Qt::WA_NoMousePropagation);
  FClient->setFocusPolicy(Qt::ClickFocus);
  ColorChanged();
  FontChanged();
  ApplyWindowFlags();
  SetBounds(0, 0, 320, 240);
}

TForm::~TForm() {
  if (FMenu) FMenu->SetForm(nullptr);
  Application->FormDestroyed(this);
  if (OnDestroy) CallHandled(this, [this] { OnDestroy(this); });
}

void TForm::AfterConstruction() {
  if (FCreated) return;
  FCreated = true;
  if (OnCreate) OnCreate(this);
}

void TForm::IconToBitmap(TBitmap* bitmap) const {
  const QIcon icon = Widget()->windowIcon();
  bitmap->SetImage(icon.isNull() ? QImage() : icon.pixmap(32, 32).toImage());
}

void TForm::SetBorderStyle(TFormBorderStyle value) {
  FBorderStyle = value;
  ApplyWindowFlags();
}

void TForm::SetBorderIcons(TBorderIcons value) {
  FBorderIcons = value;
  ApplyWindowFlags();
}

void TForm::ApplyWindowFlags() {
  Qt::WindowFlags flags = Qt::Window;
  if (FBorderStyle == bsNone) {
    flags |= Qt::FramelessWindowHint;
  } else {
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint;
    if (FBorderStyle == bsToolWindow || FBorderStyle == bsSizeToolWin) flags |= Qt::Tool;
    if (FBorderStyle == bsDialog) flags |= Qt::Dialog;
    if (FBorderIcons & biSystemMenu) {
      flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
      if (FBorderStyle != bsDialog) {
        if (FBorderIcons & biMinimize) flags |= Qt::WindowMinimizeButtonHint;
        if (FBorderIcons & biMaximize) flags |= Qt::WindowMaximizeButtonHint;
      }
    }
  }
  bool visible = FWidget->isVisible();
  FWidget->setWindowFlags(flags);
  ApplyBounds();
  if (visible) FWidget->show();
}

int TForm::FrameExtraHeight() const {
  QWidget* menu = FMenu ? FMenu->MenuBarWidget() : nullptr;
  return menu ? menu->sizeHint().height() : 0;
}

void TForm::ApplyBounds() {
  if (!FWidget) return;
  // Left and Top place the window's frame, as Qt's move does; the size is the inside.
  FWidget->move(FLeft, FTop);
  FWidget->resize(FWidth, FHeight);
  bool fixed = FBorderStyle == bsSingle || FBorderStyle == bsDialog || FBorderStyle == bsToolWindow;
  if (fixed && FWindowState != wsMaximized)
    FWidget->setFixedSize(FWidth, FHeight);
  else {
    FWidget->setMinimumSize(0, 0);
    FWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  }
  static_cast<FormWindow*>(FWidget)->LayOut();
}

void TForm::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
  TWinControl::SetBounds(ALeft, ATop, AWidth, AHeight);
}

int TForm::ClientHeight() const {
  int height = FHeight - FrameExtraHeight();
  return height < 0 ? 0 : height;
}

void TForm::SetClientWidth(int value) { SetBounds(FLeft, FTop, value, FHeight); }

void TForm::SetClientHeight(int value) {
  SetBounds(FLeft, FTop, FWidth, value + FrameExtraHeight());
}

void TForm::SetWindowState(TWindowState value) {
  FWindowState = value;
  ApplyBounds();
  if (!FWidget->isVisible()) return;
  if (value == wsMaximized)
    ShowMaximized(FWidget);
  else if (value == wsMinimized)
    FWidget->showMinimized();
  else
    FWidget->showNormal();
}

void TForm::SetMenu(TMainMenu* menu) {
  int clientHeight = ClientHeight();
  if (FMenu) {
    if (FMenu->MenuBarWidget()) FMenu->MenuBarWidget()->hide();
    FMenu->SetForm(nullptr);
  }
  FMenu = menu;
  if (menu) menu->SetForm(this);
  if (menu && menu->MenuBarWidget()) {
    menu->MenuBarWidget()->setParent(FWidget);
    menu->MenuBarWidget()->show();
  }
  // The menu lies outside the client area, which keeps its size.
  SetClientHeight(clientHeight);
}

void TForm::ColorChanged() {
  QPalette palette = FWidget->palette();
  palette.setColor(QPalette::Window, ToQColor(FColor));
  FWidget->setPalette(palette);
  FWidget->setAutoFillBackground(true);
  for (TControl* child : FControls) child->ParentColorChanged();
}

void TForm::CaptionChanged() { FWidget->setWindowTitle(ToQString(FCaption)); }

void TForm::PlaceOnShow() {
  if (FPosition != poScreenCenter && FPosition != poDesktopCenter && FPosition != poMainFormCenter)
    return;
  int left = 0, top = 0;
  TForm* main = Application->MainForm();
  if (FPosition == poMainFormCenter && main && main != this) {
    left = main->Left() + (main->Width() - FWidth) / 2;
    top = main->Top() + (main->Height() - FHeight) / 2;
  } else {
    left = (Screen->Width() - FWidth) / 2;
    top = (Screen->Height() - FHeight) / 2;
  }
  SetBounds(left, top, FWidth, FHeight);
  // Placed once: a form the user moved stays where it was put.
  FPosition = poDesigned;
}

void TForm::SetVisible(bool value) {
  if (value == FVisible && value == FWidget->isVisible()) return;
  FVisible = value;
  if (value) {
    PlaceOnShow();
    DoShow();
    if (!FVisible) return;  // OnShow may hide the form again
    if (FWindowState == wsMaximized)
      ShowMaximized(FWidget);
    else
      FWidget->show();
  } else {
    FWidget->hide();
    if (OnHide) OnHide(this);
  }
}

void TForm::DoShow() {
  if (OnShow) OnShow(this);
}

void TForm::Show() {
  SetVisible(true);
  // The offscreen platform of the tests has no stacking order.
  if (QGuiApplication::platformName() != "offscreen") FWidget->raise();
  FWidget->activateWindow();
}

bool TForm::Active() const { return FWidget->isActiveWindow(); }

void TForm::SetActiveControl(TWinControl* control) {
  if (control == FActiveControl) return;
  TWinControl* previous = FActiveControl;
  FActiveControl = control;
  if (previous) previous->DoExit();
  NotifyFocusChanged(control);
  if (control && FActiveControl == control) control->DoEnter();
}

void TForm::ControlRemoved(TControl* control) {
  if (FActiveControl == control) FActiveControl = nullptr;
}

void TForm::WindowActivated() {
  if (OnActivate) OnActivate(this);
}

void TForm::WindowDeactivated() {
  if (OnDeactivate) OnDeactivate(this);
}

void TForm::DoClose(TCloseAction& Action) {
  if (OnClose) OnClose(this, Action);
}

void TForm::Close() {
  if (FClosing) return;
  FClosing = true;
  struct Reset {
    bool& flag;
    ~Reset() { flag = false; }
  } reset{FClosing};
  TCloseAction action = caHide;
  DoClose(action);
  if (action == caNone) return;
  if (Application->MainForm() == this) {
    Application->Terminate();
  } else if (action == caHide) {
    Hide();
  } else if (action == caMinimize) {
    SetWindowState(wsMinimized);
  } else {
    Hide();
    // Destroyed once the handler that closed it has returned.
    QTimer::singleShot(0, FWidget, [this] { delete this; });
  }
}

bool TForm::CloseRequested() {
  Close();
  return !FWidget->isVisible();
}
