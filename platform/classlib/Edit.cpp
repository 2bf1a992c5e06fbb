#include "platform/classlib/Edit.h"

#include <QLineEdit>
#include <QSignalBlocker>

#include "platform/classlib/ExceptionHandler.h"
#include "platform/classlib/QtBridge.h"

TEdit::TEdit(TComponent* AOwner) : TWinControl(AOwner) {
  auto* edit = new QLineEdit();
  AttachWidget(edit);
  QObject::connect(edit, &QLineEdit::textEdited, [this](const QString& text) {
    CallHandled(this, [this, text] { SetCaption(FromQString(text)); });
  });
  SetColor(clWindow);
  SetTabStop(true);
  SetBounds(0, 0, 121, 21);
}

void TEdit::SetReadOnly(bool value) {
  FReadOnly = value;
  static_cast<QLineEdit*>(FWidget)->setReadOnly(value);
}

void TEdit::CaptionChanged() {
  auto* edit = static_cast<QLineEdit*>(FWidget);
  QString text = ToQString(FCaption);
  if (edit->text() != text) {
    QSignalBlocker blocker(edit);
    edit->setText(text);
  }
  if (OnChange) OnChange(this);
}
