// A one-line text box; Text is the caption. OnChange runs at every change of the text, by
// the user or from code.
#pragma once

#include "platform/classlib/WinControl.h"

class TEdit : public TWinControl {
 public:
  explicit TEdit(TComponent* AOwner);

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);

  TNotifyEvent OnChange;

 protected:
  void CaptionChanged() override;
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  bool FReadOnly = false;
};
