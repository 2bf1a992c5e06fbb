#include <QAction>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

#include "platform/classlib/Application.h"
#include "platform/classlib/Exception.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/MainMenu.h"
#include "platform/classlib/MenuItem.h"
#include "platform/classlib/QtBridge.h"

namespace {

QKeySequence KeySequence(TShortCut shortCut) {
  if (shortCut == 0) return QKeySequence();
  int key = shortCut & 0xFF;
  int qtKey = 0;
  if ((key >= 'A' && key <= 'Z') || (key >= '0' && key <= '9'))
    qtKey = key;
  else if (key >= 0x70 && key <= 0x7B)
    qtKey = Qt::Key_F1 + (key - 0x70);
  else if (key == 0x2E)
    qtKey = Qt::Key_Delete;
  else if (key == 0x0D)
    qtKey = Qt::Key_Return;
  if (qtKey == 0) return QKeySequence();
  int modifiers = 0;
  if (shortCut & scShift) modifiers |= Qt::SHIFT;
  if (shortCut & scCtrl) modifiers |= Qt::CTRL;
  if (shortCut & scAlt) modifiers |= Qt::ALT;
  return QKeySequence(qtKey | modifiers);
}

void AddItems(QMenu* menu, TMenuItem* item) {
  for (int i = 0; i < item->Count(); ++i) {
    TMenuItem* child = item->Items(i);
    if (!child->Visible()) continue;
    if (child->IsLine()) {
      menu->addSeparator();
    } else if (child->Count() > 0) {
      QMenu* sub = menu->addMenu(ToQString(child->Caption()));
      sub->setEnabled(child->Enabled());
      AddItems(sub, child);
    } else {
      QAction* action = menu->addAction(ToQString(child->Caption()));
      action->setEnabled(child->Enabled());
      action->setCheckable(child->Checked());
      action->setChecked(child->Checked());
      action->setShortcut(KeySequence(child->ShortCut()));
      QObject::connect(action, &QAction::triggered,
                       [child] { CallHandled(child, [child] { child->Click(); }); });
    }
  }
}

}  // namespace

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
  if (FParent) FParent->Remove(this);
  for (TMenuItem* item : FItems) item->FParent = nullptr;
}

void TMenuItem::SetCaption(const std::string& value) {
  FCaption = value;
  Changed();
}

void TMenuItem::SetEnabled(bool value) {
  FEnabled = value;
  Changed();
}

void TMenuItem::SetVisible(bool value) {
  FVisible = value;
  Changed();
}

void TMenuItem::SetChecked(bool value) {
  FChecked = value;
  Changed();
}

void TMenuItem::SetShortCut(TShortCut value) {
  FShortCut = value;
  Changed();
}

void TMenuItem::Add(TMenuItem* item) {
  if (item->FParent) item->FParent->Remove(item);
  item->FParent = this;
  FItems.push_back(item);
  Changed();
}

void TMenuItem::Remove(TMenuItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it == FItems.end()) return;
  FItems.erase(it);
  item->FParent = nullptr;
  Changed();
}

TMenuItem* TMenuItem::Items(int Index) const {
  if (Index < 0 || Index >= Count())
    throw EListError(Format("List index out of bounds (%d)", Index));
  return FItems[size_t(Index)];
}

void TMenuItem::Click() {
  if (OnClick) OnClick(this);
}

void TMenuItem::SetMenu(TMainMenu* menu) { FMenu = menu; }

TMainMenu* TMenuItem::Menu() const {
  const TMenuItem* item = this;
  while (item->FParent) item = item->FParent;
  return item->FMenu;
}

void TMenuItem::Changed() {
  if (TMainMenu* menu = Menu()) menu->Rebuild();
}

TMainMenu::TMainMenu(TComponent* AOwner) : TComponent(AOwner) {
  Application->Initialize();
  FItems = std::make_unique<TMenuItem>(nullptr);
  FItems->SetMenu(this);
  auto* bar = new QMenuBar();
  // Inside the window, also on desktops with a global menu: the client area lies below it.
  bar->setNativeMenuBar(false);
  FMenuBar = bar;
  QObject::connect(FMenuBar, &QObject::destroyed, [this] { FMenuBar = nullptr; });
}

TMainMenu::~TMainMenu() {
  if (FForm) FForm->SetMenu(nullptr);
  QWidget* bar = FMenuBar;
  FMenuBar = nullptr;
  delete bar;
  // The items belong to their owner (the form); the root only lists them.
  FItems->SetMenu(nullptr);
}

void TMainMenu::Rebuild() {
  auto* bar = static_cast<QMenuBar*>(FMenuBar);
  if (!bar) return;
  bar->clear();
  qDeleteAll(bar->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly));
  for (int i = 0; i < FItems->Count(); ++i) {
    TMenuItem* top = FItems->Items(i);
    if (!top->Visible()) continue;
    if (top->Count() == 0) {
      QAction* action = bar->addAction(ToQString(top->Caption()));
      action->setEnabled(top->Enabled());
      QObject::connect(action, &QAction::triggered,
                       [top] { CallHandled(top, [top] { top->Click(); }); });
      continue;
    }
    QMenu* menu = bar->addMenu(ToQString(top->Caption()));
    menu->setEnabled(top->Enabled());
    AddItems(menu, top);
  }
}
