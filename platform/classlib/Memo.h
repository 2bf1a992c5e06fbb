// A text box of several lines. Text is the whole text; Lines gives it line by line.
#pragma once

#include <memory>

#include "platform/classlib/Strings.h"
#include "platform/classlib/WinControl.h"

class TMemo : public TWinControl {
 public:
  explicit TMemo(TComponent* AOwner);
  ~TMemo() override;

  bool ReadOnly() const { return FReadOnly; }
  void SetReadOnly(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  TStrings* Lines() { return FLines.get(); }
  // Places the caret, in characters from the start of the text (past the end: at the end),
  // and scrolls it into view.
  void SetSelStart(int value);

  TNotifyEvent OnChange;

 protected:
  void CaptionChanged() override;
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  bool FReadOnly = false;
  bool FWordWrap = true;
  std::unique_ptr<TStrings> FLines;
};
