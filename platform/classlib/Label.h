// A line (or, word-wrapped, a paragraph) of text on its parent's background. With AutoSize
// the label takes the size of its text.
#pragma once

#include "platform/classlib/Control.h"

class TLabel : public TControl {
 public:
  explicit TLabel(TComponent* AOwner);

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool WordWrap() const { return FWordWrap; }
  void SetWordWrap(bool value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

 protected:
  void CaptionChanged() override;
  void FontChanged() override;
  void ColorChanged() override;
  void AdjustSize();

 private:
  bool FAutoSize = true;
  bool FWordWrap = false;
  TAlignment FAlignment = taLeftJustify;
  bool FTransparent = false;
};
