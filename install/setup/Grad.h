// The gradient painter: fills an image with Count bands whose colour moves, channel by channel,
// from StartColor toward EndColor. The calling order is SetCount, SetDirection (or SetExtent),
// setting StartColor and EndColor, Prepare, Paint.
#pragma once

#include <cstdint>

#include "platform/classlib/Colors.h"
#include "platform/classlib/Object.h"

class TImage;

class TGrad : public TObject {
 public:
  // n below 256 moves each channel by 256 div n per band; 256 and more by 1.
  void SetCount(int32_t n);
  // Step := e / Count; Count must be set first.
  void SetExtent(int32_t e);
  // 0: stripes side by side along x; 1: bands stacked along y; other values paint nothing.
  void SetDirection(uint8_t d, int32_t e);
  void SplitColor(TColor c);
  void SplitEndColor(TColor c);
  void SetSigns(int32_t r, int32_t g, int32_t b);
  void Prepare();
  TImage* Paint(TImage* image);

  int32_t Count = 0;
  int32_t Extent = 0;
  TColor StartColor = 0;
  TColor EndColor = 0;
  TColor Color = 0;
  uint8_t Direction = 0;
  double PosX = 0;
  double PosY = 0;
  double Step = 0;
  int8_t RedSign = 0, GreenSign = 0, BlueSign = 0;
  int32_t Red = 0, Green = 0, Blue = 0;
  int32_t EndRed = 0, EndGreen = 0, EndBlue = 0;
  int32_t Increment = 0;

 private:
  void MoveChannel(int32_t& value, int8_t sign, int32_t end) const;
};
