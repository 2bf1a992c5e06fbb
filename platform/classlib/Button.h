// A push button. OnClick runs when the user clicks it, or when Click is called from code.
#pragma once

#include "platform/classlib/WinControl.h"

class TButton : public TWinControl {
 public:
  explicit TButton(TComponent* AOwner);

  bool Default() const { return FDefault; }
  void SetDefault(bool value);

 protected:
  void CaptionChanged() override;
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  bool FDefault = false;
};
