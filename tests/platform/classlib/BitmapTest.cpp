// Bitmaps: BMP data of the usual depths, transparency, masks, files and resources.
#include "platform/classlib/Bitmap.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/classlib/ResourceStream.h"
#include "platform/classlib/Stream.h"
#include "tests/support/TempFolder.h"

namespace {

void Put32(std::vector<uint8_t>& out, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) out[at + i] = uint8_t(v >> (8 * i));
}

// A BMP file: header, information header, palette (BGRA entries), rows as given (already in
// file order, padded by this helper).
std::vector<uint8_t> Bmp(int width, int height, int bits, const std::vector<uint32_t>& palette,
                         const std::vector<std::vector<uint8_t>>& rows, bool fileHeader = true) {
  size_t stride = ((size_t(width) * bits + 31) / 32) * 4;
  size_t offset = 14 + 40 + palette.size() * 4;
  std::vector<uint8_t> out(offset + stride * rows.size(), 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, uint32_t(out.size()));
  Put32(out, 10, uint32_t(offset));
  Put32(out, 14, 40);
  Put32(out, 18, uint32_t(width));
  Put32(out, 22, uint32_t(height));
  out[26] = 1;
  out[28] = uint8_t(bits);
  Put32(out, 46, uint32_t(palette.size()));
  for (size_t i = 0; i < palette.size(); ++i) Put32(out, 54 + i * 4, palette[i]);
  for (size_t r = 0; r < rows.size(); ++r)
    std::copy(rows[r].begin(), rows[r].end(), out.begin() + long(offset + r * stride));
  if (!fileHeader) out.erase(out.begin(), out.begin() + 14);
  return out;
}

TEST(BitmapTest, ReadsTheUsualDepths) {
  struct Case {
    const char* name;
    std::vector<uint8_t> data;
  } cases[] = {
      // Bottom-up rows: the first row in the file is the picture's bottom row.
      {"24 bits", Bmp(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}})},
      {"32 bits top-down",
       [] {
         auto data =
             Bmp(2, 2, 32, {}, {{255, 0, 0, 0, 255, 255, 255, 0}, {0, 0, 255, 0, 0, 255, 0, 0}});
         Put32(data, 22, uint32_t(-2));
         return data;
       }()},
      {"8 bits", Bmp(2, 2, 8, {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FFFFFF}, {{2, 1}, {0, 3}})},
      {"4 bits", Bmp(2, 2, 4, {0x000000FF, 0x0000FF00, 0x00FF0000, 0x00FFFFFF}, {{0x21}, {0x03}})},
      {"without file header",
       Bmp(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}, false)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TBitmap bitmap;
    bitmap.LoadFromMemory(c.data.data(), c.data.size());
    ASSERT_EQ(bitmap.Width(), 2);
    ASSERT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clBlue);
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 0), clWhite);
    EXPECT_EQ(bitmap.Canvas()->Pixels(0, 1), clRed);
    EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clLime);
  }
}

TEST(BitmapTest, OneBitPicturesUseTheirPalette) {
  auto data = Bmp(3, 1, 1, {0x00000000, 0x00FFFFFF}, {{0xA0}});
  TBitmap bitmap;
  bitmap.LoadFromMemory(data.data(), data.size());
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 0), clBlack);
  EXPECT_EQ(bitmap.Canvas()->Pixels(2, 0), clWhite);
}

TEST(BitmapTest, RefusesBrokenData) {
  std::vector<std::vector<uint8_t>> broken = {
      {},
      {'B', 'M', 1, 2, 3},
      Bmp(2, 2, 24, {}, {{0, 0, 255, 0, 255, 0}}),  // rows missing
      Bmp(2, 1, 8, {0x00FFFFFF}, {{0, 7}}),         // index beyond the palette
      [] {
        auto data = Bmp(2, 2, 24, {}, {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}});
        Put32(data, 18, 0x7FFFFFFF);  // absurd width
        return data;
      }(),
      [] {
        auto data = Bmp(2, 2, 24, {}, {{0, 0, 0, 0, 0, 0}, {0, 0, 0, 0, 0, 0}});
        Put32(data, 22, 0x80000000);  // a height that has no positive counterpart
        return data;
      }(),
  };
  for (const auto& data : broken) {
    TBitmap bitmap;
    try {
      bitmap.LoadFromMemory(data.data(), data.size());
      ADD_FAILURE() << "accepted " << data.size() << " bytes";
    } catch (const EInvalidGraphic& error) {
      EXPECT_EQ(error.Message(), "Bitmap image is not valid");
    }
  }
}

TEST(BitmapTest, TransparentColourIsFixedOrTheBottomLeftPixel) {
  TBitmap bitmap;
  bitmap.SetSize(3, 3);
  bitmap.Canvas()->SetPixels(0, 2, clFuchsia);
  EXPECT_EQ(bitmap.TransparentColor(), clFuchsia);
  bitmap.SetTransparentColor(clRed);
  EXPECT_EQ(bitmap.TransparentMode(), tmFixed);
  EXPECT_EQ(bitmap.TransparentColor(), clRed);
  bitmap.SetTransparentColor(clDefault);
  EXPECT_EQ(bitmap.TransparentColor(), clFuchsia);
  bitmap.SetMonochrome(true);
  EXPECT_EQ(bitmap.TransparentColor(), clWhite);
}

TEST(BitmapTest, MaskIsWhiteWhereTheKeyIs) {
  TBitmap bitmap;
  bitmap.SetSize(2, 1);
  bitmap.Canvas()->SetPixels(0, 0, clOlive);
  bitmap.Canvas()->SetPixels(1, 0, clWhite);
  bitmap.Mask(clOlive);
  EXPECT_TRUE(bitmap.Monochrome());
  EXPECT_EQ(bitmap.Canvas()->Pixels(0, 0), clWhite);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 0), clBlack);
}

TEST(BitmapTest, SizeChangesKeepThePixelsThatFit) {
  TBitmap bitmap;
  bitmap.SetSize(2, 2);
  bitmap.Canvas()->SetPixels(1, 1, clRed);
  bitmap.SetSize(4, 3);
  EXPECT_EQ(bitmap.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(bitmap.Canvas()->Pixels(3, 2), clWhite);
  bitmap.SetSize(-5, 3);
  EXPECT_TRUE(bitmap.Empty());
}

TEST(BitmapTest, FilesRoundTripAndMissingOnesFail) {
  const TempFolder folder;
  const std::filesystem::path& dir = folder.path();
  std::string path = (dir / "picture.bmp").string();
  TBitmap bitmap;
  bitmap.SetSize(5, 3);
  bitmap.Canvas()->SetPixels(4, 2, clNavy);
  bitmap.SaveToFile(path);
  TBitmap copy;
  copy.LoadFromFile(path);
  EXPECT_EQ(copy.Width(), 5);
  EXPECT_EQ(copy.Canvas()->Pixels(4, 2), clNavy);
  std::string missing = (dir / "missing.bmp").string();
  try {
    copy.LoadFromFile(missing);
    ADD_FAILURE();
  } catch (const EFOpenError& error) {
    EXPECT_EQ(error.Message(), "Cannot open file " + missing);
  }
}

TEST(BitmapTest, UnknownResourceIsReported) {
  TBitmap bitmap;
  try {
    bitmap.LoadFromResourceName(nullptr, "NO_SUCH_BITMAP");
    ADD_FAILURE();
  } catch (const EResNotFound& error) {
    EXPECT_EQ(error.Message(), "Resource NO_SUCH_BITMAP not found");
  }
}

}  // namespace
