// A bar that fills from Min to Max as Position grows.
#pragma once

#include "platform/classlib/WinControl.h"

class TProgressBar : public TWinControl {
 public:
  explicit TProgressBar(TComponent* AOwner);

  int Min() const { return FMin; }
  void SetMin(int value);
  int Max() const { return FMax; }
  void SetMax(int value);
  // Position is kept within Min and Max.
  int Position() const { return FPosition; }
  void SetPosition(int value);

 protected:
  bool TakesMouse() const override { return true; }

 private:
  void Apply();

  int FMin = 0;
  int FMax = 100;
  int FPosition = 0;
};
