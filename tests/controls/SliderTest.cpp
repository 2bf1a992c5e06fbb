// The slider's geometry, values, keys, paging, dragging and painting, with the built-in
// pictures linked into the test as the program's bitmap resources.
#include "controls/Slider.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/KeyboardState.h"

namespace {

class SliderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetColor(clWhite);
    form->SetBounds(0, 0, 300, 200);
    SetKeyboardShiftState({});
  }

  TSlider* NewSlider() {
    auto* slider = new TSlider(form.get());
    slider->SetParent(form.get());
    return slider;
  }

  // The options dialog's Slider1, with its form values in their stored order.
  TSlider* Slider1() {
    TSlider* slider = NewSlider();
    slider->SetBounds(72, 44, 177, 25);
    slider->SetNumThumbStates(1);
    slider->SetOptions({soShowPoints});
    slider->SetIncrement(1);
    slider->SetMinValue(0);
    slider->SetMaxValue(6);
    slider->SetValue(3);
    return slider;
  }

  // A horizontal slider 140 pixels wide with one picture per thumb: track length 129.
  TSlider* Track129(int minValue, int maxValue, int increment) {
    TSlider* slider = NewSlider();
    slider->SetNumThumbStates(1);
    slider->Rebuild();
    slider->SetIncrement(increment);
    slider->SetMaxValue(maxValue);
    slider->SetMinValue(minValue);
    return slider;
  }

  std::unique_ptr<TBitmap> Grab(TSlider* slider) {
    form->Show();
    auto picture = std::make_unique<TBitmap>();
    slider->GrabToBitmap(picture.get());
    return picture;
  }

  static void Press(TControl* control, UINT message, int x, int y, WPARAM keys) {
    control->Perform(message, keys, MAKELPARAM(x, y));
  }

  std::unique_ptr<TForm> form;
};

TEST_F(SliderTest, NewSliderHasTheConstructorsValues) {
  TSlider* slider = NewSlider();
  EXPECT_EQ(slider->Width(), 140);
  EXPECT_EQ(slider->Height(), 40);
  EXPECT_EQ(slider->MinValue(), 0);
  EXPECT_EQ(slider->MaxValue(), 100);
  EXPECT_EQ(slider->Increment(), 10);
  EXPECT_EQ(slider->Value(), 0);
  EXPECT_EQ(slider->EdgeSize(), 2);
  EXPECT_EQ(slider->Orientation(), soHorizontal);
  EXPECT_EQ(slider->Options(), (TSliderOptions{soShowFocus, soShowPoints, soSmooth}));
  EXPECT_TRUE(slider->TabStop());
  EXPECT_EQ(slider->UserImages(), 0);
  // The built-in thumb holds one picture, shown as the left half of a two-state bitmap.
  EXPECT_EQ(slider->NumThumbStates(), 2);
  EXPECT_EQ(slider->Thumb()->Width(), 4);
  EXPECT_EQ(slider->Thumb()->Height(), 17);
}

TEST_F(SliderTest, BuiltInPicturesHaveTheirSizesAndBackgrounds) {
  TSlider* slider = NewSlider();
  struct Case {
    int slot, width, height;
    TColor background;
  } cases[] = {
      {TSlider::HThumb, 9, 17, clFuchsia},        {TSlider::HRuler, 10, 10, clOlive},
      {TSlider::VThumb, 18, 9, clFuchsia},        {TSlider::VRuler, 8, 10, clOlive},
      {TSlider::VThumbPressed, 18, 9, clFuchsia}, {TSlider::HThumbPressed, 9, 17, clFuchsia},
  };
  for (const Case& c : cases) {
    TBitmap* picture = slider->Image(c.slot);
    SCOPED_TRACE(c.slot);
    EXPECT_EQ(picture->Width(), c.width);
    EXPECT_EQ(picture->Height(), c.height);
    EXPECT_EQ(picture->Canvas()->Pixels(0, c.height - 1), c.background);
    EXPECT_EQ(picture->TransparentColor(), c.background);
  }
  // The groove: grey, black, silver and white lines in rows 2 to 5 (horizontal) and
  // columns 2 to 5 (vertical), uniform between the two end pixels on each side.
  const TColor groove[] = {clGray, clBlack, clSilver, clWhite};
  for (int along = 2; along < 8; ++along)
    for (int i = 0; i < 4; ++i) {
      EXPECT_EQ(slider->ImageHRuler()->Canvas()->Pixels(along, 2 + i), groove[i]);
      EXPECT_EQ(slider->ImageVRuler()->Canvas()->Pixels(2 + i, along), groove[i]);
    }
}

TEST_F(SliderTest, Slider1Layout) {
  TSlider* slider = Slider1();
  EXPECT_EQ(slider->Ruler()->Width(), 175);
  EXPECT_EQ(slider->Ruler()->Height(), 10);
  EXPECT_EQ(slider->RulerPos(), Point(1, 1));
  EXPECT_EQ(slider->Thumb()->Width(), 9);
  EXPECT_EQ(slider->Thumb()->Height(), 17);
  EXPECT_EQ(slider->Thumb()->Top(), -5);
  EXPECT_EQ(slider->TrackLength(), 166);
  EXPECT_EQ(slider->Value(), 3);
  EXPECT_EQ(slider->Thumb()->Left(), 84);
  EXPECT_EQ(slider->PointsRect(), Rect(1, 12, 176, 24));
}

TEST_F(SliderTest, RulerKeepsTheEndsAndRepeatsTheMiddle) {
  TSlider* slider = Slider1();
  TBitmap* source = slider->ImageHRuler();
  TBitmap* ruler = slider->Ruler();
  // Ruler pixels 0 to 7 come from the picture's 0 to 7, 27 copies of its 2 to 7 fill 8 to
  // 169, and its 5 to 9 make 170 to 174.
  for (int x = 0; x < 175; ++x) {
    int from = x < 8 ? x : x < 170 ? 2 + (x - 8) % 6 : x - 165;
    for (int y = 0; y < 10; ++y)
      ASSERT_EQ(ruler->Canvas()->Pixels(x, y), source->Canvas()->Pixels(from, y)) << x << "," << y;
  }
}

TEST_F(SliderTest, ShortRulerHasNoEndStretch) {
  TSlider* slider = NewSlider();
  slider->SetWidth(9);  // ruler length 7, shorter than the picture's first 8 pixels
  ASSERT_EQ(slider->Ruler()->Width(), 7);
  for (int x = 0; x < 7; ++x)
    EXPECT_EQ(slider->Ruler()->Canvas()->Pixels(x, 3),
              slider->ImageHRuler()->Canvas()->Pixels(x, 3));
}

TEST_F(SliderTest, VerticalSlider) {
  TSlider* slider = NewSlider();
  slider->SetNumThumbStates(1);
  slider->SetOrientation(soVertical);
  slider->SetBounds(0, 0, 40, 140);
  EXPECT_EQ(slider->Thumb()->Width(), 18);
  EXPECT_EQ(slider->Thumb()->Height(), 9);
  EXPECT_EQ(slider->Thumb()->Left(), 1);
  EXPECT_EQ(slider->RulerPos(), Point(6, 1));
  EXPECT_EQ(slider->Ruler()->Width(), 8);
  EXPECT_EQ(slider->Ruler()->Height(), 138);
  EXPECT_EQ(slider->TrackLength(), 129);
  EXPECT_EQ(slider->PointsRect().Left, 20);
  EXPECT_EQ(slider->Thumb()->Top(), 130);  // Value 0 at the bottom
  slider->SetValue(100);
  EXPECT_EQ(slider->Thumb()->Top(), 1);
  slider->SetValue(50);
  slider->Perform(WM_KEYDOWN, VK_UP, 0);
  EXPECT_EQ(slider->Value(), 60);
  EXPECT_EQ(slider->OffsetToValue(slider->Thumb()->Top()), 60);
}

TEST_F(SliderTest, OffsetsRoundHalfToEven) {
  TSlider* slider = Track129(0, 6, 1);
  ASSERT_EQ(slider->TrackLength(), 129);
  struct Case {
    int value, left;
  } cases[] = {
      {0, 1}, {1, 23}, {2, 44}, {3, 65}, {4, 87}, {5, 109}, {6, 130},
  };
  // 21.5 gives 22, 64.5 gives 64, 107.5 gives 108.
  for (const Case& c : cases) {
    slider->SetValue(c.value);
    EXPECT_EQ(slider->Thumb()->Left(), c.left) << c.value;
    EXPECT_EQ(slider->ValueToOffset(c.value), c.left) << c.value;
  }
  // (p - m) x 6 / 129: 64.5 gives 64 -> the value 0 offset 65 is 3.0 exactly; 10.75 gives 11.
  slider->SetOptions({soSmooth});
  slider->SetMaxValue(258);
  EXPECT_EQ(slider->OffsetToValue(33), 64);  // 32 x 258 / 129 = 64
  slider->SetMaxValue(3);
  EXPECT_EQ(slider->OffsetToValue(44), 1);  // 43 x 3 / 129 = 1.0
  EXPECT_EQ(slider->OffsetToValue(65), 1);  // 1.488 -> 1
  EXPECT_EQ(slider->OffsetToValue(66), 2);  // 1.511 -> 2
}

TEST_F(SliderTest, SnappingPlacesTheThumbButKeepsTheWrittenValue) {
  TSlider* slider = Track129(0, 10, 2);
  slider->SetOptions({soShowPoints});
  slider->SetValue(3);
  EXPECT_EQ(slider->Value(), 3);
  EXPECT_EQ(slider->Thumb()->Left(), slider->ValueToOffset(2));
  // Snapping counts the multiples from MinValue.
  slider->SetMaxValue(11);
  slider->SetMinValue(1);
  EXPECT_EQ(slider->OffsetToValue(slider->ValueToOffset(4)), 3);
  // With soSmooth the thumb stands where the value is.
  slider->SetOptions({soSmooth});
  slider->SetValue(4);
  EXPECT_EQ(slider->Thumb()->Left(), slider->ValueToOffset(4));
}

TEST_F(SliderTest, JumpsCountMultiplesFromZero) {
  TSlider* slider = NewSlider();
  slider->SetMinValue(-100);
  struct Case {
    int from;
    uint8_t kind;
    int expected;
  } cases[] = {
      {15, 3, 20},   {15, 4, 0},   {-5, 3, 10}, {-5, 4, -10}, {20, 3, 30},  {20, 4, 10},
      {20, 1, -100}, {20, 2, 100}, {20, 0, 20}, {20, 5, 20},  {95, 3, 100}, {-95, 4, -100},
  };
  for (const Case& c : cases) {
    slider->SetValue(c.from);
    slider->JumpValue(c.kind);
    EXPECT_EQ(slider->Value(), c.expected) << c.from << " kind " << int(c.kind);
  }
}

TEST_F(SliderTest, RangeSettersKeepTheDistanceOfOneIncrement) {
  TSlider* slider = NewSlider();
  slider->SetMaxValue(6);
  EXPECT_EQ(slider->MaxValue(), 100);  // 6 < 0 + 10
  slider->SetIncrement(1);
  slider->SetMaxValue(6);
  EXPECT_EQ(slider->MaxValue(), 6);
  slider->SetMinValue(7);
  EXPECT_EQ(slider->MinValue(), 0);
  slider->SetMinValue(5);
  EXPECT_EQ(slider->MinValue(), 5);
  slider->SetIncrement(0);
  slider->SetIncrement(-3);
  EXPECT_EQ(slider->Increment(), 1);
  // Increment may later grow past the distance.
  slider->SetIncrement(4);
  EXPECT_EQ(slider->Increment(), 4);
}

TEST_F(SliderTest, OnChangeFiresOnlyForANewValue) {
  TSlider* slider = NewSlider();
  int changes = 0;
  TObject* sender = nullptr;
  slider->OnChange = [&](TObject* s) {
    ++changes;
    sender = s;
    EXPECT_EQ(static_cast<TSlider*>(s)->Value(), 100);
  };
  slider->SetValue(200);
  EXPECT_EQ(slider->Value(), 100);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(sender, slider);
  slider->SetValue(100);
  slider->SetMaxValue(150);
  slider->SetIncrement(5);
  EXPECT_EQ(changes, 1);
}

TEST_F(SliderTest, RaisingMinValueLeavesValueUntilItIsReapplied) {
  TSlider* slider = Slider1();
  int left = slider->Thumb()->Left();
  int changes = 0;
  slider->OnChange = [&](TObject*) { ++changes; };
  slider->SetMinValue(4);
  EXPECT_EQ(slider->Value(), 3);
  EXPECT_EQ(slider->Thumb()->Left(), left);
  EXPECT_EQ(changes, 0);
  slider->SetIncrement(2);  // re-applies Value, which is clamped now
  EXPECT_EQ(slider->Value(), 4);
  EXPECT_EQ(changes, 1);
  slider->SetMinValue(0);
  slider->SetWidth(200);  // a layout re-applies it too
  EXPECT_EQ(slider->Value(), 4);
}

TEST_F(SliderTest, KeysByOrientation) {
  struct Case {
    TSliderOrientation orientation;
    WORD key;
    int expected;  // from 50 on 0 to 100, Increment 10
  } cases[] = {
      {soHorizontal, VK_HOME, 0},   {soHorizontal, VK_END, 100}, {soHorizontal, VK_LEFT, 40},
      {soHorizontal, VK_RIGHT, 60}, {soHorizontal, VK_UP, 50},   {soHorizontal, VK_DOWN, 50},
      {soVertical, VK_HOME, 0},     {soVertical, VK_END, 100},   {soVertical, VK_LEFT, 50},
      {soVertical, VK_RIGHT, 50},   {soVertical, VK_UP, 60},     {soVertical, VK_DOWN, 40},
  };
  for (const Case& c : cases) {
    TSlider* slider = NewSlider();
    slider->SetOrientation(c.orientation);
    slider->SetValue(50);
    WORD seen = 0xFFFF;
    slider->OnKeyDown = [&](TObject*, WORD& key, TShiftState) { seen = key; };
    slider->Perform(WM_KEYDOWN, c.key, 0);
    EXPECT_EQ(slider->Value(), c.expected) << int(c.orientation) << " key " << c.key;
    // A key that made a jump reaches OnKeyDown as 0.
    EXPECT_EQ(seen, c.expected == 50 ? c.key : 0);
    delete slider;
  }
}

TEST_F(SliderTest, NoKeyActsWithAModifierHeld) {
  TSlider* slider = NewSlider();
  slider->SetValue(50);
  for (TShiftStateValue modifier : {ssShift, ssCtrl, ssAlt}) {
    SetKeyboardShiftState({modifier});
    for (WORD key : {VK_HOME, VK_END, VK_LEFT, VK_RIGHT}) slider->Perform(WM_KEYDOWN, key, 0);
    EXPECT_EQ(slider->Value(), 50);
  }
}

TEST_F(SliderTest, SliderAsksForTheArrowKeys) {
  TSlider* slider = NewSlider();
  EXPECT_EQ(slider->Perform(WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
}

TEST_F(SliderTest, PagingJumpsAtOnceAndAtEachTickUntilTheThumbPassesThePointer) {
  TSlider* slider = Track129(0, 100, 10);
  slider->SetValue(100);
  ASSERT_EQ(slider->Thumb()->Left(), 130);
  int pointer = slider->ValueToOffset(75);
  Press(slider, WM_LBUTTONDOWN, pointer, 5, MK_LBUTTON);
  EXPECT_EQ(slider->Value(), 90);
  EXPECT_TRUE(slider->Paging());
  EXPECT_TRUE(slider->TimerOn());
  EXPECT_TRUE(slider->Focused());
  EXPECT_EQ(slider->TimerInterval(1), 400u);
  slider->Perform(WM_TIMER, 1, 0);
  EXPECT_EQ(slider->Value(), 80);
  slider->Perform(WM_TIMER, 1, 0);  // the thumb now covers the pointer
  EXPECT_EQ(slider->Value(), 70);
  slider->Perform(WM_TIMER, 1, 0);
  slider->Perform(WM_TIMER, 1, 0);
  EXPECT_EQ(slider->Value(), 70);
  EXPECT_TRUE(slider->TimerRunning(1));
  // Back on the side of the press, the jumps resume.
  Press(slider, WM_MOUSEMOVE, 2, 5, MK_LBUTTON);
  slider->Perform(WM_TIMER, 1, 0);
  EXPECT_EQ(slider->Value(), 60);
  Press(slider, WM_LBUTTONUP, 2, 5, 0);
  EXPECT_FALSE(slider->Paging());
  EXPECT_FALSE(slider->TimerOn());
  EXPECT_FALSE(slider->TimerRunning(1));
}

TEST_F(SliderTest, PressingBesideTheThumbOnBothSides) {
  TSlider* slider = Track129(0, 100, 10);
  slider->SetValue(50);
  int thumbLeft = slider->Thumb()->Left(), thumbWidth = slider->Thumb()->Width();
  struct Case {
    int x;
    int expected;
  } cases[] = {
      {thumbLeft - 1, 40},               // left of the thumb: down
      {thumbLeft + thumbWidth + 1, 60},  // right of it: up
      {thumbLeft + thumbWidth, 50},      // the pixel just right of the thumb still counts as on it
  };
  for (const Case& c : cases) {
    slider->SetValue(50);
    Press(slider, WM_LBUTTONDOWN, c.x, 5, MK_LBUTTON);
    EXPECT_EQ(slider->Value(), c.expected) << c.x;
    // Even a press that makes no jump leaves the timer running idle until the release.
    EXPECT_TRUE(slider->TimerOn());
    Press(slider, WM_LBUTTONUP, c.x, 5, 0);
    EXPECT_FALSE(slider->TimerRunning(1));
  }
  Press(slider, WM_RBUTTONDOWN, 2, 5, MK_RBUTTON);
  EXPECT_EQ(slider->Value(), 50);
  EXPECT_FALSE(slider->Paging());
}

TEST_F(SliderTest, DraggingTheThumb) {
  TSlider* slider = Slider1();
  TSliderThumb* thumb = slider->Thumb();
  int changes = 0, stops = 0;
  slider->OnChange = [&](TObject*) { ++changes; };
  slider->OnStopTracking = [&](TObject*) {
    ++stops;
    EXPECT_TRUE(slider->CurrentlySeeking());
    slider->SetValue(0);  // ignored: the thumb is still held
  };
  Press(thumb, WM_LBUTTONDOWN, 4, 10, MK_LBUTTON);
  EXPECT_TRUE(slider->CurrentlySeeking());
  EXPECT_TRUE(slider->Tracking());
  EXPECT_TRUE(thumb->Pressed());
  EXPECT_TRUE(slider->Focused());
  EXPECT_EQ(thumb->Picture()->Canvas()->Pixels(2, 2),
            slider->ImageHThumbPressed()->Canvas()->Pixels(2, 2));

  // Grabbed at x = 4: the pointer at slider x 84 + 4 + 56 stands for 112, two steps on.
  Press(thumb, WM_MOUSEMOVE, 4 + 56, 10, MK_LBUTTON);
  EXPECT_EQ(slider->Value(), 5);
  EXPECT_EQ(thumb->Left(), slider->ValueToOffset(5));
  EXPECT_EQ(changes, 1);
  // Writes from outside are ignored while the thumb is held; keys too.
  slider->SetValue(1);
  slider->Perform(WM_KEYDOWN, VK_HOME, 0);
  EXPECT_EQ(slider->Value(), 5);
  // Beyond the track the thumb stops at its end.
  Press(thumb, WM_MOUSEMOVE, 400, 10, MK_LBUTTON);
  EXPECT_EQ(slider->Value(), 6);
  EXPECT_EQ(thumb->Left(), 1 + 166);
  Press(thumb, WM_MOUSEMOVE, -400, 10, MK_LBUTTON);
  EXPECT_EQ(slider->Value(), 0);
  EXPECT_EQ(thumb->Left(), 1);

  Press(thumb, WM_LBUTTONUP, -400, 10, 0);
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(slider->CurrentlySeeking());
  EXPECT_FALSE(slider->Tracking());
  EXPECT_FALSE(thumb->Pressed());
  EXPECT_EQ(slider->Value(), 0);
  EXPECT_EQ(thumb->Picture()->Canvas()->Pixels(2, 2),
            slider->ImageHThumb()->Canvas()->Pixels(2, 2));
  slider->SetValue(2);
  EXPECT_EQ(slider->Value(), 2);
}

TEST_F(SliderTest, DraggingAVerticalThumbUpRaisesTheValue) {
  TSlider* slider = NewSlider();
  slider->SetNumThumbStates(1);
  slider->SetOrientation(soVertical);
  slider->SetBounds(0, 0, 40, 140);
  TSliderThumb* thumb = slider->Thumb();
  ASSERT_EQ(thumb->Top(), 130);
  Press(thumb, WM_LBUTTONDOWN, 8, 4, MK_LBUTTON);
  EXPECT_EQ(thumb->Picture()->Width(), slider->ImageVThumbPressed()->Width());
  // Up by 64 pixels: top 66, (140 - 66 - 9 - 1) x 100 / 129 = 49.6, smooth.
  Press(thumb, WM_MOUSEMOVE, 8, 4 - 64, MK_LBUTTON);
  EXPECT_EQ(thumb->Top(), 66);
  EXPECT_EQ(slider->Value(), 50);
  Press(thumb, WM_LBUTTONUP, 8, 4 - 64, 0);
  EXPECT_EQ(slider->Value(), 50);
}

TEST_F(SliderTest, RightButtonOnTheThumbOnlyTakesTheFocus) {
  TSlider* slider = Slider1();
  TSliderThumb* thumb = slider->Thumb();
  int stops = 0;
  slider->OnStopTracking = [&](TObject*) { ++stops; };
  Press(thumb, WM_RBUTTONDOWN, 4, 10, MK_RBUTTON);
  EXPECT_TRUE(slider->Focused());
  EXPECT_FALSE(slider->CurrentlySeeking());
  Press(thumb, WM_MOUSEMOVE, 60, 10, MK_RBUTTON);
  EXPECT_EQ(slider->Value(), 3);
  Press(thumb, WM_RBUTTONUP, 60, 10, 0);
  EXPECT_EQ(stops, 1);
}

TEST_F(SliderTest, EdgeSizeIsCheckedAgainstTheRulerPicture) {
  TSlider* slider = NewSlider();
  slider->SetEdgeSize(5);
  EXPECT_EQ(slider->EdgeSize(), 2);  // 10 is not greater than 10
  slider->SetEdgeSize(4);
  EXPECT_EQ(slider->EdgeSize(), 4);
  slider->SetEdgeSize(-1);
  EXPECT_EQ(slider->EdgeSize(), -1);
  EXPECT_EQ(slider->Ruler()->Width(), 138);
  EXPECT_EQ(slider->Ruler()->Canvas()->Pixels(0, 3), slider->ImageHRuler()->Canvas()->Pixels(0, 3));
}

TEST_F(SliderTest, DegenerateLayoutsStaySafe) {
  TSlider* slider = NewSlider();
  slider->SetNumThumbStates(0);
  slider->SetNumThumbStates(3);
  EXPECT_EQ(slider->NumThumbStates(), 2);

  // A supplied ruler picture that leaves no middle for the edge size: the ruler is empty.
  slider->SetEdgeSize(4);
  TBitmap shortRuler;
  shortRuler.SetSize(8, 10);
  slider->SetImageHRuler(&shortRuler);
  EXPECT_EQ(slider->Ruler()->Width(), 0);
  slider->SetValue(40);
  EXPECT_EQ(slider->Value(), 40);
  Grab(slider);

  // A control of 2 pixels or less has no ruler.
  slider->SetImageHRuler(nullptr);
  slider->SetWidth(2);
  EXPECT_EQ(slider->Ruler()->Width(), 0);
  slider->SetValue(60);
  EXPECT_EQ(slider->Value(), 60);
  Grab(slider);

  // A ruler exactly as long as the thumb: the thumb cannot move, the value stays put.
  slider->SetEdgeSize(2);
  slider->SetWidth(6);  // ruler 4 = thumb 4
  ASSERT_EQ(slider->TrackLength(), 0);
  EXPECT_EQ(slider->OffsetToValue(1), 60);
  Press(slider->Thumb(), WM_LBUTTONDOWN, 1, 5, MK_LBUTTON);
  Press(slider->Thumb(), WM_MOUSEMOVE, 30, 5, MK_LBUTTON);
  Press(slider->Thumb(), WM_LBUTTONUP, 30, 5, 0);
  EXPECT_EQ(slider->Value(), 60);
  EXPECT_EQ(slider->Thumb()->Left(), 1);
}

TEST_F(SliderTest, SuppliedPicturesAreCopiedAndCanBeTakenBack) {
  TSlider* slider = NewSlider();
  slider->SetNumThumbStates(1);
  TBitmap thumb;
  thumb.SetSize(11, 15);
  thumb.Canvas()->Brush()->SetColor(clRed);
  thumb.Canvas()->FillRect(Rect(0, 0, 11, 15));
  slider->SetImageHThumb(&thumb);
  EXPECT_EQ(slider->UserImages(), 1);
  EXPECT_EQ(slider->Thumb()->Width(), 11);
  EXPECT_EQ(slider->Thumb()->Height(), 15);
  EXPECT_EQ(slider->Thumb()->Top(), 1 + 10 + 1 - 15);
  thumb.Canvas()->SetPixels(0, 0, clBlue);  // the caller keeps its own picture
  EXPECT_EQ(slider->ImageHThumb()->Canvas()->Pixels(0, 0), clRed);
  slider->Loaded();
  EXPECT_EQ(slider->Thumb()->Width(), 11);
  slider->SetImageHThumb(nullptr);
  EXPECT_EQ(slider->UserImages(), 0);
  EXPECT_EQ(slider->Thumb()->Width(), 9);
  // Only the normal thumb of the present orientation goes to the thumb.
  slider->SetImageVThumb(&thumb);
  EXPECT_EQ(slider->UserImages(), 4);
  EXPECT_EQ(slider->Thumb()->Width(), 9);
  slider->SetOrientation(soVertical);
  EXPECT_EQ(slider->Thumb()->Width(), 11);
}

// The expected picture of Slider1 on white: ruler, thumb, ticks.
TEST_F(SliderTest, PaintedSlider1) {
  TSlider* slider = Slider1();
  auto picture = Grab(slider);
  ASSERT_EQ(picture->Width(), 177);
  ASSERT_EQ(picture->Height(), 25);
  TBitmap* ruler = slider->Ruler();
  TBitmap* thumb = slider->ImageHThumb();
  const int ticks[] = {5, 33, 60, 88, 116, 143, 171};
  for (int y = 0; y < 25; ++y)
    for (int x = 0; x < 177; ++x) {
      TColor expected = clWhite;
      if (x >= 1 && x < 176 && y >= 1 && y < 11) {
        TColor r = ruler->Canvas()->Pixels(x - 1, y - 1);
        if (r != clOlive) expected = r;
      }
      for (int i = 0; i < 7; ++i) {
        int length = (i == 0 || i == 6) ? 4 : 3;
        if (x == ticks[i] && y >= 12 && y < 12 + length) expected = clBlack;
      }
      if (x >= 84 && x < 93 && y < 12) {
        TColor t = thumb->Canvas()->Pixels(x - 84, y + 5);
        expected = t == clFuchsia ? clWhite : t;
      }
      ASSERT_EQ(picture->Canvas()->Pixels(x, y), expected) << x << "," << y;
    }
}

TEST_F(SliderTest, TicksThinOutToAGapOfThree) {
  TSlider* slider = Track129(0, 1000, 1);
  slider->SetOptions({soShowPoints});
  auto picture = Grab(slider);
  int top = slider->PointsRect().Top;
  std::vector<int> columns;
  for (int x = 0; x < picture->Width(); ++x)
    if (picture->Canvas()->Pixels(x, top) == clBlack) columns.push_back(x);
  std::vector<int> expected;
  for (int v = 0; v <= 1000; v += 31) expected.push_back(slider->ValueToOffset(v) + 4);
  EXPECT_EQ(columns, expected);
  ASSERT_EQ(expected.size(), 33u);
  // The last tick stands at 992 with the inner length; the first has the end length.
  int last = expected.back();
  EXPECT_EQ(picture->Canvas()->Pixels(last, top + 2), clBlack);
  EXPECT_EQ(picture->Canvas()->Pixels(last, top + 3), clWhite);
  EXPECT_EQ(picture->Canvas()->Pixels(expected.front(), top + 3), clBlack);
}

TEST_F(SliderTest, OnDrawPointsReplacesTheTicks) {
  TSlider* slider = Slider1();
  int calls = 0;
  slider->OnDrawPoints = [&](TObject* sender) {
    ++calls;
    EXPECT_EQ(sender, slider);
  };
  auto picture = Grab(slider);
  EXPECT_GT(calls, 0);
  EXPECT_EQ(picture->Canvas()->Pixels(5, 12), clWhite);
}

TEST_F(SliderTest, FocusRectangleFollowsTheFocus) {
  TSlider* slider = NewSlider();
  slider->SetBounds(0, 0, 140, 40);
  slider->SetOptions({soShowFocus});
  auto before = Grab(slider);
  EXPECT_EQ(before->Canvas()->Pixels(2, 30), clWhite);
  slider->SetFocus();
  auto focused = Grab(slider);
  // A dotted frame inset by 2 pixels: every second pixel inverted.
  EXPECT_EQ(focused->Canvas()->Pixels(2, 30), clBlack);
  EXPECT_EQ(focused->Canvas()->Pixels(2, 31), clWhite);
  EXPECT_EQ(focused->Canvas()->Pixels(137, 37), clBlack);
  form->SetActiveControl(nullptr);
  auto after = Grab(slider);
  EXPECT_EQ(after->Canvas()->Pixels(2, 30), clWhite);
}

}  // namespace
