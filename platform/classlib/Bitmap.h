// A bitmap picture in memory with its own canvas. Pictures are read from BMP data (files,
// memory, the program's bitmap resources); a bitmap may be monochrome (black and white only)
// and may name a colour that drawing leaves transparent.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/classlib/Canvas.h"
#include "platform/classlib/Colors.h"
#include "platform/classlib/Graphic.h"
#include "platform/win32/Types.h"

class QImage;
class TStream;

enum TTransparentMode : uint8_t { tmAuto, tmFixed };

class TBitmap : public TGraphic {
 public:
  TBitmap();
  ~TBitmap() override;

  int Width() const override;
  int Height() const override;
  void SetWidth(int value);
  void SetHeight(int value);
  // Keeps the pixels that still fit; new pixels are white.
  void SetSize(int width, int height);

  TCanvas* Canvas();

  bool Monochrome() const { return FMonochrome; }
  // Monochrome keeps white pixels white and turns every other pixel black.
  void SetMonochrome(bool value);
  // Turns the bitmap into a monochrome mask: white where a pixel has Key, black elsewhere.
  void Mask(TColor key);

  bool Transparent() const { return FTransparent; }
  void SetTransparent(bool value) { FTransparent = value; }
  TTransparentMode TransparentMode() const { return FTransparentMode; }
  void SetTransparentMode(TTransparentMode value) { FTransparentMode = value; }
  // The colour set with SetTransparentColor, else the bottom-left pixel's (white for a
  // monochrome bitmap).
  TColor TransparentColor() const;
  // Fixes the transparent colour (clDefault goes back to the bottom-left pixel).
  void SetTransparentColor(TColor value);

  void Assign(TPersistent* Source) override;
  void Draw(TCanvas* canvas, const TRect& rect) override;

  // BMP data with or without its 14-byte file header.
  void LoadFromMemory(const void* data, size_t size);
  void LoadFromFile(const std::string& fileName) override;
  // BMP data from the stream's position to its end.
  void LoadFromStream(TStream* stream);
  void SaveToFile(const std::string& fileName) const;
  // The bitmap resource of that name linked into the program.
  void LoadFromResourceName(HINSTANCE instance, const std::string& name);

  // The pixels (class library internal).
  QImage& Image();
  const QImage& Image() const;
  void SetImage(const QImage& image);

 private:
  struct Impl;
  std::unique_ptr<Impl> FImpl;
  bool FMonochrome = false;
  bool FTransparent = false;
  TTransparentMode FTransparentMode = tmAuto;
  TColor FTransparentColor = clDefault;
};
