#include "platform/classlib/Label.h"

#include <QFontMetrics>
#include <QLabel>

#include "platform/classlib/QtBridge.h"

TLabel::TLabel(TComponent* AOwner) : TControl(AOwner) {
  auto* label = new QLabel();
  label->setTextFormat(Qt::PlainText);
  label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  AttachWidget(label);
  SetBounds(0, 0, 65, 13);
  AdjustSize();
}

void TLabel::SetAutoSize(bool value) {
  FAutoSize = value;
  AdjustSize();
}

void TLabel::SetWordWrap(bool value) {
  FWordWrap = value;
  static_cast<QLabel*>(FWidget)->setWordWrap(value);
  AdjustSize();
}

void TLabel::SetAlignment(TAlignment value) {
  FAlignment = value;
  Qt::Alignment horizontal = value == taCenter         ? Qt::AlignHCenter
                             : value == taRightJustify ? Qt::AlignRight
                                                       : Qt::AlignLeft;
  static_cast<QLabel*>(FWidget)->setAlignment(horizontal | Qt::AlignTop);
}

void TLabel::SetTransparent(bool value) {
  FTransparent = value;
  ColorChanged();
}

void TLabel::CaptionChanged() {
  static_cast<QLabel*>(FWidget)->setText(ToQString(FCaption));
  AdjustSize();
}

void TLabel::FontChanged() {
  TControl::FontChanged();
  AdjustSize();
}

void TLabel::ColorChanged() {
  if (FTransparent) {
    FWidget->setAutoFillBackground(false);
    FWidget->update();
    return;
  }
  TControl::ColorChanged();
}

void TLabel::AdjustSize() {
  if (!FAutoSize || !FWidget) return;
  QFontMetrics metrics(ToQFont(FFont));
  QString text = ToQString(FCaption);
  if (FWordWrap) {
    int height = static_cast<QLabel*>(FWidget)->heightForWidth(FWidth);
    if (height < metrics.height()) height = metrics.height();
    SetBounds(FLeft, FTop, FWidth, height);
    return;
  }
  int width = metrics.horizontalAdvance(text);
  int left = FAlignment == taRightJustify ? FLeft + FWidth - width : FLeft;
  SetBounds(left, FTop, width, metrics.height());
}
