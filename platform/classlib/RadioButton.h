// A radio button. The radio buttons of one parent form a group: selecting one clears the
// others. OnClick runs when the button becomes selected, by the user or from code.
#pragma once

#include "platform/classlib/WinControl.h"

class TRadioButton : public TWinControl {
 public:
  explicit TRadioButton(TComponent* AOwner);

  bool Checked() const { return FChecked; }
  void SetChecked(bool value);

 protected:
  void CaptionChanged() override;
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  bool FChecked = false;
};
