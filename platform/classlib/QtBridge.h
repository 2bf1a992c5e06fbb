// Conversions between the class library's values and Qt's (class library internal: only the
// visual half's sources include this header).
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QRect>
#include <QString>

#include <string>

#include "platform/classlib/Colors.h"
#include "platform/classlib/Font.h"
#include "platform/classlib/Rect.h"

inline QColor ToQColor(TColor color) {
  TColor rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

inline TColor FromQColor(const QColor& color) {
  return RGB(color.red(), color.green(), color.blue());
}

inline QString ToQString(const std::string& text) { return QString::fromUtf8(text); }
inline std::string FromQString(const QString& text) { return text.toUtf8().toStdString(); }

inline QRect ToQRect(const TRect& rect) {
  return QRect(rect.Left, rect.Top, rect.Width(), rect.Height());
}

QFont ToQFont(const TFont& font);

class TBitmap;
// A bitmap with its pixels of the key colour see-through, for Qt's icons.
QImage TransparentImage(const TBitmap& bitmap, TColor key);

// The pixel format of every bitmap and paint buffer.
inline constexpr QImage::Format kImageFormat = QImage::Format_RGB32;

// A pixel of an RGB32 image as a colour, and back.
inline TColor PixelToColor(QRgb pixel) { return RGB(qRed(pixel), qGreen(pixel), qBlue(pixel)); }
inline QRgb ColorToPixel(TColor color) {
  TColor rgb = ColorToRGB(color);
  return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}
