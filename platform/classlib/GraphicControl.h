// A control without keyboard focus that paints itself on a canvas (bevels, images, gauges).
#pragma once

#include "platform/classlib/Canvas.h"
#include "platform/classlib/Control.h"

class TGraphicControl : public TControl {
 public:
  explicit TGraphicControl(TComponent* AOwner);
  ~TGraphicControl() override;

  TCanvas* Canvas() { return &FCanvas; }

  // Class library internal: runs Paint on a canvas over Target.
  void PaintTo(QImage* target);

 protected:
  virtual void Paint() {}
  // Whether the control fills its background with its colour before Paint.
  virtual bool Opaque() const { return !FParentColor; }

 private:
  TCanvas FCanvas;
};
