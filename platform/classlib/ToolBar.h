// A bar of tool buttons along the top of a form, laid out left to right in the order the
// buttons were put on it; with ShowCaptions each button shows its picture above its caption.
#pragma once

#include "platform/classlib/WinControl.h"

class TImageList;
class TToolButton;

class TToolBar : public TWinControl {
 public:
  explicit TToolBar(TComponent* AOwner);
  ~TToolBar() override;

  bool Flat() const { return FFlat; }
  void SetFlat(bool value);
  int ButtonWidth() const { return FButtonWidth; }
  void SetButtonWidth(int value);
  int ButtonHeight() const { return FButtonHeight; }
  void SetButtonHeight(int value);
  bool ShowCaptions() const { return FShowCaptions; }
  void SetShowCaptions(bool value);
  TImageList* Images() const { return FImages; }
  void SetImages(TImageList* value);

  int ButtonCount() const;
  TToolButton* Buttons(int Index) const;

  // Class library internal: places the buttons.
  void ArrangeButtons();

 protected:
  void WMSize() override;

 private:
  bool FFlat = false;
  int FButtonWidth = 23;
  int FButtonHeight = 22;
  bool FShowCaptions = false;
  TImageList* FImages = nullptr;
};
