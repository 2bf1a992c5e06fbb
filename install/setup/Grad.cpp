#include "install/setup/Grad.h"

#include <algorithm>

#include "platform/classlib/Image.h"

namespace {

int8_t SignOf(int32_t value) { return value < 0 ? -1 : value > 0 ? 1 : 0; }

}  // namespace

void TGrad::SetCount(int32_t n) {
  Count = n;
  Increment = n >= 1 && n < 256 ? 256 / n : 1;
}

void TGrad::SetExtent(int32_t e) {
  Extent = e;
  Step = Count > 0 ? static_cast<double>(e) / Count : 0;
}

void TGrad::SetDirection(uint8_t d, int32_t e) {
  Direction = d;
  SetExtent(e);
}

void TGrad::SplitColor(TColor c) {
  Red = GetRValue(c);
  Green = GetGValue(c);
  Blue = GetBValue(c);
}

void TGrad::SplitEndColor(TColor c) {
  EndRed = GetRValue(c);
  EndGreen = GetGValue(c);
  EndBlue = GetBValue(c);
}

void TGrad::SetSigns(int32_t r, int32_t g, int32_t b) {
  RedSign = SignOf(r);
  GreenSign = SignOf(g);
  BlueSign = SignOf(b);
}

void TGrad::Prepare() {
  SplitEndColor(EndColor);
  SplitColor(StartColor);
  SetSigns(EndRed - Red, EndGreen - Green, EndBlue - Blue);
}

// A channel moves toward its end while it is short of it and stops on it: an increment that
// does not divide the distance never carries the channel past its end (or out of 0 to 255).
void TGrad::MoveChannel(int32_t& value, int8_t sign, int32_t end) const {
  if (sign < 0 && value > end) value = std::max(value - Increment, end);
  if (sign > 0 && value < end) value = std::min(value + Increment, end);
}

TImage* TGrad::Paint(TImage* image) {
  PosX = 0;
  PosY = 0;
  Color = StartColor;
  for (int32_t band = 0; band < Count; ++band) {
    TCanvas* canvas = image->Canvas();
    canvas->Brush()->SetColor(Color);
    if (Direction == 0) {
      canvas->FillRect(
          Rect(static_cast<int>(PosX), 0, static_cast<int>(PosX + Step), image->Height()));
      PosX += Step;
    } else if (Direction == 1) {
      canvas->FillRect(
          Rect(0, static_cast<int>(PosY), image->Width(), static_cast<int>(PosY + Step)));
      PosY += Step;
    }
    SplitColor(Color);
    MoveChannel(Red, RedSign, EndRed);
    MoveChannel(Green, GreenSign, EndGreen);
    MoveChannel(Blue, BlueSign, EndBlue);
    Color = RGB(Red & 0xFF, Green & 0xFF, Blue & 0xFF);
  }
  return image;
}
