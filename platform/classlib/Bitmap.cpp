#include "platform/classlib/Bitmap.h"

#include <QImage>
#include <QPainter>

#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/classlib/Format.h"
#include "platform/classlib/QtBridge.h"
#include "platform/classlib/FileStream.h"
#include "platform/classlib/Stream.h"

struct TBitmap::Impl {
  QImage image;
  TCanvas canvas;
};

namespace {

uint32_t Read32(const uint8_t* p) {
  return p[0] | (p[1] << 8) | (p[2] << 16) | (uint32_t(p[3]) << 24);
}
uint16_t Read16(const uint8_t* p) { return uint16_t(p[0] | (p[1] << 8)); }

[[noreturn]] void InvalidBitmap() { throw EInvalidGraphic("Bitmap image is not valid"); }

// Decodes a BMP information header, its colour table and its pixels (uncompressed, 1, 4, 8,
// 24 or 32 bits per pixel).
QImage DecodeDib(const uint8_t* data, size_t size, size_t pixelOffset) {
  if (size < 40) InvalidBitmap();
  uint32_t headerSize = Read32(data);
  if (headerSize < 40 || headerSize > size) InvalidBitmap();
  int32_t width = int32_t(Read32(data + 4));
  int32_t height = int32_t(Read32(data + 8));
  uint16_t bits = Read16(data + 14);
  uint32_t compression = Read32(data + 16);
  uint32_t usedColors = Read32(data + 32);
  bool topDown = height < 0;
  if (height == INT32_MIN) InvalidBitmap();
  if (topDown) height = -height;
  if (width <= 0 || height <= 0 || width > 32768 || height > 32768) InvalidBitmap();
  if (compression != 0 && !(compression == 3 && (bits == 32 || bits == 16))) InvalidBitmap();
  if (bits != 1 && bits != 4 && bits != 8 && bits != 24 && bits != 32) InvalidBitmap();

  std::vector<QRgb> palette;
  size_t paletteOffset = headerSize + (compression == 3 && headerSize == 40 ? 12 : 0);
  if (bits <= 8) {
    size_t count = usedColors ? usedColors : (size_t(1) << bits);
    if (count > 256 || paletteOffset + count * 4 > size) InvalidBitmap();
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* entry = data + paletteOffset + i * 4;
      palette.push_back(qRgb(entry[2], entry[1], entry[0]));
    }
  }
  if (pixelOffset == 0) pixelOffset = paletteOffset + palette.size() * 4;
  size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
  if (pixelOffset > size || stride * height > size - pixelOffset) InvalidBitmap();

  QImage image(width, height, kImageFormat);
  for (int row = 0; row < height; ++row) {
    const uint8_t* line = data + pixelOffset + stride * row;
    int y = topDown ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      QRgb pixel;
      if (bits == 24 || bits == 32) {
        const uint8_t* p = line + x * (bits / 8);
        pixel = qRgb(p[2], p[1], p[0]);
      } else {
        int perByte = 8 / bits;
        int shift = 8 - bits * (x % perByte + 1);
        size_t index = (line[x / perByte] >> shift) & ((1 << bits) - 1);
        if (index >= palette.size()) InvalidBitmap();
        pixel = palette[index];
      }
      image.setPixel(x, y, pixel);
    }
  }
  return image;
}

std::vector<uint8_t> EncodeBmp(const QImage& image) {
  int width = image.width(), height = image.height();
  size_t stride = ((size_t(width) * 24 + 31) / 32) * 4;
  size_t pixels = stride * height;
  std::vector<uint8_t> out(54 + pixels, 0);
  auto put32 = [&out](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
  };
  out[0] = 'B';
  out[1] = 'M';
  put32(2, uint32_t(out.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, uint32_t(width));
  put32(22, uint32_t(height));
  out[26] = 1;
  out[28] = 24;
  put32(34, uint32_t(pixels));
  for (int y = 0; y < height; ++y) {
    uint8_t* line = out.data() + 54 + stride * (height - 1 - y);
    for (int x = 0; x < width; ++x) {
      QRgb p = image.pixel(x, y);
      line[x * 3] = uint8_t(qBlue(p));
      line[x * 3 + 1] = uint8_t(qGreen(p));
      line[x * 3 + 2] = uint8_t(qRed(p));
    }
  }
  return out;
}

}  // namespace

TBitmap::TBitmap() : FImpl(std::make_unique<Impl>()) { FImpl->canvas.SetTarget(&FImpl->image); }

TBitmap::~TBitmap() = default;

int TBitmap::Width() const { return FImpl->image.width(); }
int TBitmap::Height() const { return FImpl->image.height(); }
void TBitmap::SetWidth(int value) { SetSize(value, Height()); }
void TBitmap::SetHeight(int value) { SetSize(Width(), value); }

void TBitmap::SetSize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  if (width == Width() && height == Height()) return;
  QImage resized;
  if (width > 0 && height > 0) {
    resized = QImage(width, height, kImageFormat);
    resized.fill(Qt::white);
    if (!FImpl->image.isNull()) {
      QPainter painter(&resized);
      painter.drawImage(0, 0, FImpl->image);
    }
  }
  FImpl->image = resized;
}

TCanvas* TBitmap::Canvas() { return &FImpl->canvas; }

void TBitmap::SetMonochrome(bool value) {
  if (value == FMonochrome) return;
  FMonochrome = value;
  if (!value) return;
  QImage& image = FImpl->image;
  const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, (image.pixel(x, y) & 0xFFFFFF) == 0xFFFFFF ? white : black);
}

void TBitmap::Mask(TColor key) {
  QImage& image = FImpl->image;
  QRgb keyPixel = ColorToPixel(key) & 0xFFFFFF;
  const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0);
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      image.setPixel(x, y, (image.pixel(x, y) & 0xFFFFFF) == keyPixel ? white : black);
  FMonochrome = true;
}

TColor TBitmap::TransparentColor() const {
  if (FTransparentMode == tmFixed && FTransparentColor != clDefault) return FTransparentColor;
  if (FMonochrome) return clWhite;
  if (FImpl->image.isNull()) return clDefault;
  return PixelToColor(FImpl->image.pixel(0, Height() - 1));
}

void TBitmap::SetTransparentColor(TColor value) {
  FTransparentColor = value;
  FTransparentMode = value == clDefault ? tmAuto : tmFixed;
}

void TBitmap::Assign(TPersistent* Source) {
  if (Source == this) return;
  if (auto* bitmap = dynamic_cast<TBitmap*>(Source)) {
    FImpl->image = bitmap->FImpl->image.copy();
    FMonochrome = bitmap->FMonochrome;
    FTransparent = bitmap->FTransparent;
    FTransparentMode = bitmap->FTransparentMode;
    FTransparentColor = bitmap->FTransparentColor;
    return;
  }
  if (Source == nullptr) {
    FImpl->image = QImage();
    return;
  }
  TPersistent::Assign(Source);
}

void TBitmap::Draw(TCanvas* canvas, const TRect& rect) {
  QImage* target = canvas->Target();
  if (!target || FImpl->image.isNull()) return;
  QImage picture = FImpl->image;
  if (rect.Width() != Width() || rect.Height() != Height())
    picture = picture.scaled(rect.Width(), rect.Height());
  if (FTransparent) {
    QRgb key = ColorToPixel(TransparentColor()) & 0xFFFFFF;
    for (int y = 0; y < picture.height(); ++y)
      for (int x = 0; x < picture.width(); ++x) {
        QRgb p = picture.pixel(x, y);
        int tx = rect.Left + x, ty = rect.Top + y;
        if ((p & 0xFFFFFF) != key && target->valid(tx, ty)) target->setPixel(tx, ty, p);
      }
    return;
  }
  QPainter painter(target);
  painter.drawImage(rect.Left, rect.Top, picture);
}

void TBitmap::LoadFromMemory(const void* data, size_t size) {
  auto bytes = static_cast<const uint8_t*>(data);
  if (size >= 14 && bytes[0] == 'B' && bytes[1] == 'M') {
    uint32_t offset = Read32(bytes + 10);
    if (offset < 14) InvalidBitmap();
    FImpl->image = DecodeDib(bytes + 14, size - 14, offset - 14);
  } else {
    FImpl->image = DecodeDib(bytes, size, 0);
  }
  FMonochrome = false;
}

void TBitmap::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}

void TBitmap::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  if (size < 0 || size > INT32_MAX) InvalidBitmap();
  std::vector<char> bytes(static_cast<size_t>(size));
  stream->ReadBuffer(bytes.data(), int32_t(size));
  LoadFromMemory(bytes.data(), bytes.size());
}

void TBitmap::SaveToFile(const std::string& fileName) const {
  std::vector<uint8_t> bytes = EncodeBmp(FImpl->image);
  TFileStream stream(fileName, fmCreate);
  stream.WriteBuffer(bytes.data(), int32_t(bytes.size()));
}

QImage& TBitmap::Image() { return FImpl->image; }
const QImage& TBitmap::Image() const { return FImpl->image; }

void TBitmap::SetImage(const QImage& image) {
  FImpl->image = image.convertToFormat(kImageFormat);
  FMonochrome = false;
}

QImage TransparentImage(const TBitmap& bitmap, TColor key) {
  QImage image = bitmap.Image().convertToFormat(QImage::Format_ARGB32);
  QRgb keyPixel = ColorToPixel(key) & 0xFFFFFF;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if ((image.pixel(x, y) & 0xFFFFFF) == keyPixel) image.setPixel(x, y, 0);
  return image;
}
