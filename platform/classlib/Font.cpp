#include "platform/classlib/Font.h"

void TFont::SetName(const std::string& value) {
  if (value == FName) return;
  FName = value;
  Changed();
}

void TFont::SetSize(int points) {
  if (points == FSize) return;
  FSize = points;
  Changed();
}

int TFont::Height() const { return -(FSize * PixelsPerInch + 36) / 72; }

void TFont::SetHeight(int pixels) {
  int pixelsAbs = pixels < 0 ? -pixels : pixels;
  SetSize((pixelsAbs * 72 + PixelsPerInch / 2) / PixelsPerInch);
}

void TFont::SetColor(TColor value) {
  if (value == FColor) return;
  FColor = value;
  Changed();
}

void TFont::SetStyle(TFontStyles value) {
  if (value == FStyle) return;
  FStyle = value;
  Changed();
}

bool TFont::SameAs(const TFont& other) const {
  return FName == other.FName && FSize == other.FSize && FColor == other.FColor &&
         FStyle == other.FStyle && FCharset == other.FCharset;
}

void TFont::Assign(TPersistent* Source) {
  if (auto* font = dynamic_cast<TFont*>(Source)) {
    if (SameAs(*font)) return;
    FName = font->FName;
    FSize = font->FSize;
    FColor = font->FColor;
    FStyle = font->FStyle;
    FCharset = font->FCharset;
    Changed();
    return;
  }
  TPersistent::Assign(Source);
}

void TFont::Changed() {
  if (OnChange) OnChange();
}
