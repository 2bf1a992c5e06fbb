// The standard controls: what their events report and what their Qt widgets show.
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QFontMetrics>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "platform/classlib/Animate.h"
#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Button.h"
#include "platform/classlib/CheckBox.h"
#include "platform/classlib/Edit.h"
#include "platform/classlib/Form.h"
#include "platform/classlib/Gauge.h"
#include "platform/classlib/Image.h"
#include "platform/classlib/ImageList.h"
#include "platform/classlib/Label.h"
#include "platform/classlib/ListBox.h"
#include "platform/classlib/ListView.h"
#include "platform/classlib/MainMenu.h"
#include "platform/classlib/Memo.h"
#include "platform/classlib/OpenDialog.h"
#include "platform/classlib/ProgressBar.h"
#include "platform/classlib/RadioButton.h"
#include "platform/classlib/ScriptedDialogs.h"
#include "platform/classlib/Timer.h"
#include "platform/classlib/ToolBar.h"
#include "platform/classlib/ToolButton.h"
#include "tests/support/TempFolder.h"

namespace {

class StdControlsTest : public ::testing::Test {
 protected:
  template <class T>
  T* Make() {
    auto* control = new T(&form);
    control->SetParent(&form);
    return control;
  }
  // One 32 x 32 picture, as the converter's tool bar has.
  static void AddBlankPicture(TImageList& images) {
    images.SetWidth(32);
    images.SetHeight(32);
    TBitmap picture;
    picture.SetSize(32, 32);
    images.Add(&picture, nullptr);
  }
  TForm form{nullptr};
};

TEST_F(StdControlsTest, ClickFromCodeRunsOnHiddenAndDisabledButtons) {
  auto* button = Make<TButton>();
  button->SetCaption("Decode");
  button->SetVisible(false);
  button->SetEnabled(false);
  int clicks = 0;
  button->OnClick = [&](TObject* sender) {
    ++clicks;
    EXPECT_EQ(sender, button);
  };
  button->Click();
  EXPECT_EQ(clicks, 1);
}

TEST_F(StdControlsTest, CheckBoxClicksAtEveryChangeOfState) {
  auto* box = Make<TCheckBox>();
  std::vector<bool> seen;
  box->OnClick = [&](TObject*) { seen.push_back(box->Checked()); };
  box->SetChecked(true);
  box->SetChecked(true);  // no change, no click
  box->SetChecked(false);
  form.Show();
  QTest::mouseClick(box->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_EQ(seen, (std::vector<bool>{true, false, true}));
  EXPECT_TRUE(box->Checked());
}

TEST_F(StdControlsTest, RadioButtonsOfOneParentFormAGroup) {
  auto* first = Make<TRadioButton>();
  auto* second = Make<TRadioButton>();
  first->SetBounds(0, 0, 100, 17);
  second->SetBounds(0, 20, 100, 17);
  int firstClicks = 0;
  first->OnClick = [&](TObject*) { ++firstClicks; };
  second->SetChecked(true);
  first->SetChecked(true);
  EXPECT_TRUE(first->Checked());
  EXPECT_FALSE(second->Checked());
  EXPECT_EQ(firstClicks, 1);
  // Both may be cleared from code.
  first->SetChecked(false);
  EXPECT_FALSE(first->Checked());
  EXPECT_FALSE(second->Checked());
  form.Show();
  QTest::mouseClick(second->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
  QTest::mouseClick(second->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_TRUE(second->Checked());  // a click on the selected button keeps it
  QTest::mouseClick(first->Widget(), Qt::LeftButton, {}, QPoint(6, 8));
  EXPECT_TRUE(first->Checked());
  EXPECT_FALSE(second->Checked());
  EXPECT_EQ(firstClicks, 2);
}

// How many pixels of the bitmap, from column Left on, lie near the colour.
int PixelsNear(TBitmap& bitmap, int Left, TColor Color) {
  const TColor rgb = ColorToRGB(Color);
  int count = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    for (int x = Left; x < bitmap.Width(); ++x) {
      const TColor pixel = bitmap.Canvas()->Pixels(x, y);
      if (std::abs(GetRValue(pixel) - GetRValue(rgb)) <= 40 &&
          std::abs(GetGValue(pixel) - GetGValue(rgb)) <= 40 &&
          std::abs(GetBValue(pixel) - GetBValue(rgb)) <= 40) {
        ++count;
      }
    }
  }
  return count;
}

TEST_F(StdControlsTest, DisabledControlsLookDisabled) {
  auto* button = Make<TButton>();
  button->SetBounds(0, 0, 75, 25);
  button->SetCaption("&Install");
  auto* radio = Make<TRadioButton>();
  radio->SetBounds(0, 40, 201, 17);
  radio->SetCaption("Also the already decoded files.");
  auto* box = Make<TCheckBox>();
  box->SetBounds(0, 70, 209, 17);
  box->SetCaption("Delete the output file if aborted.");
  form.Show();
  // The caption, right of a radio button's or check box's mark.
  const std::pair<TControl*, int> controls[] = {{button, 0}, {radio, 20}, {box, 20}};
  for (auto [control, captionLeft] : controls) {
    SCOPED_TRACE(control->ClassName());
    // Whatever colour the font has, a disabled control's caption is not drawn in it.
    for (TColor color : {clWindowText, clBlack, clNavy}) {
      SCOPED_TRACE(color);
      control->Font()->SetColor(color);
      control->SetEnabled(true);
      TBitmap enabled;
      control->GrabToBitmap(&enabled);
      control->SetEnabled(false);
      TBitmap disabled;
      control->GrabToBitmap(&disabled);
      const int enabledText = PixelsNear(enabled, captionLeft, color);
      EXPECT_GT(enabledText, 20);
      EXPECT_LT(PixelsNear(disabled, captionLeft, color), enabledText / 4);
    }
  }
}

TEST_F(StdControlsTest, EditTextFollowsTheUserAndTheProgram) {
  auto* edit = Make<TEdit>();
  int changes = 0;
  edit->OnChange = [&](TObject*) { ++changes; };
  edit->SetText("/out");
  EXPECT_EQ(static_cast<QLineEdit*>(edit->Widget())->text(), "/out");
  form.Show();
  edit->SetFocus();
  QTest::keyClicks(edit->Widget(), "/x");
  EXPECT_EQ(edit->Text(), "/out/x");
  EXPECT_EQ(changes, 3);
  edit->SetReadOnly(true);
  QTest::keyClicks(edit->Widget(), "y");
  EXPECT_EQ(edit->Text(), "/out/x");
}

TEST_F(StdControlsTest, KeyEventsReachTheHandlersThatCanSwallowThem) {
  auto* edit = Make<TEdit>();
  std::vector<WORD> downs;
  std::string pressed;
  edit->OnKeyDown = [&](TObject*, WORD& key, TShiftState) {
    downs.push_back(key);
    if (key == 'B') key = 0;  // used: the edit never sees it
  };
  edit->OnKeyPress = [&](TObject*, char& key) {
    pressed += key;
    if (key == 'c') key = 0;
  };
  form.Show();
  edit->SetFocus();
  QTest::keyClicks(edit->Widget(), "abcd");
  EXPECT_EQ(downs, (std::vector<WORD>{'A', 'B', 'C', 'D'}));
  EXPECT_EQ(pressed, "acd");
  EXPECT_EQ(edit->Text(), "ad");
}

TEST_F(StdControlsTest, MemoLines) {
  auto* memo = Make<TMemo>();
  memo->SetText("one\ntwo");
  EXPECT_EQ(memo->Lines()->Count(), 2);
  EXPECT_EQ(memo->Lines()->Get(1), "two");
  memo->Lines()->Add("three");
  EXPECT_EQ(memo->Text(), "one\ntwo\nthree");
  memo->Lines()->Clear();
  EXPECT_EQ(memo->Lines()->Count(), 0);
}

TEST_F(StdControlsTest, ListBoxShowsItsItems) {
  auto* list = Make<TListBox>();
  list->Items()->Add("b.mp3");
  list->Items()->Insert(0, "a.mp3");
  auto* widget = static_cast<QListWidget*>(list->Widget());
  ASSERT_EQ(widget->count(), 2);
  EXPECT_EQ(widget->item(0)->text(), "a.mp3");
  list->Items()->SetText("x\r\ny\rz\n");
  EXPECT_EQ(list->Items()->Count(), 3);
  EXPECT_EQ(widget->item(2)->text(), "z");
  list->Items()->Clear();
  EXPECT_EQ(widget->count(), 0);
}

TEST_F(StdControlsTest, ListViewRowsAndSubItems) {
  auto* view = Make<TListView>();
  view->SetViewStyle(vsReport);
  view->Columns()->Add()->SetCaption("Filename");
  view->Columns()->Add()->SetCaption("Status");
  view->Columns()->Items(0)->SetWidth(300);
  for (const char* path : {"/m/a.mp3", "/m/b.mp3"}) view->Items()->Add()->SetCaption(path);
  view->Items()->Item(0)->SubItems()->Add("Decoding...");
  auto* tree = static_cast<QTreeWidget*>(view->Widget());
  EXPECT_EQ(tree->columnCount(), 2);
  EXPECT_EQ(tree->headerItem()->text(1), "Status");
  EXPECT_EQ(tree->columnWidth(0), 300);
  ASSERT_EQ(tree->topLevelItemCount(), 2);
  EXPECT_EQ(tree->topLevelItem(0)->text(1), "Decoding...");
  TStrings* status = view->Items()->Item(0)->SubItems();
  status->Clear();
  status->Add("Decoded");
  EXPECT_EQ(tree->topLevelItem(0)->text(1), "Decoded");
  EXPECT_EQ(tree->topLevelItem(1)->text(0), "/m/b.mp3");
  EXPECT_EQ(view->Items()->Item(1)->Index(), 1);
  EXPECT_THROW(view->Items()->Item(2), EListError);
  view->Items()->Clear();
  EXPECT_EQ(tree->topLevelItemCount(), 0);
}

TEST_F(StdControlsTest, ProgressBarKeepsItsPositionInRange) {
  auto* bar = Make<TProgressBar>();
  bar->SetMax(10);
  bar->SetPosition(12);
  EXPECT_EQ(bar->Position(), 10);
  bar->SetMax(0);  // a file shorter than a second
  EXPECT_EQ(bar->Position(), 0);
  auto* widget = static_cast<QProgressBar*>(bar->Widget());
  EXPECT_NE(widget->minimum(), widget->maximum());  // no busy animation
}

TEST_F(StdControlsTest, GaugeCountsPercent) {
  auto* gauge = Make<TGauge>();
  gauge->SetMaxValue(100);
  for (int i = 0; i < 75; ++i) gauge->AddProgress(1);
  EXPECT_EQ(gauge->Progress(), 75);
  EXPECT_EQ(gauge->PercentDone(), 75);
  gauge->AddProgress(50);
  EXPECT_EQ(gauge->Progress(), 100);
  gauge->SetMaxValue(0);
  EXPECT_EQ(gauge->PercentDone(), 0);
}

TEST_F(StdControlsTest, ImageListCutsStripsAndKeepsTheirTransparency) {
  TImageList images(nullptr);
  images.SetWidth(4);
  images.SetHeight(4);
  TBitmap strip;
  strip.SetSize(12, 4);
  strip.Canvas()->Brush()->SetColor(clFuchsia);
  strip.Canvas()->FillRect(Rect(0, 0, 12, 4));
  strip.Canvas()->SetPixels(5, 1, clRed);
  EXPECT_EQ(images.AddMasked(&strip, clFuchsia), 0);
  EXPECT_EQ(images.Count(), 3);
  TBitmap second;
  ASSERT_TRUE(images.GetBitmap(1, &second));
  EXPECT_EQ(second.Canvas()->Pixels(1, 1), clRed);
  EXPECT_EQ(second.Canvas()->Pixels(0, 0), ColorToRGB(clBtnFace));
  EXPECT_FALSE(images.GetBitmap(3, &second));
}

TEST_F(StdControlsTest, ToolButtonsShowTheirPictureAboveTheCaption) {
  TImageList images(nullptr);
  AddBlankPicture(images);
  auto* bar = Make<TToolBar>();
  bar->SetImages(&images);
  bar->SetShowCaptions(true);
  auto* button = new TToolButton(&form);
  button->SetParent(bar);
  button->SetCaption("Exit");
  button->SetImageIndex(0);
  int clicks = 0;
  button->OnClick = [&](TObject*) { ++clicks; };
  auto* widget = static_cast<QToolButton*>(button->Widget());
  EXPECT_EQ(widget->toolButtonStyle(), Qt::ToolButtonTextUnderIcon);
  EXPECT_EQ(widget->text(), "Exit");
  EXPECT_FALSE(widget->icon().isNull());
  form.Show();
  QTest::mouseClick(widget, Qt::LeftButton);
  EXPECT_EQ(clicks, 1);
}

TEST_F(StdControlsTest, ToolButtonCaptionIsShownWhole) {
  // The converter's tool bar: 61-pixel buttons, a wide caption under a 32-pixel picture.
  form.Font()->SetName("MS Sans Serif");
  form.Font()->SetSize(8);
  TImageList images(nullptr);
  AddBlankPicture(images);
  auto* bar = Make<TToolBar>();
  bar->SetFlat(true);
  bar->SetButtonWidth(61);
  bar->SetButtonHeight(52);
  bar->SetShowCaptions(true);
  bar->SetImages(&images);
  auto* button = new TToolButton(&form);
  button->SetParent(bar);
  button->SetCaption(" Output Dir ");
  button->SetImageIndex(0);
  form.Show();
  TBitmap shown;
  button->GrabToBitmap(&shown);
  ASSERT_EQ(shown.Width(), 61);
  // The columns that hold caption pixels, below the picture.
  int left = shown.Width(), right = -1;
  for (int y = 36; y < shown.Height(); ++y) {
    for (int x = 0; x < shown.Width(); ++x) {
      const TColor pixel = shown.Canvas()->Pixels(x, y);
      if (GetRValue(pixel) + GetGValue(pixel) + GetBValue(pixel) < 300) {
        left = std::min(left, x);
        right = std::max(right, x);
      }
    }
  }
  const QFontMetrics metrics(button->Widget()->font());
  // Shortened ("Out…Dir") the caption would be far narrower than its words.
  EXPECT_GE(right - left + 1, metrics.boundingRect("Output Dir").width() - 2);
  EXPECT_EQ(static_cast<QToolButton*>(button->Widget())->text(), " Output Dir ");
}

TEST_F(StdControlsTest, ToolBarAndFormForgetAnImageListAndAMenuThatGoFirst) {
  auto* images = new TImageList(nullptr);
  auto* bar = Make<TToolBar>();
  bar->SetImages(images);
  delete images;
  EXPECT_EQ(bar->Images(), nullptr);
  auto* menu = new TMainMenu(nullptr);
  form.SetMenu(menu);
  delete menu;
  EXPECT_EQ(form.Menu(), nullptr);
  form.SetClientHeight(50);
  EXPECT_EQ(form.Height(), 50);
}

// A form destroys the components it owns last made first: the image list goes before the tool
// bar and its button, once their windows have gone with the form's. The bar then goes on
// without pictures, and the button, whose look that changes, has no window left to touch.
TEST(StdControlsOrderTest, FormGoesWithAToolBarMadeBeforeItsImageList) {
  struct Seen {
    int imagesGone = 0, buttonsGone = 0;
    bool buttonWindowBeforeImages = true;
    TImageList* imagesOfTheBarAtTheButton = nullptr;
  } seen;
  struct WatchedButton : TToolButton {
    WatchedButton(TComponent* owner, Seen& seen, TToolBar*& bar)
        : TToolButton(owner), seen_(seen), bar_(bar) {}
    ~WatchedButton() override {
      ++seen_.buttonsGone;
      seen_.imagesOfTheBarAtTheButton = bar_->Images();
    }
    Seen& seen_;
    TToolBar*& bar_;
  };
  struct WatchedImages : TImageList {
    WatchedImages(TComponent* owner, Seen& seen, TToolButton*& button)
        : TImageList(owner), seen_(seen), button_(button) {}
    ~WatchedImages() override {
      ++seen_.imagesGone;
      seen_.buttonWindowBeforeImages = button_->Widget() != nullptr;
    }
    Seen& seen_;
    TToolButton*& button_;
  };
  auto* form = new TForm(nullptr);
  TToolBar* bar = new TToolBar(form);
  bar->SetParent(form);
  TToolButton* button = new WatchedButton(form, seen, bar);
  button->SetParent(bar);
  auto* images = new WatchedImages(form, seen, button);
  images->SetWidth(4);
  images->SetHeight(4);
  TBitmap picture;
  picture.SetSize(4, 4);
  ASSERT_EQ(images->Add(&picture, nullptr), 0);
  bar->SetImages(images);
  button->SetImageIndex(0);
  ASSERT_FALSE(static_cast<QToolButton*>(button->Widget())->icon().isNull());
  delete form;
  EXPECT_EQ(seen.imagesGone, 1);
  EXPECT_EQ(seen.buttonsGone, 1);
  EXPECT_FALSE(seen.buttonWindowBeforeImages) << "the windows were still there";
  EXPECT_EQ(seen.imagesOfTheBarAtTheButton, nullptr);
}

TEST_F(StdControlsTest, LabelAutoSizeKeepsTheRightEdgeOfRightAlignedText) {
  auto* label = Make<TLabel>();
  label->SetAlignment(taRightJustify);
  label->SetBounds(28, 144, 217, 13);
  label->SetCaption("Tell us");
  EXPECT_EQ(label->Left() + label->Width(), 28 + 217);
  label->SetAutoSize(false);
  label->SetWidth(300);
  label->SetCaption("Tell us what you think of this program");
  EXPECT_EQ(label->Width(), 300);
}

TEST_F(StdControlsTest, ImageCanvasMakesABitmapOfTheImagesSize) {
  auto* image = Make<TImage>();
  image->SetBounds(0, 0, 20, 10);
  TCanvas* canvas = image->Canvas();
  canvas->Brush()->SetColor(clGray);
  canvas->FillRect(Rect(0, 0, 20, 10));
  EXPECT_EQ(image->Picture()->Width(), 20);
  EXPECT_EQ(image->Picture()->Bitmap()->Canvas()->Pixels(19, 9), clGray);
  TJPEGImage jpeg;
  image->Picture()->SetGraphic(&jpeg);
  EXPECT_THROW(image->Canvas(), EInvalidOperation);
}

TEST_F(StdControlsTest, TimerRunsWhileEnabledWithAnInterval) {
  TTimer timer(nullptr);
  EXPECT_TRUE(timer.Running());
  timer.SetEnabled(false);
  EXPECT_FALSE(timer.Running());
  timer.SetEnabled(true);
  timer.SetInterval(0);
  EXPECT_FALSE(timer.Running());
  int ticks = 0;
  timer.OnTimer = [&](TObject*) { ++ticks; };
  timer.Timer();
  EXPECT_EQ(ticks, 1);
}

TEST_F(StdControlsTest, OpenDialogAnswersAndChangesTheCurrentDirectory) {
  TScriptedDialogs dialogs;
  const TempFolder folder;
  const std::filesystem::path& dir = folder.path();
  auto before = std::filesystem::current_path();
  TOpenDialog dialog(nullptr);
  dialog.SetFilter("Mp3 Files (*.mp3)|*.mp3|Windows Media Audio File (*.wma)|*.wma");
  dialog.SetInitialDir("/music/");
  dialog.SetOptions(dialog.Options() | ofAllowMultiSelect);
  dialogs.AnswerOpenFiles({}, 1);  // cancelled
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(std::filesystem::current_path(), before);
  dialogs.AnswerOpenFiles({(dir / "b.wma").string(), (dir / "a.wma").string()}, 2);
  ASSERT_TRUE(dialog.Execute());
  EXPECT_EQ(dialog.FilterIndex(), 2);
  EXPECT_EQ(dialog.FileName(), (dir / "b.wma").string());
  ASSERT_EQ(dialog.Files()->Count(), 2);
  EXPECT_EQ(dialog.Files()->Get(1), (dir / "a.wma").string());
  EXPECT_EQ(std::filesystem::current_path(), dir);
  ASSERT_EQ(dialogs.OpenRequests.size(), 2u);
  EXPECT_EQ(dialogs.OpenRequests[1].InitialDir, "/music/");
  EXPECT_TRUE(dialogs.OpenRequests[1].MultiSelect);
  std::filesystem::current_path(before);
}

TEST_F(StdControlsTest, AnimationPlaysFrameByFrame) {
  auto* animate = Make<TAnimate>();
  animate->SetCommonAVI(aviCopyFiles);
  EXPECT_EQ(animate->FrameCount(), 35);
  animate->Play(0, 34, 2);
  EXPECT_TRUE(animate->Active());
  EXPECT_TRUE(animate->TimerRunning(1));
  for (int i = 0; i < 34; ++i) animate->Perform(WM_TIMER, 1, 0);
  EXPECT_EQ(animate->Frame(), 34);
  animate->Perform(WM_TIMER, 1, 0);
  EXPECT_EQ(animate->Frame(), 0);  // the second time round
  for (int i = 0; i < 35; ++i) animate->Perform(WM_TIMER, 1, 0);
  EXPECT_FALSE(animate->Active());
  animate->Play(0, 24, 0);
  animate->Perform(WM_TIMER, 1, 0);
  animate->Stop();
  EXPECT_EQ(animate->Frame(), 0);
  EXPECT_FALSE(animate->TimerRunning(1));
  // The frames differ: the sheet moves.
  TBitmap first, later;
  form.Show();
  animate->GrabToBitmap(&first);
  animate->Seek(20);
  animate->GrabToBitmap(&later);
  bool differs = false;
  for (int y = 0; y < first.Height() && !differs; ++y)
    for (int x = 0; x < first.Width() && !differs; ++x)
      differs = first.Canvas()->Pixels(x, y) != later.Canvas()->Pixels(x, y);
  EXPECT_TRUE(differs);
  animate->SetCommonAVI(aviDeleteFile);
  EXPECT_EQ(animate->FrameCount(), 25);
}

}  // namespace
