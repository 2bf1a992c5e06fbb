#include "platform/classlib/Bevel.h"

TBevel::TBevel(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 50, 50); }

void TBevel::SetShape(TBevelShape value) {
  FShape = value;
  Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
  FStyle = value;
  Invalidate();
}

void TBevel::Paint() {
  TCanvas* canvas = Canvas();
  TColor first = FStyle == bsLowered ? clBtnShadow : clBtnHighlight;
  TColor second = FStyle == bsLowered ? clBtnHighlight : clBtnShadow;
  int w = FWidth, h = FHeight;
  auto fill = [canvas](TColor color, const TRect& rect) {
    canvas->Brush()->SetColor(color);
    canvas->FillRect(rect);
  };
  switch (FShape) {
    case bsTopLine:
      fill(first, Rect(0, 0, w, 1));
      fill(second, Rect(0, 1, w, 2));
      break;
    case bsBottomLine:
      fill(first, Rect(0, h - 2, w, h - 1));
      fill(second, Rect(0, h - 1, w, h));
      break;
    case bsLeftLine:
      fill(first, Rect(0, 0, 1, h));
      fill(second, Rect(1, 0, 2, h));
      break;
    case bsRightLine:
      fill(first, Rect(w - 2, 0, w - 1, h));
      fill(second, Rect(w - 1, 0, w, h));
      break;
    case bsBox:
      fill(first, Rect(0, 0, w, 1));
      fill(first, Rect(0, 0, 1, h));
      fill(second, Rect(0, h - 1, w, h));
      fill(second, Rect(w - 1, 0, w, h));
      break;
    case bsFrame:
      canvas->Brush()->SetColor(first);
      canvas->FrameRect(Rect(0, 0, w - 1, h - 1));
      canvas->Brush()->SetColor(second);
      canvas->FrameRect(Rect(1, 1, w, h));
      break;
    case bsSpacer: break;
  }
}
