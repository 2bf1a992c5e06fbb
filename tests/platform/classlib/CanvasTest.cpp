// Drawing on a bitmap's canvas: fills, lines, raster operations, the focus rectangle.
#include "platform/classlib/Canvas.h"

#include <gtest/gtest.h>

#include "platform/classlib/Bitmap.h"

namespace {

std::unique_ptr<TBitmap> Filled(int width, int height, TColor color) {
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetSize(width, height);
  bitmap->Canvas()->Brush()->SetColor(color);
  bitmap->Canvas()->FillRect(Rect(0, 0, width, height));
  return bitmap;
}

TEST(CanvasTest, RectanglesLeaveOutTheirRightAndBottomEdges) {
  auto bitmap = Filled(6, 6, clWhite);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Brush()->SetColor(clRed);
  canvas->FillRect(Rect(1, 1, 3, 4));
  EXPECT_EQ(canvas->Pixels(1, 1), clRed);
  EXPECT_EQ(canvas->Pixels(2, 3), clRed);
  EXPECT_EQ(canvas->Pixels(3, 3), clWhite);
  EXPECT_EQ(canvas->Pixels(2, 4), clWhite);
  EXPECT_EQ(canvas->Pixels(6, 0), -1);
  EXPECT_EQ(canvas->Pixels(-1, 0), -1);
}

TEST(CanvasTest, LinesLeaveOutTheirEndPoint) {
  auto bitmap = Filled(8, 8, clWhite);
  TCanvas* canvas = bitmap->Canvas();
  canvas->MoveTo(2, 1);
  canvas->LineTo(2, 5);
  for (int y = 1; y < 5; ++y) EXPECT_EQ(canvas->Pixels(2, y), clBlack) << y;
  EXPECT_EQ(canvas->Pixels(2, 5), clWhite);
  EXPECT_EQ(canvas->PenPos(), Point(2, 5));
  canvas->MoveTo(0, 0);
  canvas->LineTo(4, 4);
  EXPECT_EQ(canvas->Pixels(3, 3), clBlack);
  EXPECT_EQ(canvas->Pixels(4, 4), clWhite);
}

TEST(CanvasTest, CopyModesCombineSourceAndDestination) {
  const TColor source = RGB(0xF0, 0x0F, 0x55), destination = RGB(0x3C, 0x3C, 0xAA);
  struct Case {
    TCopyMode mode;
    TColor expected;
  } cases[] = {
      {cmSrcCopy, source},
      {cmSrcAnd, source & destination},
      {cmSrcPaint, source | destination},
      {cmSrcInvert, source ^ destination},
      {cmNotSrcCopy, ~source & 0xFFFFFF},
      {cmSrcErase, source & ~destination & 0xFFFFFF},
      {cmMergePaint, (~source | destination) & 0xFFFFFF},
      {cmDstInvert, ~destination & 0xFFFFFF},
      {cmBlackness, clBlack},
      {cmWhiteness, clWhite},
  };
  for (const Case& c : cases) {
    auto from = Filled(4, 4, source);
    auto to = Filled(4, 4, destination);
    to->Canvas()->SetCopyMode(c.mode);
    to->Canvas()->CopyRect(Rect(1, 1, 3, 3), from->Canvas(), Rect(0, 0, 2, 2));
    EXPECT_EQ(to->Canvas()->Pixels(1, 1), c.expected) << std::hex << c.mode;
    EXPECT_EQ(to->Canvas()->Pixels(0, 0), destination);
    EXPECT_EQ(to->Canvas()->Pixels(3, 3), destination);
  }
}

TEST(CanvasTest, CopiesAreClippedToBothPictures) {
  auto from = Filled(3, 3, clRed);
  auto to = Filled(5, 5, clWhite);
  // Partly outside the source and the destination: only the overlap is copied.
  to->Canvas()->CopyRect(Rect(3, 3, 9, 9), from->Canvas(), Rect(-1, -1, 5, 5));
  EXPECT_EQ(to->Canvas()->Pixels(3, 3), clWhite);  // source pixel (-1, -1) does not exist
  EXPECT_EQ(to->Canvas()->Pixels(4, 4), clRed);
  to->Canvas()->CopyRect(Rect(-100, -100, -90, -90), from->Canvas(), Rect(0, 0, 10, 10));
  EXPECT_EQ(to->Canvas()->Pixels(0, 0), clWhite);
}

TEST(CanvasTest, CopyOntoItselfReadsTheSourceFirst) {
  auto bitmap = Filled(4, 1, clWhite);
  bitmap->Canvas()->SetPixels(0, 0, clRed);
  bitmap->Canvas()->SetPixels(1, 0, clBlue);
  bitmap->Canvas()->CopyRect(Rect(1, 0, 3, 1), bitmap->Canvas(), Rect(0, 0, 2, 1));
  EXPECT_EQ(bitmap->Canvas()->Pixels(1, 0), clRed);
  EXPECT_EQ(bitmap->Canvas()->Pixels(2, 0), clBlue);
}

TEST(CanvasTest, FocusRectangleInvertsEverySecondPixelAndUndoesItself) {
  auto bitmap = Filled(10, 8, clWhite);
  TCanvas* canvas = bitmap->Canvas();
  canvas->DrawFocusRect(Rect(2, 2, 8, 6));
  EXPECT_EQ(canvas->Pixels(2, 2), clBlack);
  EXPECT_EQ(canvas->Pixels(3, 2), clWhite);
  EXPECT_EQ(canvas->Pixels(4, 2), clBlack);
  EXPECT_EQ(canvas->Pixels(4, 4), clWhite);  // inside stays
  canvas->DrawFocusRect(Rect(2, 2, 8, 6));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(canvas->Pixels(x, y), clWhite) << x << "," << y;
}

TEST(CanvasTest, RectangleOutlinesWithThePenAndFillsWithTheBrush) {
  auto bitmap = Filled(6, 6, clWhite);
  TCanvas* canvas = bitmap->Canvas();
  canvas->Pen()->SetColor(clBlue);
  canvas->Brush()->SetColor(clYellow);
  canvas->Rectangle(0, 0, 5, 5);
  EXPECT_EQ(canvas->Pixels(0, 0), clBlue);
  EXPECT_EQ(canvas->Pixels(4, 4), clBlue);
  EXPECT_EQ(canvas->Pixels(2, 2), clYellow);
  EXPECT_EQ(canvas->Pixels(5, 5), clWhite);
}

}  // namespace
