#include "platform/classlib/Panel.h"

#include <QWidget>

#include "platform/classlib/ControlEventFilter.h"

TPanel::TPanel(TComponent* AOwner) : TCustomControl(AOwner) {
  FParentColor = false;
  FClient = new QWidget(FWidget);
  FClient->setMouseTracking(true);
  FClient->setAttribute(Qt::WA_NoMousePropagation);
  FClient->installEventFilter(FEventFilter);
  SetBounds(0, 0, 185, 41);
}

void TPanel::SetBevelOuter(TPanelBevel value) {
  FBevelOuter = value;
  Invalidate();
}

void TPanel::SetBevelInner(TPanelBevel value) {
  FBevelInner = value;
  Invalidate();
}

void TPanel::SetBevelWidth(int value) {
  FBevelWidth = value < 1 ? 1 : value;
  Invalidate();
}

void TPanel::SetBorderStyle(TFormBorderStyle value) {
  FBorderStyle = value == bsSingle ? bsSingle : bsNone;
  ApplyBounds();
  Realign();
  Invalidate();
}

void TPanel::SetAlignment(TAlignment value) {
  FAlignment = value;
  Invalidate();
}

void TPanel::ApplyBounds() {
  TCustomControl::ApplyBounds();
  if (FClient) FClient->setGeometry(BorderSize(), BorderSize(), ClientWidth(), ClientHeight());
}

void TPanel::Paint() {
  TCanvas* canvas = Canvas();
  TRect rect = Rect(0, 0, FWidth, FHeight);
  if (FBorderStyle == bsSingle) {
    canvas->Brush()->SetColor(clWindowFrame);
    canvas->FrameRect(rect);
    rect = Rect(1, 1, FWidth - 1, FHeight - 1);
  }
  auto bevel = [&](TPanelBevel kind) {
    if (kind == bvNone) return;
    if (kind != bvSpace) {
      TColor topLeft = kind == bvRaised ? clBtnHighlight : clBtnShadow;
      TColor bottomRight = kind == bvRaised ? clBtnShadow : clBtnHighlight;
      for (int i = 0; i < FBevelWidth; ++i) {
        canvas->Brush()->SetColor(topLeft);
        canvas->FillRect(Rect(rect.Left + i, rect.Top + i, rect.Right - i, rect.Top + i + 1));
        canvas->FillRect(Rect(rect.Left + i, rect.Top + i, rect.Left + i + 1, rect.Bottom - i));
        canvas->Brush()->SetColor(bottomRight);
        canvas->FillRect(Rect(rect.Left + i, rect.Bottom - i - 1, rect.Right - i, rect.Bottom - i));
        canvas->FillRect(Rect(rect.Right - i - 1, rect.Top + i, rect.Right - i, rect.Bottom - i));
      }
    }
    rect = Rect(rect.Left + FBevelWidth, rect.Top + FBevelWidth, rect.Right - FBevelWidth,
                rect.Bottom - FBevelWidth);
  };
  bevel(FBevelOuter);
  bevel(FBevelInner);
  if (!FCaption.empty()) {
    canvas->Brush()->SetStyle(bsClear);
    int width = canvas->TextWidth(FCaption), height = canvas->TextHeight(FCaption);
    int x = FAlignment == taLeftJustify    ? rect.Left
            : FAlignment == taRightJustify ? rect.Right - width
                                           : (rect.Left + rect.Right - width) / 2;
    canvas->TextOut(x, (rect.Top + rect.Bottom - height) / 2, FCaption);
  }
}
