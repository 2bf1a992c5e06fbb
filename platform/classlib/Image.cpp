#include "platform/classlib/Image.h"

TImage::TImage(TComponent* AOwner)
    : TGraphicControl(AOwner), FPicture(std::make_unique<TPicture>()) {
  FPicture->OnChange = [this] { PictureChanged(); };
  SetBounds(0, 0, 105, 105);
}

TImage::~TImage() { FPicture->OnChange = nullptr; }

TCanvas* TImage::Canvas() {
  TGraphic* graphic = FPicture->Graphic();
  if (graphic && !dynamic_cast<TBitmap*>(graphic))
    throw EInvalidOperation("Can only modify an image if it contains a bitmap");
  TBitmap* bitmap = FPicture->Bitmap();
  if (bitmap->Empty()) bitmap->SetSize(FWidth, FHeight);
  // What is drawn on it shows at the next paint.
  Invalidate();
  return bitmap->Canvas();
}

void TImage::SetAutoSize(bool value) {
  FAutoSize = value;
  PictureChanged();
}

void TImage::SetStretch(bool value) {
  FStretch = value;
  Invalidate();
}

void TImage::SetCenter(bool value) {
  FCenter = value;
  Invalidate();
}

void TImage::SetTransparent(bool value) {
  FTransparent = value;
  Invalidate();
}

void TImage::PictureChanged() {
  if (FAutoSize && FPicture->Width() > 0 && FPicture->Height() > 0)
    SetBounds(FLeft, FTop, FPicture->Width(), FPicture->Height());
  Invalidate();
}

void TImage::Paint() {
  TGraphic* graphic = FPicture->Graphic();
  if (!graphic || graphic->Empty()) return;
  TRect rect = Bounds(0, 0, graphic->Width(), graphic->Height());
  if (FStretch)
    rect = ClientRect();
  else if (FCenter)
    rect = Bounds((FWidth - graphic->Width()) / 2, (FHeight - graphic->Height()) / 2,
                  graphic->Width(), graphic->Height());
  auto* bitmap = dynamic_cast<TBitmap*>(graphic);
  bool transparent = bitmap && bitmap->Transparent();
  if (bitmap && FTransparent != transparent) bitmap->SetTransparent(FTransparent);
  TGraphicControl::Canvas()->StretchDraw(rect, graphic);
  if (bitmap && FTransparent != transparent) bitmap->SetTransparent(transparent);
}
