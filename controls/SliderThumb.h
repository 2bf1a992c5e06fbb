// The slider's thumb: a child window showing one picture, or one of two pictures lying side
// by side in its bitmap (normal on the left, pressed on the right).
#pragma once

#include <cstdint>
#include <memory>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/CustomControl.h"

// How many pictures lie side by side in the thumb's bitmap: 1 or 2.
using TNumThumbStates = uint8_t;

class TSliderThumb : public TCustomControl {
 public:
  explicit TSliderThumb(TComponent* AOwner);
  ~TSliderThumb() override;

  TBitmap* Picture() const { return FPicture.get(); }
  bool Pressed() const { return FPressed; }
  TNumThumbStates NumStates() const { return FNumStates; }

  // Keeps left and top; the size follows the picture: (width div NumStates) x height.
  void UpdateBounds();
  // Copies the picture, then UpdateBounds.
  void SetImage(TBitmap* picture);
  void SetPressed(bool value);
  // Values other than 1 and 2 are refused.
  void SetNumStates(TNumThumbStates value);

 protected:
  void Paint() override;

 private:
  std::unique_ptr<TBitmap> FPicture;
  bool FPressed = false;
  TNumThumbStates FNumStates = 2;
};
