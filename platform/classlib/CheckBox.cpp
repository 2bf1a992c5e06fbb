#include "platform/classlib/CheckBox.h"

#include <QCheckBox>
#include <QSignalBlocker>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

TCheckBox::TCheckBox(TComponent* AOwner) : TWinControl(AOwner) {
  auto* box = new QCheckBox();
  AttachWidget(box);
  QObject::connect(box, &QCheckBox::clicked, [this](bool checked) {
    CallHandled(this, [this, checked] { SetChecked(checked); });
  });
  SetTabStop(true);
  SetBounds(0, 0, 97, 17);
}

void TCheckBox::SetChecked(bool value) {
  if (value == FChecked) return;
  FChecked = value;
  {
    QSignalBlocker blocker(FWidget);
    static_cast<QCheckBox*>(FWidget)->setChecked(value);
  }
  Click();
}

void TCheckBox::CaptionChanged() { static_cast<QCheckBox*>(FWidget)->setText(ToQString(FCaption)); }
