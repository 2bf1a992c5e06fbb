#include "platform/classlib/Button.h"

#include <QPushButton>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

TButton::TButton(TComponent* AOwner) : TWinControl(AOwner) {
  auto* button = new QPushButton();
  button->setAutoDefault(false);
  AttachWidget(button);
  QObject::connect(button, &QPushButton::clicked,
                   [this] { CallHandled(this, [this] { Click(); }); });
  SetTabStop(true);
  SetBounds(0, 0, 75, 25);
}

void TButton::SetDefault(bool value) {
  FDefault = value;
  static_cast<QPushButton*>(FWidget)->setDefault(value);
}

void TButton::CaptionChanged() { static_cast<QPushButton*>(FWidget)->setText(ToQString(FCaption)); }
