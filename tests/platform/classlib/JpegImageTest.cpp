// JPEG pictures decoded with libjpeg, from pictures this test encodes itself.
#include "platform/classlib/JpegImage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

#include "platform/classlib/FileStream.h"
#include "platform/classlib/Picture.h"

namespace {

// A width x height picture, red on the left half and blue on the right, as JPEG data.
std::vector<unsigned char> EncodeHalves(int width, int height) {
  jpeg_compress_struct info;
  jpeg_error_mgr errors;
  info.err = jpeg_std_error(&errors);
  jpeg_create_compress(&info);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&info, &buffer, &size);
  info.image_width = JDIMENSION(width);
  info.image_height = JDIMENSION(height);
  info.input_components = 3;
  info.in_color_space = JCS_RGB;
  jpeg_set_defaults(&info);
  jpeg_set_quality(&info, 95, TRUE);
  jpeg_start_compress(&info, TRUE);
  std::vector<unsigned char> row(size_t(width) * 3);
  for (int x = 0; x < width; ++x) {
    bool left = x < width / 2;
    row[size_t(x) * 3] = left ? 255 : 0;
    row[size_t(x) * 3 + 1] = 0;
    row[size_t(x) * 3 + 2] = left ? 0 : 255;
  }
  while (info.next_scanline < info.image_height) {
    JSAMPROW line = row.data();
    jpeg_write_scanlines(&info, &line, 1);
  }
  jpeg_finish_compress(&info);
  jpeg_destroy_compress(&info);
  std::vector<unsigned char> data(buffer, buffer + size);
  std::free(buffer);
  return data;
}

bool Near(TColor color, int red, int green, int blue) {
  return std::abs(GetRValue(color) - red) < 24 && std::abs(GetGValue(color) - green) < 24 &&
         std::abs(GetBValue(color) - blue) < 24;
}

TEST(JpegImageTest, DecodesIntoABitmap) {
  auto data = EncodeHalves(32, 16);
  TJPEGImage jpeg;
  jpeg.LoadFromMemory(data.data(), data.size());
  EXPECT_EQ(jpeg.Width(), 32);
  EXPECT_EQ(jpeg.Height(), 16);
  EXPECT_TRUE(Near(jpeg.Bitmap()->Canvas()->Pixels(2, 8), 255, 0, 0));
  EXPECT_TRUE(Near(jpeg.Bitmap()->Canvas()->Pixels(29, 8), 0, 0, 255));
}

TEST(JpegImageTest, BrokenDataRaisesTheJpegError) {
  auto data = EncodeHalves(16, 16);
  std::vector<std::vector<unsigned char>> broken = {
      {},
      {0x00, 0x01, 0x02},
      std::vector<unsigned char>(data.begin(), data.begin() + 2),
  };
  for (const auto& bytes : broken) {
    TJPEGImage jpeg;
    try {
      jpeg.LoadFromMemory(bytes.data(), bytes.size());
      ADD_FAILURE() << bytes.size() << " bytes accepted";
    } catch (const EInvalidGraphic& error) {
      EXPECT_EQ(error.Message().rfind("JPEG error #", 0), 0u) << error.Message();
    }
  }
}

TEST(JpegImageTest, PictureLoadsByExtension) {
  auto data = EncodeHalves(8, 8);
  std::string path = ::testing::TempDir() + "picture_test.jpg";
  FILE* file = std::fopen(path.c_str(), "wb");
  ASSERT_NE(file, nullptr);
  std::fwrite(data.data(), 1, data.size(), file);
  std::fclose(file);
  TFileStream stream(path, fmOpenRead | fmShareDenyWrite);
  TJPEGImage fromStream;
  fromStream.LoadFromStream(&stream);
  EXPECT_EQ(fromStream.Width(), 8);

  TPicture picture;
  int changes = 0;
  picture.OnChange = [&] { ++changes; };
  picture.LoadFromFile(path);
  EXPECT_NE(dynamic_cast<TJPEGImage*>(picture.Graphic()), nullptr);
  EXPECT_EQ(picture.Width(), 8);
  EXPECT_EQ(changes, 1);
  // Asking for the bitmap of a JPEG picture replaces it with an empty bitmap.
  EXPECT_TRUE(picture.Bitmap()->Empty());
  EXPECT_THROW(picture.LoadFromFile(::testing::TempDir() + "picture.gif"), EInvalidGraphic);
  std::remove(path.c_str());
}

}  // namespace
