// A font as the forms ask for it: a face name ("MS Sans Serif", "Verdana"), a size in points
// (or a height in pixels, negative for the character height), a colour and a style.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/classlib/Colors.h"
#include "platform/classlib/Persistent.h"

enum TFontStyle : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
using TFontStyles = uint8_t;  // fsBold | fsItalic ...

enum TFontCharset : uint8_t { ANSI_CHARSET = 0, DEFAULT_CHARSET = 1 };

class TFont : public TPersistent {
 public:
  // Screen resolution that turns points into pixels.
  static constexpr int PixelsPerInch = 96;

  const std::string& Name() const { return FName; }
  void SetName(const std::string& value);
  int Size() const { return FSize; }
  void SetSize(int points);
  // Height in pixels: negative gives the character height (the form files' -11 for 8 points).
  int Height() const;
  void SetHeight(int pixels);
  TColor Color() const { return FColor; }
  void SetColor(TColor value);
  TFontStyles Style() const { return FStyle; }
  void SetStyle(TFontStyles value);
  TFontCharset Charset() const { return FCharset; }
  void SetCharset(TFontCharset value) { FCharset = value; }

  void Assign(TPersistent* Source) override;
  bool SameAs(const TFont& other) const;

  // Called after every change; the control that owns the font applies it.
  std::function<void()> OnChange;

 private:
  void Changed();

  std::string FName = "MS Sans Serif";
  int FSize = 8;
  TColor FColor = clWindowText;
  TFontStyles FStyle = 0;
  TFontCharset FCharset = DEFAULT_CHARSET;
};
