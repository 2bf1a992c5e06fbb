// A check box. OnClick runs at every change of its state, by the user or from code.
#pragma once

#include "platform/classlib/WinControl.h"

class TCheckBox : public TWinControl {
 public:
  explicit TCheckBox(TComponent* AOwner);

  bool Checked() const { return FChecked; }
  void SetChecked(bool value);

 protected:
  void CaptionChanged() override;
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  bool FChecked = false;
};
