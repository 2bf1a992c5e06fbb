// A container with raised or lowered bevels, an optional one-pixel border and a centred
// caption. The border lies outside the client area, where the children stand.
#pragma once

#include <cstdint>

#include "platform/classlib/CustomControl.h"
#include "platform/classlib/Form.h"

enum TPanelBevel : uint8_t { bvNone, bvLowered, bvRaised, bvSpace };

class TPanel : public TCustomControl {
 public:
  explicit TPanel(TComponent* AOwner);

  TPanelBevel BevelOuter() const { return FBevelOuter; }
  void SetBevelOuter(TPanelBevel value);
  TPanelBevel BevelInner() const { return FBevelInner; }
  void SetBevelInner(TPanelBevel value);
  int BevelWidth() const { return FBevelWidth; }
  void SetBevelWidth(int value);
  // bsNone or bsSingle.
  TFormBorderStyle BorderStyle() const { return FBorderStyle; }
  void SetBorderStyle(TFormBorderStyle value);
  TAlignment Alignment() const { return FAlignment; }
  void SetAlignment(TAlignment value);

  int ClientWidth() const override { return FWidth - 2 * BorderSize(); }
  int ClientHeight() const override { return FHeight - 2 * BorderSize(); }

  QWidget* ClientWidget() const override { return FClient; }

 protected:
  void Paint() override;
  void ApplyBounds() override;
  void CaptionChanged() override { Invalidate(); }

 private:
  int BorderSize() const { return FBorderStyle == bsSingle ? 1 : 0; }

  QWidget* FClient = nullptr;
  TPanelBevel FBevelOuter = bvRaised;
  TPanelBevel FBevelInner = bvNone;
  int FBevelWidth = 1;
  TFormBorderStyle FBorderStyle = bsNone;
  TAlignment FAlignment = taCenter;
};
