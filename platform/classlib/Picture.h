// The picture of an image control: one graphic (a bitmap or a JPEG picture) or none.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Graphic.h"
#include "platform/classlib/JpegImage.h"

class TPicture : public TPersistent {
 public:
  TPicture();
  ~TPicture() override;

  TGraphic* Graphic() const { return FGraphic.get(); }
  // Copies the graphic (none clears the picture).
  void SetGraphic(TGraphic* graphic);
  // The picture as a bitmap; a picture of another kind, or none, is replaced by an empty one.
  TBitmap* Bitmap();
  int Width() const { return FGraphic ? FGraphic->Width() : 0; }
  int Height() const { return FGraphic ? FGraphic->Height() : 0; }

  // By extension: ".bmp" a bitmap, ".jpg" and ".jpeg" a JPEG picture.
  void LoadFromFile(const std::string& fileName);
  void Assign(TPersistent* Source) override;

  std::function<void()> OnChange;
  void Changed();

 private:
  std::unique_ptr<TGraphic> FGraphic;
};
