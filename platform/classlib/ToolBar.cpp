#include <QIcon>
#include <QPixmap>
#include <QStyleOptionToolButton>
#include <QStylePainter>
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

namespace {

// A tool button whose caption under its picture is drawn whole, across the button's full
// width, as the platform's tool bar draws it: the style would shorten a caption that is wider
// than its label area (" Output Dir " became "Out…Dir").
class CaptionToolButton : public QToolButton {
 protected:
  void paintEvent(QPaintEvent*) override {
    QStylePainter painter(this);
    QStyleOptionToolButton option;
    initStyleOption(&option);
    const QString caption = option.text;
    if (toolButtonStyle() != Qt::ToolButtonTextUnderIcon || caption.isEmpty()) {
      painter.drawComplexControl(QStyle::CC_ToolButton, option);
      return;
    }
    option.text.clear();
    painter.drawComplexControl(QStyle::CC_ToolButton, option);
    // Below the picture, where the style puts the caption, but the width of the whole button.
    const int frame = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, this);
    QRect area(0, frame + option.iconSize.height() + 3, width(), 0);
    area.setBottom(height() - frame - 2);
    if (option.state & (QStyle::State_Sunken | QStyle::State_On)) {
      area.translate(style()->pixelMetric(QStyle::PM_ButtonShiftHorizontal, &option, this),
                     style()->pixelMetric(QStyle::PM_ButtonShiftVertical, &option, this));
    }
    style()->drawItemText(&painter, area, Qt::AlignCenter | Qt::TextShowMnemonic, palette(),
                          isEnabled(), caption, QPalette::ButtonText);
  }
};

}  // namespace

TToolButton::TToolButton(TComponent* AOwner) : TControl(AOwner) {
  auto* button = new CaptionToolButton();
  button->setFocusPolicy(Qt::NoFocus);
  AttachWidget(button);
  QObject::connect(button, &QToolButton::clicked,
                   [this] { CallHandled(this, [this] { Click(); }); });
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
