// A windowed control that paints itself on a canvas. The canvas is a picture of the control's
// client area, filled with the control's colour before Paint runs.
#pragma once

#include <memory>

#include "platform/classlib/Canvas.h"
#include "platform/classlib/WinControl.h"

class TCustomControl : public TWinControl {
 public:
  explicit TCustomControl(TComponent* AOwner);
  ~TCustomControl() override;

  TCanvas* Canvas() { return &FCanvas; }

  // Class library internal: runs Paint on a canvas over Target.
  void PaintTo(QImage* target);

 protected:
  virtual void Paint() {}

 private:
  TCanvas FCanvas;
};
