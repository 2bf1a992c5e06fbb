#include "platform/classlib/SpeedButton.h"

#include <QIcon>
#include <QPixmap>
#include <QToolButton>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

TSpeedButton::TSpeedButton(TComponent* AOwner)
    : TControl(AOwner), FGlyph(std::make_unique<TBitmap>()) {
  auto* button = new QToolButton();
  button->setFocusPolicy(Qt::NoFocus);
  button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
  AttachWidget(button);
  QObject::connect(button, &QToolButton::clicked,
                   [this] { CallHandled(this, [this] { Click(); }); });
  SetBounds(0, 0, 23, 22);
}

TSpeedButton::~TSpeedButton() = default;

void TSpeedButton::SetGlyph(TBitmap* value) {
  FGlyph->Assign(value);
  auto* button = static_cast<QToolButton*>(FWidget);
  if (FGlyph->Empty()) {
    button->setIcon(QIcon());
    return;
  }
  QImage image = TransparentImage(*FGlyph, FGlyph->TransparentColor());
  button->setIcon(QIcon(QPixmap::fromImage(image)));
  button->setIconSize(image.size());
  button->setToolButtonStyle(FCaption.empty() ? Qt::ToolButtonIconOnly
                                              : Qt::ToolButtonTextBesideIcon);
}

void TSpeedButton::SetFlat(bool value) {
  FFlat = value;
  static_cast<QToolButton*>(FWidget)->setAutoRaise(value);
}

void TSpeedButton::CaptionChanged() {
  auto* button = static_cast<QToolButton*>(FWidget);
  button->setText(ToQString(FCaption));
  if (!FGlyph->Empty())
    button->setToolButtonStyle(FCaption.empty() ? Qt::ToolButtonIconOnly
                                                : Qt::ToolButtonTextBesideIcon);
}
