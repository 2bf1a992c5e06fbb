// Labels and bevel lines placed on a form as its table gives them.
#include "platform/classlib/FormPlacing.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Canvas.h"
#include "platform/classlib/Colors.h"

namespace {

class FormPlacingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form.SetColor(clBtnFace);
    form.SetClientWidth(240);
    form.SetClientHeight(120);
  }

  void ExpectPlaced(TControl* control, const char* name, int left, int top, int width, int height) {
    EXPECT_EQ(control->Name(), name);
    EXPECT_EQ(control->Owner(), &form);
    EXPECT_EQ(control->Parent(), &form);
    EXPECT_EQ(control->Left(), left) << name;
    EXPECT_EQ(control->Top(), top) << name;
    EXPECT_EQ(control->Width(), width) << name;
    EXPECT_EQ(control->Height(), height) << name;
  }

  TForm form{nullptr};
};

TEST_F(FormPlacingTest, LabelKeepsItsPlaceAndSizeWhateverItsText) {
  // A text far wider than the label, and a label whose text comes later: neither takes the
  // size of its text.
  TLabel* wide =
      PlaceLabel(&form, "Label1", 20, 30, 60, 13, "A caption much wider than sixty pixels");
  TLabel* later = PlaceLabel(&form, "Label2", 20, 60, 180, 17);
  ExpectPlaced(wide, "Label1", 20, 30, 60, 13);
  ExpectPlaced(later, "Label2", 20, 60, 180, 17);
  EXPECT_EQ(wide->Caption(), "A caption much wider than sixty pixels");
  EXPECT_EQ(later->Caption(), "");
  later->SetCaption("A text set later, wider than the label is, keeps its size too");
  ExpectPlaced(later, "Label2", 20, 60, 180, 17);
}

TEST_F(FormPlacingTest, BevelIsALineAlongItsTopEdge) {
  // Taller than its line, so that the shape shows: only its top two rows are drawn.
  TBevel* bevel = PlaceBevel(&form, "Bevel1", 10, 20, 100, 12);
  ExpectPlaced(bevel, "Bevel1", 10, 20, 100, 12);

  TBitmap picture;
  form.GrabToBitmap(&picture);
  const int top = form.Height() - form.ClientHeight();
  TCanvas* canvas = picture.Canvas();
  const TColor background = canvas->Pixels(5, top + 25);
  for (int x : {10, 60, 109}) {
    EXPECT_NE(canvas->Pixels(x, top + 20), background) << x;
    EXPECT_NE(canvas->Pixels(x, top + 21), background) << x;
    for (int y = 22; y < 32; ++y)
      EXPECT_EQ(canvas->Pixels(x, top + y), background) << x << "," << y;
  }
}

}  // namespace
