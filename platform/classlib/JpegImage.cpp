#include "platform/classlib/JpegImage.h"

#include <QImage>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <vector>

#include <jpeglib.h>
#include <jerror.h>

#include "platform/classlib/Format.h"
#include "platform/classlib/QtBridge.h"
#include "platform/classlib/FileStream.h"
#include "platform/classlib/ResourceStream.h"
#include "platform/classlib/Stream.h"

namespace {

struct ErrorManager {
  jpeg_error_mgr base;
  std::jmp_buf jump;
};

void ErrorExit(j_common_ptr info) {
  auto* manager = reinterpret_cast<ErrorManager*>(info->err);
  std::longjmp(manager->jump, 1);
}

void OutputMessage(j_common_ptr) {}  // warnings stay quiet

// Decodes into Pixels (RGB, 3 bytes a pixel). Returns 0, or the libjpeg message code of the
// failure. Kept free of objects with destructors, since a failure leaves it by longjmp.
int Decode(const unsigned char* data, unsigned long size, std::vector<unsigned char>* pixels,
           int* width, int* height) {
  jpeg_decompress_struct info;
  ErrorManager errors;
  info.err = jpeg_std_error(&errors.base);
  errors.base.error_exit = ErrorExit;
  errors.base.output_message = OutputMessage;
  if (setjmp(errors.jump)) {
    int code = errors.base.msg_code;
    jpeg_destroy_decompress(&info);
    return code == 0 ? 1 : code;
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, data, size);
  jpeg_read_header(&info, TRUE);
  info.out_color_space = JCS_RGB;
  jpeg_start_decompress(&info);
  *width = int(info.output_width);
  *height = int(info.output_height);
  pixels->resize(size_t(info.output_width) * info.output_height * 3);
  while (info.output_scanline < info.output_height) {
    JSAMPROW row = pixels->data() + size_t(info.output_scanline) * info.output_width * 3;
    jpeg_read_scanlines(&info, &row, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  return 0;
}

}  // namespace

TJPEGImage::TJPEGImage() : FBitmap(std::make_unique<TBitmap>()) {}
TJPEGImage::~TJPEGImage() = default;

void TJPEGImage::Assign(TPersistent* Source) {
  if (auto* jpeg = dynamic_cast<TJPEGImage*>(Source)) {
    FBitmap->Assign(jpeg->FBitmap.get());
    return;
  }
  TPersistent::Assign(Source);
}

void TJPEGImage::LoadFromMemory(const void* data, size_t size) {
  std::vector<unsigned char> pixels;
  int width = 0, height = 0;
  // libjpeg reports an empty input as a warning-free end of file; refuse it up front.
  int code = size == 0 ? JERR_INPUT_EMPTY
                       : Decode(static_cast<const unsigned char*>(data), (unsigned long)size,
                                &pixels, &width, &height);
  if (code != 0) throw EInvalidGraphic(Format("JPEG error #%d", code));
  QImage image(width, height, kImageFormat);
  for (int y = 0; y < height; ++y) {
    const unsigned char* p = pixels.data() + size_t(y) * width * 3;
    for (int x = 0; x < width; ++x, p += 3) image.setPixel(x, y, qRgb(p[0], p[1], p[2]));
  }
  FBitmap->SetImage(image);
}

void TJPEGImage::LoadFromStream(TStream* stream) {
  int64_t size = stream->Size() - stream->Position();
  if (size < 0 || size > INT32_MAX)
    throw EInvalidGraphic(Format("JPEG error #%d", int(JERR_INPUT_EMPTY)));
  std::vector<char> bytes(static_cast<size_t>(size));
  stream->ReadBuffer(bytes.data(), int32_t(size));
  LoadFromMemory(bytes.data(), bytes.size());
}

void TJPEGImage::LoadFromResourceName(HINSTANCE instance, const std::string& name) {
  TResourceStream stream(instance, name, "JPEG");
  LoadFromStream(&stream);
}

void TJPEGImage::LoadFromFile(const std::string& fileName) {
  TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
  LoadFromStream(&stream);
}
