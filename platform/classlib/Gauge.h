// A bar gauge filling from MinValue to MaxValue in ForeColor on BackColor, with the
// percentage done written in its middle.
#pragma once

#include <cstdint>

#include "platform/classlib/Form.h"
#include "platform/classlib/GraphicControl.h"

enum TGaugeKind : uint8_t { gkText, gkHorizontalBar, gkVerticalBar };

class TGauge : public TGraphicControl {
 public:
  explicit TGauge(TComponent* AOwner);

  TGaugeKind Kind() const { return FKind; }
  void SetKind(TGaugeKind value);
  int MinValue() const { return FMinValue; }
  void SetMinValue(int value);
  int MaxValue() const { return FMaxValue; }
  void SetMaxValue(int value);
  // Progress is kept within MinValue and MaxValue.
  int Progress() const { return FProgress; }
  void SetProgress(int value);
  void AddProgress(int value) { SetProgress(FProgress + value); }
  // 0 to 100.
  int PercentDone() const;
  TColor ForeColor() const { return FForeColor; }
  void SetForeColor(TColor value);
  TColor BackColor() const { return FBackColor; }
  void SetBackColor(TColor value);
  bool ShowText() const { return FShowText; }
  void SetShowText(bool value);
  // bsNone or bsSingle.
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);

 protected:
  void Paint() override;
  bool Opaque() const override { return true; }

 private:
  TGaugeKind FKind = gkHorizontalBar;
  int FMinValue = 0;
  int FMaxValue = 100;
  int FProgress = 0;
  TColor FForeColor = clBlack;
  TColor FBackColor = clWhite;
  bool FShowText = true;
  TFormBorderStyle FBorderStyle = bsSingle;
};
