// A drawing surface: a bitmap's pixels, or a control's picture while it paints. Coordinates
// are pixels; rectangles exclude their right and bottom edges; lines exclude their end point.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/classlib/Brush.h"
#include "platform/classlib/Colors.h"
#include "platform/classlib/Font.h"
#include "platform/classlib/Pen.h"
#include "platform/classlib/RasterOps.h"
#include "platform/classlib/Rect.h"

class QImage;
class TGraphic;

class TCanvas {
 public:
  TCanvas();
  ~TCanvas();
  TCanvas(const TCanvas&) = delete;
  TCanvas& operator=(const TCanvas&) = delete;

  TPen* Pen() { return &FPen; }
  TBrush* Brush() { return &FBrush; }
  TFont* Font() { return &FFont; }
  TCopyMode CopyMode() const { return FCopyMode; }
  void SetCopyMode(TCopyMode value) { FCopyMode = value; }

  // Size of the surface; 0 x 0 without one.
  int Width() const;
  int Height() const;

  TPoint PenPos() const { return FPenPos; }
  void MoveTo(int x, int y) { FPenPos = Point(x, y); }
  void LineTo(int x, int y);
  void FillRect(const TRect& rect);
  void FrameRect(const TRect& rect);
  // Outline with the pen, interior with the brush.
  void Rectangle(int left, int top, int right, int bottom);
  void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
  void Polygon(const std::vector<TPoint>& points);
  void Ellipse(int left, int top, int right, int bottom);
  // The text's top left at (x, y), on the brush's colour unless the brush is clear.
  void TextOut(int x, int y, const std::string& text);
  void TextRect(const TRect& clip, int x, int y, const std::string& text);
  int TextWidth(const std::string& text) const;
  int TextHeight(const std::string& text) const;
  void Draw(int x, int y, TGraphic* graphic);
  void StretchDraw(const TRect& rect, TGraphic* graphic);
  // Copies Source's rectangle onto Dest combined by CopyMode; sizes that differ stretch.
  void CopyRect(const TRect& dest, TCanvas* source, const TRect& src);
  // The platform's focus rectangle: a dotted frame that inverts what lies under it, so a
  // second call removes it.
  void DrawFocusRect(const TRect& rect);

  // -1 outside the surface.
  TColor Pixels(int x, int y) const;
  void SetPixels(int x, int y, TColor color);

  // The surface (class library internal).
  void SetTarget(QImage* image) { FImage = image; }
  QImage* Target() const { return FImage; }

 private:
  QImage* FImage = nullptr;
  TPen FPen;
  TBrush FBrush;
  TFont FFont;
  TCopyMode FCopyMode = cmSrcCopy;
  TPoint FPenPos;
};
