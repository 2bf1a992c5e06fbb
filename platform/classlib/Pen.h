// The canvas's pen: lines and outlines.
#pragma once

#include <cstdint>

#include "platform/classlib/Colors.h"

enum TPenStyle : uint8_t { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear };

class TPen {
 public:
  TColor Color() const { return FColor; }
  void SetColor(TColor value) { FColor = value; }
  int Width() const { return FWidth; }
  void SetWidth(int value) { FWidth = value < 1 ? 1 : value; }
  TPenStyle Style() const { return FStyle; }
  void SetStyle(TPenStyle value) { FStyle = value; }

 private:
  TColor FColor = clBlack;
  int FWidth = 1;
  TPenStyle FStyle = psSolid;
};
