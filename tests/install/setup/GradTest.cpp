// The gradient painter on images of chosen sizes.
#include "install/setup/Grad.h"

#include <gtest/gtest.h>

#include "platform/classlib/Application.h"
#include "platform/classlib/Image.h"

namespace {

struct GradCase {
  const char* Name;
  int Count;
  uint8_t Direction;
  int Width, Height;
  TColor Start, End;
  // Expected colour of a few pixels.
  struct Pixel {
    int X, Y;
    TColor Color;
  };
  std::vector<Pixel> Pixels;
};

class GradTest : public testing::TestWithParam<GradCase> {
 protected:
  void SetUp() override { Application->Initialize(); }
};

TEST_P(GradTest, PaintsItsBands) {
  const GradCase& c = GetParam();
  TImage image(nullptr);
  image.SetBounds(0, 0, c.Width, c.Height);
  TGrad grad;
  grad.SetCount(c.Count);
  grad.SetDirection(c.Direction, c.Direction == 0 ? c.Width : c.Height);
  grad.StartColor = c.Start;
  grad.EndColor = c.End;
  grad.Prepare();
  EXPECT_EQ(grad.Paint(&image), &image);
  TCanvas* canvas = image.Canvas();
  for (const auto& pixel : c.Pixels)
    EXPECT_EQ(canvas->Pixels(pixel.X, pixel.Y), pixel.Color) << pixel.X << ", " << pixel.Y;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, GradTest,
    testing::Values(
        // Setup's own: 256 bands from black to white, 3 rows each on 768 rows.
        GradCase{"BlackToWhite768",
                 256,
                 1,
                 4,
                 768,
                 clBlack,
                 clWhite,
                 {{0, 0, RGB(0, 0, 0)},
                  {3, 2, RGB(0, 0, 0)},
                  {0, 3, RGB(1, 1, 1)},
                  {0, 767, RGB(255, 255, 255)},
                  {2, 384, RGB(128, 128, 128)}}},
        // 600 rows: Step 2.34375, bands of 2 or 3 rows from the carried position.
        GradCase{"BlackToWhite600",
                 256,
                 1,
                 2,
                 600,
                 clBlack,
                 clWhite,
                 {{0, 0, RGB(0, 0, 0)},
                  {0, 1, RGB(0, 0, 0)},
                  {0, 2, RGB(1, 1, 1)},
                  {0, 3, RGB(1, 1, 1)},
                  {0, 4, RGB(2, 2, 2)},
                  {0, 6, RGB(2, 2, 2)},
                  {0, 597, RGB(255, 255, 255)},
                  {0, 599, RGB(255, 255, 255)}}},
        GradCase{"EqualColours",
                 256,
                 1,
                 2,
                 512,
                 RGB(10, 20, 30),
                 RGB(10, 20, 30),
                 {{0, 0, RGB(10, 20, 30)}, {1, 300, RGB(10, 20, 30)}, {0, 511, RGB(10, 20, 30)}}},
        // Red falls, green rises to 100 and keeps it, blue stays.
        GradCase{"ChannelsOfTheirOwn",
                 256,
                 1,
                 1,
                 256,
                 RGB(200, 0, 7),
                 RGB(50, 100, 7),
                 {{0, 0, RGB(200, 0, 7)},
                  {0, 100, RGB(100, 100, 7)},
                  {0, 150, RGB(50, 100, 7)},
                  {0, 255, RGB(50, 100, 7)}}},
        // Fewer rows than bands: some bands cover no row, the colour still moves once a band.
        GradCase{"FewerRowsThanBands",
                 256,
                 1,
                 1,
                 128,
                 clBlack,
                 clWhite,
                 {{0, 0, RGB(1, 1, 1)}, {0, 1, RGB(3, 3, 3)}, {0, 127, RGB(255, 255, 255)}}},
        // Direction 0: stripes across the width, each from top to bottom.
        GradCase{"VerticalStripes",
                 256,
                 0,
                 512,
                 3,
                 clBlack,
                 clWhite,
                 {{0, 0, RGB(0, 0, 0)},
                  {1, 2, RGB(0, 0, 0)},
                  {2, 1, RGB(1, 1, 1)},
                  {511, 0, RGB(255, 255, 255)}}},
        // 3 bands move by 85 and stop on the end value instead of passing it.
        GradCase{"IncrementStopsOnTheEnd",
                 3,
                 1,
                 1,
                 3,
                 RGB(0, 255, 0),
                 RGB(100, 0, 0),
                 {{0, 0, RGB(0, 255, 0)}, {0, 1, RGB(85, 170, 0)}, {0, 2, RGB(100, 85, 0)}}}),
    [](const testing::TestParamInfo<GradCase>& info) { return std::string(info.param.Name); });

TEST(GradSetters, CountSetsTheIncrementAndTheExtentTheStep) {
  TGrad grad;
  EXPECT_EQ(grad.Count, 0);
  EXPECT_EQ(grad.Step, 0.0);
  for (auto [count, increment] :
       {std::pair{1, 256}, {2, 128}, {3, 85}, {255, 1}, {256, 1}, {1000, 1}}) {
    grad.SetCount(count);
    EXPECT_EQ(grad.Increment, increment) << count;
  }
  grad.SetCount(256);
  grad.SetDirection(1, 600);
  EXPECT_EQ(grad.Direction, 1);
  EXPECT_DOUBLE_EQ(grad.Step, 2.34375);
  // A count set afterwards leaves the step as it was.
  grad.SetCount(2);
  EXPECT_DOUBLE_EQ(grad.Step, 2.34375);
  grad.SetSigns(-5, 0, 9);
  EXPECT_EQ(grad.RedSign, -1);
  EXPECT_EQ(grad.GreenSign, 0);
  EXPECT_EQ(grad.BlueSign, 1);
}

TEST(GradSetters, NoBandsOrAnotherDirectionPaintNothing) {
  Application->Initialize();
  for (auto [count, direction] : {std::pair{0, 1}, {-3, 1}, {256, 2}}) {
    TImage image(nullptr);
    image.SetBounds(0, 0, 4, 4);
    image.Canvas()->Brush()->SetColor(clRed);
    image.Canvas()->FillRect(Rect(0, 0, 4, 4));
    TGrad grad;
    grad.SetCount(count);
    grad.SetDirection(static_cast<uint8_t>(direction), 4);
    grad.StartColor = clBlack;
    grad.EndColor = clWhite;
    grad.Prepare();
    grad.Paint(&image);
    EXPECT_EQ(image.Canvas()->Pixels(2, 2), clRed) << count << " " << direction;
  }
}

}  // namespace
