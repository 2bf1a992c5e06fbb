// The canvas's brush: fills of rectangles and backgrounds.
#pragma once

#include <cstdint>

#include "platform/classlib/Colors.h"

enum TBrushStyle : uint8_t { bsSolid, bsClear };

class TBrush {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor value) {
    FColor = value;
    FStyle = bsSolid;
  }
  TBrushStyle Style() const { return FStyle; }
  void SetStyle(TBrushStyle value) { FStyle = value; }

 private:
  TColor FColor = clWhite;
  TBrushStyle FStyle = bsSolid;
};
