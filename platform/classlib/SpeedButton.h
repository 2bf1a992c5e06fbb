// A button that takes no keyboard focus, showing a picture (its glyph) and/or a caption;
// flat until the pointer is over it.
#pragma once

#include <memory>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Control.h"

class TSpeedButton : public TControl {
 public:
  explicit TSpeedButton(TComponent* AOwner);
  ~TSpeedButton() override;

  // The glyph's bottom-left colour is transparent.
  TBitmap* Glyph() { return FGlyph.get(); }
  void SetGlyph(TBitmap* value);
  bool Flat() const { return FFlat; }
  void SetFlat(bool value);

 protected:
  void CaptionChanged() override;
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  std::unique_ptr<TBitmap> FGlyph;
  bool FFlat = false;
};
