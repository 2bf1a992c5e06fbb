#include "platform/classlib/RadioButton.h"

#include <QRadioButton>
#include <QSignalBlocker>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

TRadioButton::TRadioButton(TComponent* AOwner) : TWinControl(AOwner) {
  auto* button = new QRadioButton();
  // The group is kept here: Qt's exclusive buttons could not be cleared from code.
  button->setAutoExclusive(false);
  AttachWidget(button);
  QObject::connect(button, &QRadioButton::clicked, [this, button](bool) {
    CallHandled(this, [this, button] {
      if (FChecked) {
        // A click on the selected button keeps it selected.
        QSignalBlocker blocker(button);
        button->setChecked(true);
        return;
      }
      SetChecked(true);
    });
  });
  SetTabStop(true);
  SetBounds(0, 0, 113, 17);
}

void TRadioButton::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  {
    QSignalBlocker blocker(FWidget);
    static_cast<QRadioButton*>(FWidget)->setChecked(value);
  }
  if (!value) return;
  if (FParent)
    for (int i = 0; i < FParent->ControlCount(); ++i)
      if (auto* sibling = dynamic_cast<TRadioButton*>(FParent->Controls(i));
          sibling && sibling != this)
        sibling->SetChecked(false);
  Click();
}

void TRadioButton::CaptionChanged() {
  static_cast<QRadioButton*>(FWidget)->setText(ToQString(FCaption));
}
