#include <QIcon>
#include <QPixmap>
#include <QToolButton>
#include <QWidget>

#include "platform/classlib/Exception.h"
#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/Format.h"
#include "platform/classlib/ImageList.h"
#include "platform/classlib/QtBridge.h"
#include "platform/classlib/ToolBar.h"
#include "platform/classlib/ToolButton.h"

TToolBar::TToolBar(TComponent* AOwner) : TWinControl(AOwner) {
  AttachWidget(new QWidget());
  SetBounds(0, 0, 150, 29);
  SetAlign(alTop);
}

void TToolBar::SetFlat(bool value) {
  FFlat = value;
  ArrangeButtons();
}

void TToolBar::SetButtonWidth(int value) {
  FButtonWidth = value;
  ArrangeButtons();
}

void TToolBar::SetButtonHeight(int value) {
  FButtonHeight = value;
  ArrangeButtons();
}

void TToolBar::SetShowCaptions(bool value) {
  FShowCaptions = value;
  ArrangeButtons();
}

TToolBar::~TToolBar() {
  if (FImages) FImages->RemoveUser(this);
}

void TToolBar::SetImages(TImageList* value) {
  if (FImages) FImages->RemoveUser(this);
  FImages = value;
  if (FImages) FImages->AddUser(this);
  ArrangeButtons();
}

int TToolBar::ButtonCount() const {
  int count = 0;
  for (TControl* c : FControls)
    if (dynamic_cast<TToolButton*>(c)) ++count;
  return count;
}

TToolButton* TToolBar::Buttons(int Index) const {
  int i = 0;
  for (TControl* c : FControls)
    if (auto* button = dynamic_cast<TToolButton*>(c))
      if (i++ == Index) return button;
  throw EListError(Format("List index out of bounds (%d)", Index));
}

void TToolBar::ArrangeButtons() {
  int x = 0;
  for (TControl* c : std::vector<TControl*>(FControls)) {
    auto* button = dynamic_cast<TToolButton*>(c);
    if (!button || !button->Visible()) continue;
    int width = button->Style() == tbsSeparator || button->Style() == tbsDivider ? 8 : FButtonWidth;
    button->SetBounds(x, 0, width, FButtonHeight);
    button->UpdateLook();
    x += width;
  }
}

void TToolBar::WMSize() {
  TWinControl::WMSize();
  ArrangeButtons();
}

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner) {
  auto* button = new QToolButton();
  button->setFocusPolicy(Qt::NoFocus);
  AttachWidget(button);
  QObject::connect(button, &QToolButton::clicked, [this] { CallHandled(this, [this] { Click(); }); });
  SetBounds(0, 0, 23, 22);
}

TToolBar* TToolButton::Bar() const { return dynamic_cast<TToolBar*>(FParent); }

void TToolButton::SetParent(TWinControl* AParent) {
  TToolBar* previous = Bar();
  TControl::SetParent(AParent);
  if (previous) previous->ArrangeButtons();
  if (TToolBar* bar = Bar()) bar->ArrangeButtons();
}

void TToolButton::SetImageIndex(int value) {
  FImageIndex = value;
  UpdateLook();
}

void TToolButton::SetStyle(TToolButtonStyle value) {
  FStyle = value;
  if (TToolBar* bar = Bar())
    bar->ArrangeButtons();
  else
    UpdateLook();
}

void TToolButton::UpdateLook() {
  auto* button = static_cast<QToolButton*>(FWidget);
  if (!button) return;  // the window went first, with its parent's
  TToolBar* bar = Bar();
  bool separator = FStyle == tbsSeparator || FStyle == tbsDivider;
  button->setEnabled(FEnabled && !separator);
  button->setCheckable(FStyle == tbsCheck);
  button->setAutoRaise(!bar || bar->Flat() || separator);
  bool captions = bar ? bar->ShowCaptions() : true;
  button->setText(separator || !captions ? QString() : ToQString(FCaption));
  QIcon icon;
  const TImageList* images = bar ? bar->Images() : nullptr;
  const TImageList::Entry* entry = images && !separator ? images->Item(FImageIndex) : nullptr;
  if (entry) {
    QImage picture = entry->image->Image().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x)
        if (entry->mask->Canvas()->Pixels(x, y) == clWhite) picture.setPixel(x, y, 0);
    icon = QIcon(QPixmap::fromImage(picture));
    button->setIconSize(QSize(images->Width(), images->Height()));
  }
  button->setIcon(icon);
  if (entry && captions)
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  else if (entry)
    button->setToolButtonStyle(Qt::ToolButtonIconOnly);
  else
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
}
