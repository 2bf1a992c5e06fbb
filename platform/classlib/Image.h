// Shows a picture (a bitmap or a JPEG picture). With AutoSize it takes the picture's size.
#pragma once

#include <memory>

#include "platform/classlib/GraphicControl.h"
#include "platform/classlib/Picture.h"

class TImage : public TGraphicControl {
 public:
  explicit TImage(TComponent* AOwner);
  ~TImage() override;

  TPicture* Picture() { return FPicture.get(); }
  void SetPicture(TPicture* value) { FPicture->Assign(value); }
  // The picture's own canvas: an image without a picture gets a bitmap of its size first.
  // Raises EInvalidOperation for a picture that is not a bitmap.
  TCanvas* Canvas();

  bool AutoSize() const { return FAutoSize; }
  void SetAutoSize(bool value);
  bool Stretch() const { return FStretch; }
  void SetStretch(bool value);
  bool Center() const { return FCenter; }
  void SetCenter(bool value);
  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value);

 protected:
  void Paint() override;
  bool Opaque() const override { return false; }

 private:
  void PictureChanged();

  std::unique_ptr<TPicture> FPicture;
  bool FAutoSize = false;
  bool FStretch = false;
  bool FCenter = false;
  bool FTransparent = false;
};

// An operation the object cannot do in its present state.
class EInvalidOperation : public Exception {
 public:
  using Exception::Exception;
};
