// A sunken or raised line or frame, drawn in the shadow and highlight colours.
#pragma once

#include <cstdint>

#include "platform/classlib/GraphicControl.h"

enum TBevelShape : uint8_t {
  bsBox,
  bsFrame,
  bsTopLine,
  bsBottomLine,
  bsLeftLine,
  bsRightLine,
  bsSpacer
};
enum TBevelStyle : uint8_t { bsLowered, bsRaised };

class TBevel : public TGraphicControl {
 public:
  explicit TBevel(TComponent* AOwner);

  TBevelShape Shape() const { return FShape; }
  void SetShape(TBevelShape value);
  TBevelStyle Style() const { return FStyle; }
  void SetStyle(TBevelStyle value);

 protected:
  void Paint() override;
  bool Opaque() const override { return false; }

 private:
  TBevelShape FShape = bsBox;
  TBevelStyle FStyle = bsLowered;
};
