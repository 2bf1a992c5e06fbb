#include "platform/classlib/Picture.h"

#include <algorithm>
#include <cctype>

#include "platform/classlib/Format.h"

TPicture::TPicture() = default;
TPicture::~TPicture() = default;

void TPicture::SetGraphic(TGraphic* graphic) {
  if (graphic == FGraphic.get()) return;
  std::unique_ptr<TGraphic> copy;
  if (dynamic_cast<TBitmap*>(graphic))
    copy = std::make_unique<TBitmap>();
  else if (dynamic_cast<TJPEGImage*>(graphic))
    copy = std::make_unique<TJPEGImage>();
  if (copy) copy->Assign(graphic);
  FGraphic = std::move(copy);
  Changed();
}

TBitmap* TPicture::Bitmap() {
  if (auto* bitmap = dynamic_cast<TBitmap*>(FGraphic.get())) return bitmap;
  FGraphic = std::make_unique<TBitmap>();
  Changed();
  return static_cast<TBitmap*>(FGraphic.get());
}

void TPicture::LoadFromFile(const std::string& fileName) {
  std::string extension;
  size_t dot = fileName.find_last_of('.');
  if (dot != std::string::npos) extension = fileName.substr(dot);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  std::unique_ptr<TGraphic> graphic;
  if (extension == ".bmp")
    graphic = std::make_unique<TBitmap>();
  else if (extension == ".jpg" || extension == ".jpeg")
    graphic = std::make_unique<TJPEGImage>();
  else
    throw EInvalidGraphic(Format("Unknown picture file extension (%s)", extension.c_str()));
  graphic->LoadFromFile(fileName);
  FGraphic = std::move(graphic);
  Changed();
}

void TPicture::Assign(TPersistent* Source) {
  if (Source == nullptr) {
    SetGraphic(nullptr);
  } else if (auto* picture = dynamic_cast<TPicture*>(Source)) {
    SetGraphic(picture->Graphic());
  } else if (auto* graphic = dynamic_cast<TGraphic*>(Source)) {
    SetGraphic(graphic);
  } else {
    TPersistent::Assign(Source);
  }
}

void TPicture::Changed() {
  if (OnChange) OnChange();
}
