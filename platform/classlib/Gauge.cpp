#include "platform/classlib/Gauge.h"

#include <cstdint>
#include <string>

TGauge::TGauge(TComponent* AOwner) : TGraphicControl(AOwner) { SetBounds(0, 0, 100, 100); }

void TGauge::SetKind(TGaugeKind value) {
  FKind = value;
  Invalidate();
}

void TGauge::SetMinValue(int value) {
  FMinValue = value;
  if (FMaxValue < value) FMaxValue = value;
  SetProgress(FProgress);
}

void TGauge::SetMaxValue(int value) {
  FMaxValue = value;
  if (FMinValue > value) FMinValue = value;
  SetProgress(FProgress);
}

void TGauge::SetProgress(int value) {
  if (value < FMinValue) value = FMinValue;
  if (value > FMaxValue) value = FMaxValue;
  FProgress = value;
  Invalidate();
}

int TGauge::PercentDone() const {
  int64_t range = int64_t(FMaxValue) - FMinValue;
  if (range == 0) return 0;
  return int((int64_t(FProgress) - FMinValue) * 100 / range);
}

void TGauge::SetForeColor(TColor value) {
  FForeColor = value;
  Invalidate();
}

void TGauge::SetBackColor(TColor value) {
  FBackColor = value;
  Invalidate();
}

void TGauge::SetShowText(bool value) {
  FShowText = value;
  Invalidate();
}

void TGauge::SetBorderStyle(TFormBorderStyle value) {
  FBorderStyle = value == bsSingle ? bsSingle : bsNone;
  Invalidate();
}

void TGauge::Paint() {
  TCanvas* canvas = Canvas();
  TRect inner = ClientRect();
  if (FBorderStyle == bsSingle) {
    canvas->Brush()->SetColor(clBlack);
    canvas->FrameRect(inner);
    inner = Rect(1, 1, FWidth - 1, FHeight - 1);
  }
  canvas->Brush()->SetColor(FBackColor);
  canvas->FillRect(inner);
  int percent = PercentDone();
  TRect done = inner;
  if (FKind == gkHorizontalBar)
    done.Right = inner.Left + int(int64_t(inner.Width()) * percent / 100);
  else if (FKind == gkVerticalBar)
    done.Top = inner.Bottom - int(int64_t(inner.Height()) * percent / 100);
  else
    done = Rect(0, 0, 0, 0);
  canvas->Brush()->SetColor(FForeColor);
  canvas->FillRect(done);
  if (!FShowText) return;
  // The text in the bar's colour over the empty bar and in the background's over the
  // filled bar, so that it can be read on both.
  std::string text = std::to_string(percent) + "%";
  int x = (FWidth - canvas->TextWidth(text)) / 2;
  int y = (FHeight - canvas->TextHeight(text)) / 2;
  canvas->Brush()->SetStyle(bsClear);
  canvas->Font()->SetColor(FForeColor);
  canvas->TextRect(inner, x, y, text);
  if (done.Width() > 0 && done.Height() > 0) {
    canvas->Font()->SetColor(FBackColor);
    canvas->TextRect(done, x, y, text);
  }
}
