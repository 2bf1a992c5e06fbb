// The slider driven through the window system's own mouse and key events, as a user drives
// it: the class library turns them into the messages the slider answers.
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

#include "controls/Slider.h"
#include "platform/classlib/Form.h"

namespace {

class SliderInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm>(nullptr);
    form->SetBounds(0, 0, 300, 100);
    slider = new TSlider(form.get());
    slider->SetParent(form.get());
    slider->SetBounds(72, 44, 177, 25);
    slider->SetNumThumbStates(1);
    slider->SetOptions({soShowPoints});
    slider->SetIncrement(1);
    slider->SetMaxValue(6);
    slider->SetValue(3);
    form->Show();
  }

  std::unique_ptr<TForm> form;
  TSlider* slider = nullptr;
};

TEST_F(SliderInputTest, DraggingTheThumbWithTheMouse) {
  QWidget* thumb = slider->Thumb()->Widget();
  int stops = 0;
  slider->OnStopTracking = [&](TObject*) { ++stops; };
  QTest::mousePress(thumb, Qt::LeftButton, {}, QPoint(4, 10));
  EXPECT_TRUE(slider->CurrentlySeeking());
  EXPECT_TRUE(slider->Focused());
  // Two steps to the right (27.7 pixels each), then far beyond the ruler's end: the thumb
  // keeps the mouse while the button is held.
  QTest::mouseMove(thumb, QPoint(4 + 56, 10));
  EXPECT_EQ(slider->Value(), 5);
  QTest::mouseMove(thumb, QPoint(4 + 500, 10));
  EXPECT_EQ(slider->Value(), 6);
  QTest::mouseRelease(thumb, Qt::LeftButton, {}, QPoint(4 + 500, 10));
  EXPECT_EQ(stops, 1);
  EXPECT_FALSE(slider->CurrentlySeeking());
  EXPECT_EQ(slider->Value(), 6);
}

TEST_F(SliderInputTest, PressBesideTheThumbAndKeys) {
  QWidget* widget = slider->Widget();
  QTest::mousePress(widget, Qt::LeftButton, {}, QPoint(10, 5));
  EXPECT_EQ(slider->Value(), 2);
  EXPECT_TRUE(slider->TimerOn());
  QTest::mouseRelease(widget, Qt::LeftButton, {}, QPoint(10, 5));
  EXPECT_FALSE(slider->TimerOn());
  slider->SetFocus();
  QTest::keyClick(widget, Qt::Key_End);
  EXPECT_EQ(slider->Value(), 6);
  QTest::keyClick(widget, Qt::Key_Left);
  EXPECT_EQ(slider->Value(), 5);
  QTest::keyClick(widget, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(slider->Value(), 5);
  QTest::keyClick(widget, Qt::Key_Home);
  EXPECT_EQ(slider->Value(), 0);
}

}  // namespace
