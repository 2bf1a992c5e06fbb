// A button of a tool bar: a picture of the bar's image list and a caption.
#pragma once

#include <cstdint>

#include "platform/classlib/Control.h"

enum TToolButtonStyle : uint8_t { tbsButton, tbsCheck, tbsDropDown, tbsSeparator, tbsDivider };

class TToolBar;

class TToolButton : public TControl {
 public:
  explicit TToolButton(TComponent* AOwner);

  int ImageIndex() const { return FImageIndex; }
  void SetImageIndex(int value);
  TToolButtonStyle Style() const { return FStyle; }
  void SetStyle(TToolButtonStyle value);
  void SetParent(TWinControl* AParent) override;

  // Class library internal: shows the bar's settings and picture.
  void UpdateLook();

 protected:
  void CaptionChanged() override { UpdateLook(); }
  bool TakesMouse() const override { return false; }
  bool ClicksOnRelease() const override { return false; }

 private:
  TToolBar* Bar() const;

  int FImageIndex = -1;
  TToolButtonStyle FStyle = tbsButton;
};
