#include "controls/SliderThumb.h"

#include "controls/TransparentBitmap.h"

TSliderThumb::TSliderThumb(TComponent* AOwner)
    : TCustomControl(AOwner), FPicture(std::make_unique<TBitmap>()) {
  SetControlStyle(csCaptureMouse);
  SetCursor(crDefault);
}

TSliderThumb::~TSliderThumb() = default;

void TSliderThumb::UpdateBounds() {
  if (!FPicture) return;
  SetBounds(Left(), Top(), FPicture->Width() / FNumStates, FPicture->Height());
}

void TSliderThumb::SetImage(TBitmap* picture) {
  FPicture->Assign(picture);
  UpdateBounds();
}

void TSliderThumb::SetPressed(bool value) {
  if (value == FPressed) return;
  FPressed = value;
  Invalidate();
}

void TSliderThumb::SetNumStates(TNumThumbStates value) {
  // A count of 0 would divide the picture's width by zero; more than 2 has no pictures.
  if (value < 1 || value > 2 || value == FNumStates) return;
  FNumStates = value;
  UpdateBounds();
}

void TSliderThumb::Paint() {
  int width = FPicture->Width();
  TRect source = Rect(0, 0, width, FPicture->Height());
  if (FNumStates == 2) {
    if (FPressed)
      source.Left = width / 2;
    else
      source.Right = width / 2;
  }
  DrawTransparentBitmap(Canvas(), 0, 0, source, FPicture.get(), FPicture->TransparentColor());
}
