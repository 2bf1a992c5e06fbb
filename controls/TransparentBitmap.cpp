#include "controls/TransparentBitmap.h"

#include <algorithm>

void DrawTransparentBitmap(TCanvas* Canvas, int X, int Y, const TRect& Source, TBitmap* Picture,
                           TColor Key) {
  if (!Canvas || !Picture || Picture->Empty()) return;
  // Works on a copy, so that the caller's picture is never touched.
  TBitmap picture;
  picture.Assign(Picture);

  if (Key == clNone) {
    TRect from = Source;
    if (from.Width() == 0 || from.Height() == 0)
      from = Rect(0, 0, picture.Width(), picture.Height());
    Canvas->SetCopyMode(cmSrcCopy);
    Canvas->CopyRect(Bounds(X, Y, from.Width(), from.Height()), picture.Canvas(), from);
    return;
  }

  int width = std::min(Source.Width(), picture.Width() - Source.Left);
  int height = std::min(Source.Height(), picture.Height() - Source.Top);
  TRect from = Bounds(Source.Left, Source.Top, width, height);
  if (width == 0 || height == 0) {
    width = picture.Width();
    height = picture.Height();
    from = Rect(0, 0, width, height);
  }
  if (width < 0 || height < 0) return;
  TRect area = Rect(0, 0, width, height);

  // 1. Masks: white (all bits set) where the picture has the key colour, black elsewhere; and
  // the inverse.
  TBitmap region;
  region.SetSize(width, height);
  region.Canvas()->SetCopyMode(cmSrcCopy);
  region.Canvas()->CopyRect(area, picture.Canvas(), from);
  TBitmap mask;
  mask.Assign(&region);
  mask.Mask(ColorToRGB(Key));
  TBitmap inverse;
  inverse.SetSize(width, height);
  inverse.Canvas()->SetCopyMode(cmNotSrcCopy);
  inverse.Canvas()->CopyRect(area, mask.Canvas(), area);

  // 2. The destination's pixels under the picture.
  TBitmap work;
  work.SetSize(width, height);
  work.Canvas()->SetCopyMode(cmSrcCopy);
  work.Canvas()->CopyRect(area, Canvas, Bounds(X, Y, width, height));

  // 3. Keep the destination where the key is, the picture elsewhere.
  work.Canvas()->SetCopyMode(cmSrcAnd);
  work.Canvas()->CopyRect(area, mask.Canvas(), area);
  region.Canvas()->SetCopyMode(cmSrcAnd);
  region.Canvas()->CopyRect(area, inverse.Canvas(), area);
  work.Canvas()->SetCopyMode(cmSrcPaint);
  work.Canvas()->CopyRect(area, region.Canvas(), area);

  // 4. Back onto the destination.
  TCopyMode saved = Canvas->CopyMode();
  Canvas->SetCopyMode(cmSrcCopy);
  Canvas->CopyRect(Bounds(X, Y, width, height), work.Canvas(), area);
  Canvas->SetCopyMode(saved);
}

void DrawTransparentBitmapAt(TCanvas* Canvas, int X, int Y, TBitmap* Picture, TColor Key) {
  DrawTransparentBitmap(Canvas, X, Y, Rect(0, 0, 0, 0), Picture, Key);
}
