// A picture of some format that can draw itself on a canvas.
#pragma once

#include <string>

#include "platform/classlib/Persistent.h"
#include "platform/classlib/Rect.h"

class TCanvas;

class TGraphic : public TPersistent {
 public:
  virtual int Width() const = 0;
  virtual int Height() const = 0;
  virtual bool Empty() const { return Width() == 0 || Height() == 0; }
  virtual void Draw(TCanvas* canvas, const TRect& rect) = 0;
  virtual void LoadFromFile(const std::string& fileName) = 0;
};

#include "platform/classlib/Exception.h"

// Picture data that cannot be read ("Bitmap image is not valid", "JPEG error #%d").
class EInvalidGraphic : public Exception {
 public:
  using Exception::Exception;
};
