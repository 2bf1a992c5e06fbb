#include "platform/classlib/Canvas.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPolygon>

#include <algorithm>
#include <cstdint>
#include <cstdlib>

#include "platform/classlib/Graphic.h"
#include "platform/classlib/QtBridge.h"

QFont ToQFont(const TFont& font) {
  QFont result(ToQString(font.Name()));
  result.setPixelSize(-font.Height());
  result.setBold(font.Style() & fsBold);
  result.setItalic(font.Style() & fsItalic);
  result.setUnderline(font.Style() & fsUnderline);
  result.setStrikeOut(font.Style() & fsStrikeOut);
  return result;
}

namespace {

// Combines one source and one destination pixel (RGB bits only) by a raster operation.
QRgb Combine(DWORD rop, QRgb s, QRgb d) {
  uint32_t r;
  switch (rop) {
    case SRCCOPY: r = s; break;
    case SRCPAINT: r = s | d; break;
    case SRCAND: r = s & d; break;
    case SRCINVERT: r = s ^ d; break;
    case SRCERASE: r = s & ~d; break;
    case NOTSRCCOPY: r = ~s; break;
    case NOTSRCERASE: r = ~(s | d); break;
    case MERGEPAINT: r = ~s | d; break;
    case DSTINVERT: r = ~d; break;
    case BLACKNESS: r = 0; break;
    case WHITENESS: r = 0xFFFFFF; break;
    default: r = s; break;
  }
  return 0xFF000000u | (r & 0xFFFFFFu);
}

}  // namespace

TCanvas::TCanvas() = default;
TCanvas::~TCanvas() = default;

int TCanvas::Width() const { return FImage ? FImage->width() : 0; }
int TCanvas::Height() const { return FImage ? FImage->height() : 0; }

TColor TCanvas::Pixels(int x, int y) const {
  if (!FImage || !FImage->valid(x, y)) return -1;
  return PixelToColor(FImage->pixel(x, y));
}

void TCanvas::SetPixels(int x, int y, TColor color) {
  if (!FImage || !FImage->valid(x, y)) return;
  FImage->setPixel(x, y, ColorToPixel(color));
}

void TCanvas::LineTo(int x, int y) {
  TPoint from = FPenPos;
  FPenPos = Point(x, y);
  if (!FImage || FPen.Style() == psClear) return;
  if (FPen.Width() > 1 || FPen.Style() != psSolid) {
    QPainter painter(FImage);
    QPen pen(ToQColor(FPen.Color()));
    pen.setWidth(FPen.Width());
    if (FPen.Style() == psDot) pen.setStyle(Qt::DotLine);
    if (FPen.Style() == psDash) pen.setStyle(Qt::DashLine);
    painter.setPen(pen);
    painter.drawLine(from.X, from.Y, x, y);
    return;
  }
  // One-pixel solid lines step by step, leaving out the end point.
  QRgb pixel = ColorToPixel(FPen.Color());
  int dx = std::abs(x - from.X), sx = from.X < x ? 1 : -1;
  int dy = -std::abs(y - from.Y), sy = from.Y < y ? 1 : -1;
  int error = dx + dy;
  int px = from.X, py = from.Y;
  while (px != x || py != y) {
    if (FImage->valid(px, py)) FImage->setPixel(px, py, pixel);
    int e2 = 2 * error;
    if (e2 >= dy) {
      error += dy;
      px += sx;
    }
    if (e2 <= dx) {
      error += dx;
      py += sy;
    }
  }
}

void TCanvas::FillRect(const TRect& rect) {
  if (!FImage || FBrush.Style() == bsClear) return;
  QRect area = ToQRect(rect).normalized().intersected(FImage->rect());
  if (area.isEmpty()) return;
  QPainter painter(FImage);
  painter.fillRect(area, ToQColor(FBrush.Color()));
}

void TCanvas::FrameRect(const TRect& rect) {
  if (!FImage || rect.Width() <= 0 || rect.Height() <= 0) return;
  TColor saved = FBrush.Color();
  TBrushStyle style = FBrush.Style();
  TBrush& brush = FBrush;
  brush.SetStyle(bsSolid);
  FillRect(Rect(rect.Left, rect.Top, rect.Right, rect.Top + 1));
  FillRect(Rect(rect.Left, rect.Bottom - 1, rect.Right, rect.Bottom));
  FillRect(Rect(rect.Left, rect.Top, rect.Left + 1, rect.Bottom));
  FillRect(Rect(rect.Right - 1, rect.Top, rect.Right, rect.Bottom));
  brush.SetColor(saved);
  brush.SetStyle(style);
}

void TCanvas::Rectangle(int left, int top, int right, int bottom) {
  if (!FImage) return;
  FillRect(Rect(left + 1, top + 1, right - 1, bottom - 1));
  if (FPen.Style() == psClear) {
    FillRect(Rect(left, top, right, bottom));
    return;
  }
  TBrush saved = FBrush;
  FBrush.SetColor(FPen.Color());
  FrameRect(Rect(left, top, right, bottom));
  FBrush = saved;
}

void TCanvas::Polygon(const std::vector<TPoint>& points) {
  if (!FImage || points.empty()) return;
  QPolygon polygon;
  for (const TPoint& p : points) polygon << QPoint(p.X, p.Y);
  QPainter painter(FImage);
  if (FPen.Style() == psClear)
    painter.setPen(Qt::NoPen);
  else
    painter.setPen(QPen(ToQColor(FPen.Color()), FPen.Width()));
  if (FBrush.Style() == bsClear)
    painter.setBrush(Qt::NoBrush);
  else
    painter.setBrush(ToQColor(FBrush.Color()));
  painter.drawPolygon(polygon);
}

void TCanvas::Ellipse(int left, int top, int right, int bottom) {
  if (!FImage) return;
  QPainter painter(FImage);
  painter.setRenderHint(QPainter::Antialiasing, false);
  if (FPen.Style() == psClear)
    painter.setPen(Qt::NoPen);
  else
    painter.setPen(QPen(ToQColor(FPen.Color()), FPen.Width()));
  if (FBrush.Style() == bsClear)
    painter.setBrush(Qt::NoBrush);
  else
    painter.setBrush(ToQColor(FBrush.Color()));
  painter.drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

void TCanvas::TextOut(int x, int y, const std::string& text) {
  TextRect(Rect(0, 0, Width(), Height()), x, y, text);
  FPenPos = Point(x + TextWidth(text), y);
}

void TCanvas::TextRect(const TRect& clip, int x, int y, const std::string& text) {
  if (!FImage) return;
  QPainter painter(FImage);
  painter.setClipRect(ToQRect(clip));
  QFont font = ToQFont(FFont);
  painter.setFont(font);
  QFontMetrics metrics(font, FImage);
  QString qtext = ToQString(text);
  if (FBrush.Style() != bsClear)
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(qtext), metrics.height()),
                     ToQColor(FBrush.Color()));
  painter.setPen(ToQColor(FFont.Color()));
  painter.drawText(x, y + metrics.ascent(), qtext);
}

int TCanvas::TextWidth(const std::string& text) const {
  return QFontMetrics(ToQFont(FFont)).horizontalAdvance(ToQString(text));
}

int TCanvas::TextHeight(const std::string& text) const {
  (void)text;
  return QFontMetrics(ToQFont(FFont)).height();
}

void TCanvas::Draw(int x, int y, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, Bounds(x, y, graphic->Width(), graphic->Height()));
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
  if (!graphic || graphic->Empty()) return;
  graphic->Draw(this, rect);
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* source, const TRect& src) {
  if (!FImage || dest.Width() <= 0 || dest.Height() <= 0) return;
  bool needsSource = FCopyMode != DSTINVERT && FCopyMode != BLACKNESS && FCopyMode != WHITENESS;
  if (!needsSource) {
    QRect area = ToQRect(dest).intersected(FImage->rect());
    for (int y = area.top(); y <= area.bottom(); ++y)
      for (int x = area.left(); x <= area.right(); ++x)
        FImage->setPixel(x, y, Combine(FCopyMode, 0, FImage->pixel(x, y)));
    return;
  }
  if (!source || !source->FImage || src.Width() <= 0 || src.Height() <= 0) return;
  QImage region;
  int dx = dest.Left, dy = dest.Top;
  if (src.Width() == dest.Width() && src.Height() == dest.Height()) {
    // Only pixels that exist in both pictures are copied.
    QRect inSource = ToQRect(src).intersected(source->FImage->rect());
    QRect inDest =
        inSource.translated(dest.Left - src.Left, dest.Top - src.Top).intersected(FImage->rect());
    if (inDest.isEmpty()) return;
    // Copied out first, so that a canvas may copy onto itself.
    region = source->FImage->copy(inDest.translated(src.Left - dest.Left, src.Top - dest.Top));
    dx = inDest.left();
    dy = inDest.top();
  } else {
    QRect inSource = ToQRect(src).intersected(source->FImage->rect());
    if (inSource != ToQRect(src)) return;  // a stretch needs its whole source
    if (int64_t(dest.Width()) * dest.Height() >
        int64_t(FImage->width() + 1) * (FImage->height() + 1) * 4)
      return;  // far larger than the surface: nothing sensible to draw
    region = source->FImage->copy(inSource).scaled(dest.Width(), dest.Height());
  }
  region = region.convertToFormat(kImageFormat);
  for (int y = 0; y < region.height(); ++y) {
    int ty = dy + y;
    if (ty < 0 || ty >= FImage->height()) continue;
    for (int x = 0; x < region.width(); ++x) {
      int tx = dx + x;
      if (tx < 0 || tx >= FImage->width()) continue;
      FImage->setPixel(tx, ty, Combine(FCopyMode, region.pixel(x, y), FImage->pixel(tx, ty)));
    }
  }
}

void TCanvas::DrawFocusRect(const TRect& rect) {
  if (!FImage || rect.Width() <= 0 || rect.Height() <= 0) return;
  auto invert = [this](int x, int y) {
    if ((x + y) % 2 != 0 || !FImage->valid(x, y)) return;
    FImage->setPixel(x, y, 0xFF000000u | (~FImage->pixel(x, y) & 0xFFFFFFu));
  };
  for (int x = rect.Left; x < rect.Right; ++x) {
    invert(x, rect.Top);
    if (rect.Bottom - 1 != rect.Top) invert(x, rect.Bottom - 1);
  }
  for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
    invert(rect.Left, y);
    if (rect.Right - 1 != rect.Left) invert(rect.Right - 1, y);
  }
}
