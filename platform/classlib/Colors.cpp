#include "platform/classlib/Colors.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

struct SchemeColor {
  int index;
  QPalette::ColorRole role;
  TColor fallback;  // the classic scheme, when no application is running
};

constexpr SchemeColor kScheme[] = {
    {0, QPalette::Mid, RGB(192, 192, 192)},
    {1, QPalette::Dark, RGB(0, 128, 128)},
    {2, QPalette::Highlight, RGB(0, 0, 128)},
    {5, QPalette::Base, RGB(255, 255, 255)},
    {6, QPalette::Shadow, RGB(0, 0, 0)},
    {8, QPalette::Text, RGB(0, 0, 0)},
    {13, QPalette::Highlight, RGB(0, 0, 128)},
    {14, QPalette::HighlightedText, RGB(255, 255, 255)},
    {15, QPalette::Button, RGB(192, 192, 192)},
    {16, QPalette::Dark, RGB(128, 128, 128)},
    {17, QPalette::PlaceholderText, RGB(128, 128, 128)},
    {18, QPalette::ButtonText, RGB(0, 0, 0)},
    {20, QPalette::Light, RGB(255, 255, 255)},
    {21, QPalette::Shadow, RGB(0, 0, 0)},
    {22, QPalette::Midlight, RGB(223, 223, 223)},
    {23, QPalette::ToolTipText, RGB(0, 0, 0)},
    {24, QPalette::ToolTipBase, RGB(255, 255, 225)},
};

}  // namespace

TColor ColorToRGB(TColor color) {
  if ((color & clSystemColor) == 0) return color;
  int index = color & 0xFF;
  for (const SchemeColor& entry : kScheme) {
    if (entry.index != index) continue;
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) == nullptr)
      return entry.fallback;
    QColor c = QGuiApplication::palette().color(QPalette::Active, entry.role);
    return RGB(c.red(), c.green(), c.blue());
  }
  return RGB(192, 192, 192);
}
