// A JPEG picture: decoded with libjpeg into a bitmap when it is loaded.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Graphic.h"

class TStream;

class TJPEGImage : public TGraphic {
 public:
  TJPEGImage();
  ~TJPEGImage() override;

  int Width() const override { return FBitmap->Width(); }
  int Height() const override { return FBitmap->Height(); }
  void Draw(TCanvas* canvas, const TRect& rect) override { FBitmap->Draw(canvas, rect); }
  void Assign(TPersistent* Source) override;

  // Raises EInvalidGraphic "JPEG error #<code>" for data that libjpeg cannot decode.
  void LoadFromMemory(const void* data, size_t size);
  void LoadFromFile(const std::string& fileName) override;
  // JPEG data from the stream's position to its end.
  void LoadFromStream(TStream* stream);
  // The program's resource of type "JPEG" with that name.
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);

  // The decoded picture.
  TBitmap* Bitmap() { return FBitmap.get(); }

 private:
  std::unique_ptr<TBitmap> FBitmap;
};
