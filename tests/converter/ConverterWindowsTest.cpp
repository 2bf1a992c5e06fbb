// The three windows as they look (pictures grabbed offscreen), the about box's placement over
// the main window and its links.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <chrono>
#include <cstdlib>
#include <thread>

#include "converter/Main.h"
#include "converter/Options.h"
#include "converter/about.h"
#include "platform/classlib/Bitmap.h"
#include "platform/classlib/DialogProvider.h"
#include "tests/platform/classlib/OpenDialogTyping.h"
#include "tests/converter/ConverterFixture.h"
#include "tests/converter/ProgramFolder.h"
#include "tests/support/Wait.h"

namespace converter_test {
namespace {

class ConverterWindowsTest : public ConverterTest {};

bool Near(TColor color, int r, int g, int b, int tolerance = 24) {
  return std::abs(GetRValue(color) - r) <= tolerance &&
         std::abs(GetGValue(color) - g) <= tolerance && std::abs(GetBValue(color) - b) <= tolerance;
}

// How many pixels of the rectangle are near the colour.
int CountNear(TBitmap& bitmap, int left, int top, int right, int bottom, int r, int g, int b,
              int tolerance = 24) {
  int count = 0;
  for (int y = top; y < bottom && y < bitmap.Height(); ++y) {
    for (int x = left; x < right && x < bitmap.Width(); ++x) {
      if (Near(bitmap.Canvas()->Pixels(x, y), r, g, b, tolerance)) ++count;
    }
  }
  return count;
}

TEST_F(ConverterWindowsTest, MainWindowLayoutAndPicture) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  StartConverter();
  EXPECT_EQ(Form1->Caption(), "Brassel 1.2");
  EXPECT_EQ(Form1->ClientWidth(), 431);
  EXPECT_EQ(Form1->ClientHeight(), 342);
  EXPECT_EQ(Form1->BorderStyle(), bsSingle);
  EXPECT_EQ(Form1->BorderIcons(), biSystemMenu | biMinimize);
  EXPECT_EQ(Form1->ToolBar1->Height(), 54);
  EXPECT_EQ(Form1->ProgressBar1->Height(), 17);
  EXPECT_EQ(Form1->ProgressBar1->Top(), 342 - 17);
  EXPECT_EQ(Form1->ListView1->Top(), 54);
  EXPECT_EQ(Form1->ListView1->Height(), 342 - 54 - 17);
  EXPECT_EQ(Form1->ListView1->Font()->Name(), "Verdana");
  ASSERT_EQ(Form1->ListView1->Columns()->Count(), 2);
  EXPECT_EQ(Form1->ListView1->Columns()->Items(0)->Caption(), "Filename");
  EXPECT_EQ(Form1->ListView1->Columns()->Items(0)->Width(), 300);
  EXPECT_EQ(Form1->ListView1->Columns()->Items(1)->Caption(), "Status");
  EXPECT_EQ(Form1->ListView1->Columns()->Items(1)->Width(), 127);
  EXPECT_EQ(Form1->ToolButton2->Caption(), " Output Dir ");
  EXPECT_EQ(Form1->Font()->Name(), "MS Sans Serif");
  EXPECT_FALSE(Form1->Button1->Visible());
  EXPECT_FALSE(Form1->Button1->Enabled());
  EXPECT_EQ(Form1->Timer1->Interval(), 1000u);
  EXPECT_FALSE(Form1->Timer1->Enabled());

  // Menus: "&File" with its two separators, "&Edit", "&Help".
  TMenuItem* menu = Form1->MainMenu1->Items();
  ASSERT_EQ(menu->Count(), 3);
  const char* file[] = {
      "&Input Files...", "&Output Directory...", "-", "&Decode", "&Abort", "-", "&Exit"};
  ASSERT_EQ(menu->Items(0)->Count(), 7);
  for (int i = 0; i < 7; ++i) EXPECT_EQ(menu->Items(0)->Items(i)->Caption(), file[i]);
  EXPECT_EQ(menu->Items(1)->Items(0)->Caption(), "&Options");
  EXPECT_EQ(menu->Items(2)->Items(0)->Caption(), "&About");

  Form1->Show();
  TBitmap toolbar;
  Form1->ToolBar1->GrabToBitmap(&toolbar);
  EXPECT_EQ(toolbar.Width(), 431);
  EXPECT_EQ(toolbar.Height(), 54);
  // The buttons, 61 pixels apart, show their pictures: decode green, abort red, about blue.
  EXPECT_GT(CountNear(toolbar, 2 * 61, 0, 3 * 61, 40, 60, 190, 80), 40);
  EXPECT_GT(CountNear(toolbar, 3 * 61, 0, 4 * 61, 40, 220, 40, 40), 40);
  EXPECT_GT(CountNear(toolbar, 5 * 61, 0, 6 * 61, 40, 70, 120, 220), 40);
  EXPECT_EQ(CountNear(toolbar, 0, 0, 431, 54, 255, 0, 255), 0) << "magenta must be transparent";
  TBitmap window;
  Form1->GrabToBitmap(&window);
  EXPECT_GE(window.Width(), 431);
  EXPECT_GE(window.Height(), 342);
}

TEST_F(ConverterWindowsTest, MainWindowCarriesTheProgramIcon) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  StartConverter();
  TBitmap icon;
  Form1->IconToBitmap(&icon);
  ASSERT_EQ(icon.Width(), 32);
  ASSERT_EQ(icon.Height(), 32);
  // The program's picture, with its magenta background transparent.
  TBitmap picture;
  picture.LoadFromResourceName(nullptr, "MAINICON");
  ASSERT_EQ(picture.Width(), 32);
  int drawn = 0, differing = 0, magenta = 0;
  for (int y = 0; y < 32; ++y) {
    for (int x = 0; x < 32; ++x) {
      const TColor shown = icon.Canvas()->Pixels(x, y);
      if (Near(shown, 255, 0, 255, 0)) ++magenta;
      if (Near(picture.Canvas()->Pixels(x, y), 255, 0, 255, 0)) continue;
      ++drawn;
      if (shown != picture.Canvas()->Pixels(x, y)) ++differing;
    }
  }
  EXPECT_GT(drawn, 200);
  EXPECT_EQ(differing, 0);
  EXPECT_EQ(magenta, 0);
}

TEST_F(ConverterWindowsTest, NamesTypedUnderOneFilterAreAllQueued) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  // Plain files and a play list, typed together under "Mp3 Files" into Qt's own dialog.
  const std::string a = CopyVector("l1-fl1.bit", "a.mp3");
  const std::string d = CopyVector("l2-fl10.bit", "d.mp2");
  WriteFileText(Work() + "list.m3u", "#EXTM3U\nb.mp3\nc.ogg\n");
  StartConverter();
  TDialogProvider* scripted = SetDialogProvider(nullptr);
  TypedIntoOpenDialog typed;
  TypeIntoNextOpenDialog(3, Work(), "a.mp3", R"("a.mp3" "d.mp2" "list.m3u")", typed);
  CallHandled(Form1, [] { Form1->InputFile1->Click(); });
  SetDialogProvider(scripted);
  ASSERT_TRUE(typed.Typed);
  EXPECT_EQ(typed.Selected, 1);  // the dialog itself shows and selects a.mp3 alone
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  // Chosen a, d, the list's b: the first and the last entries trade places.
  std::vector<std::string> queue;
  for (int i = 0; i < Form1->ListBox1->Items()->Count(); ++i)
    queue.push_back(Form1->ListBox1->Items()->Get(i));
  EXPECT_EQ(queue, (std::vector<std::string>{"b.mp3", d, a}));
  EXPECT_EQ(Form1->ListView1->Items()->Count(), 3);
  EXPECT_EQ(Form1->InitialDirValue(), Work());
  EXPECT_EQ(Form1->OpenDialog1->FilterIndex(), 3);
  EXPECT_EQ(Form1->Player0()->PathToDLL(), WindowsDir() + "teskdec.dll");
}

TEST_F(ConverterWindowsTest, FilesPickedInTheDialogAreQueuedAsSpelled) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  // Clicked in Qt's own dialog under its first filter ("Mpeg Files"): names that would read as
  // names between quotes.
  const std::string quote = CopyVector("l1-fl1.bit", "with \"quote\".mpg");
  const std::string other = CopyVector("l1-fl1.bit", "b \"x\".mpg");
  StartConverter();
  TDialogProvider* scripted = SetDialogProvider(nullptr);
  PickedInOpenDialog picked;
  PickInNextOpenDialog(Work(), {"with \"quote\".mpg", "b \"x\".mpg"}, picked);
  CallHandled(Form1, [] { Form1->InputFile1->Click(); });
  SetDialogProvider(scripted);
  ASSERT_TRUE(picked.Picked);
  EXPECT_TRUE(Dialogs->Messages.empty()) << testing::PrintToString(MessageTexts());
  // Picked quote, other: the two trade places.
  std::vector<std::string> queue, rows;
  for (int i = 0; i < Form1->ListBox1->Items()->Count(); ++i)
    queue.push_back(Form1->ListBox1->Items()->Get(i));
  for (int i = 0; i < Form1->ListView1->Items()->Count(); ++i)
    rows.push_back(Form1->ListView1->Items()->Item(i)->Caption());
  EXPECT_EQ(queue, (std::vector<std::string>{other, quote}));
  EXPECT_EQ(rows, queue);
  EXPECT_EQ(Form1->InitialDirValue(), Work());
}

TEST_F(ConverterWindowsTest, OptionsDialogLayoutAndPicture) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  StartConverter();
  EXPECT_EQ(Form3->Caption(), "Options");
  EXPECT_EQ(Form3->ClientWidth(), 268);
  EXPECT_EQ(Form3->ClientHeight(), 258);
  EXPECT_EQ(Form3->BorderStyle(), bsDialog);
  EXPECT_FALSE(Form3->Visible());
  EXPECT_EQ(Form3->Label2->Caption(), "Define the priority for the decoder thread.");
  EXPECT_EQ(Form3->CheckBox1->Caption(), "Delete the output file if aborted.");
  EXPECT_EQ(Form3->RadioButton1->Caption(), "Also the already decoded files.");
  EXPECT_EQ(Form3->RadioButton2->Caption(), "Only the current decoding file.");
  EXPECT_EQ(Form3->Label3->Caption(), "Output Directory:");
  EXPECT_TRUE(Form3->Edit1->ReadOnly());
  EXPECT_EQ(Form3->Slider1->MaxValue(), 6);
  // Tab order: slider, check box, the two radio buttons, the edit field.
  EXPECT_EQ(Form3->Slider1->TabOrder(), 0);
  EXPECT_EQ(Form3->CheckBox1->TabOrder(), 1);
  EXPECT_EQ(Form3->RadioButton1->TabOrder(), 2);
  EXPECT_EQ(Form3->RadioButton2->TabOrder(), 3);
  EXPECT_EQ(Form3->Edit1->TabOrder(), 4);

  // Shown by the options command, modeless; showing it again only brings it forward.
  CallHandled(Form1, [] { Form1->ToolButton5->Click(); });
  EXPECT_TRUE(Form3->Visible());
  Form3->SetLeft(Form3->Left() + 7);
  const int left = Form3->Left();
  CallHandled(Form1, [] { Form1->Delete1->Click(); });
  EXPECT_EQ(Form3->Left(), left);

  TBitmap picture;
  Form3->GrabToBitmap(&picture);
  EXPECT_EQ(picture.Width(), 268);
  EXPECT_EQ(picture.Height(), 258);
  // The white panel; between the two lines nothing but the check box and radio buttons.
  EXPECT_TRUE(Near(picture.Canvas()->Pixels(258, 100), 255, 255, 255, 2));
  EXPECT_TRUE(Near(picture.Canvas()->Pixels(8, 170), 255, 255, 255, 2));
  // The slider draws its ruler on the panel.
  EXPECT_LT(CountNear(picture, 72, 44, 249, 69, 255, 255, 255), 177 * 25);
  // Clearing the check box disables the radio buttons, and they look it: their captions are
  // no longer drawn in the font's colour.
  ASSERT_TRUE(Form3->CheckBox1->Checked());
  TBitmap enabledRadio, disabledRadio;
  Form3->RadioButton1->GrabToBitmap(&enabledRadio);
  Form3->CheckBox1->SetChecked(false);
  EXPECT_FALSE(Form3->RadioButton1->Enabled());
  Form3->RadioButton1->GrabToBitmap(&disabledRadio);
  const int enabledText = CountNear(enabledRadio, 20, 0, 201, 17, 0, 0, 0, 60);
  EXPECT_GT(enabledText, 20);
  EXPECT_LT(CountNear(disabledRadio, 20, 0, 201, 17, 0, 0, 0, 60), enabledText / 4);
  // The hidden dialog keeps its controls' state when closed.
  Form3->Close();
  EXPECT_FALSE(Form3->Visible());
  EXPECT_FALSE(Form3->CheckBox1->Checked());
}

TEST_F(ConverterWindowsTest, AboutBoxPictureAndPlacement) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  StartConverter();
  EXPECT_EQ(Form2->BorderStyle(), bsNone);
  EXPECT_EQ(Form2->Width(), 256);
  EXPECT_EQ(Form2->Height(), 192);
  EXPECT_FALSE(Form2->Visible());

  Form1->SetBounds(100, 50, 439, 400);
  CallHandled(Form1, [] { Form1->About1->Click(); });
  EXPECT_TRUE(Form2->Visible());
  EXPECT_EQ(Form2->Left(), (439 - 256) / 2 + 100);
  EXPECT_EQ(Form2->Top(), (400 - 192) / 2 + 50 + 5);

  TBitmap picture;
  Form2->GrabToBitmap(&picture);
  EXPECT_EQ(picture.Width(), 256);
  EXPECT_EQ(picture.Height(), 192);
  // The maker's black band at the top left, white elsewhere, the icon's brass, maroon links.
  EXPECT_TRUE(Near(picture.Canvas()->Pixels(60, 2), 0, 0, 0));
  EXPECT_TRUE(Near(picture.Canvas()->Pixels(250, 186), 255, 255, 255));
  EXPECT_GT(CountNear(picture, 8, 80, 41, 113, 215, 170, 60), 50);
  EXPECT_GT(CountNear(picture, 104, 112, 244, 125, 128, 0, 0, 40), 20);

  // Shown again while visible: brought forward, not moved.
  Form1->SetBounds(300, 200, 439, 400);
  CallHandled(Form1, [] { Form1->ToolButton6->Click(); });
  EXPECT_EQ(Form2->Left(), (439 - 256) / 2 + 100);
  // A click on the motto or the bottom line does nothing; one on the picture hides it.
  Form2->Label1->Click();
  Form2->Label5->Click();
  EXPECT_TRUE(Form2->Visible());
  Form2->Image1->Click();
  EXPECT_FALSE(Form2->Visible());
  // Placed afresh over the moved main window; a narrower one gives a negative offset.
  Form1->SetBounds(300, 200, 245, 181);
  CallHandled(Form1, [] { Form1->About1->Click(); });
  EXPECT_EQ(Form2->Left(), 300 - 5);
  EXPECT_EQ(Form2->Top(), 200 - 5 + 5);
}

TEST_F(ConverterWindowsTest, AboutLinksOpenTheMakersAddresses) {
  CONVERTER_TEST_IN_OWN_PROGRAM_FOLDER();
  // A stand-in for the desktop's opener that notes each address.
  const std::string bin = Work() + "bin/";
  ASSERT_EQ(mkdir(bin.c_str(), 0755), 0);
  const std::string log = Work() + "opened.txt";
  WriteFileText(bin + "xdg-open", "#!/bin/sh\necho \"$1\" >> '" + log + "'\n");
  ASSERT_EQ(chmod((bin + "xdg-open").c_str(), 0755), 0);
  setenv("PATH", (bin + ":" + std::getenv("PATH")).c_str(), 1);
  StartConverter();
  EXPECT_EQ(Form2->Label2->Caption(), TForm2::kWebAddress);
  EXPECT_EQ(Form2->Label3->Caption(), TForm2::kMailAddress);
  EXPECT_EQ(Form2->Label4->Caption(), "Tell us what you think of this program");
  EXPECT_EQ(Form2->Label2->Font()->Color(), clMaroon);
  EXPECT_EQ(Form2->Label2->Cursor(), crHandPoint);
  const std::string expected = std::string(TForm2::kWebAddress) +
                               "\nmailto:" + TForm2::kMailAddress + "\n" +
                               TForm2::kFeedbackAddress + "\n";
  for (TLabel* link : {Form2->Label2, Form2->Label3, Form2->Label4}) {
    const size_t before = ReadFileText(log).size();
    link->Click();
    EXPECT_TRUE(WaitFor([&] { return ReadFileText(log).size() != before; },
                        std::chrono::seconds(20), std::chrono::milliseconds(10)));
  }
  EXPECT_EQ(ReadFileText(log), expected);
}

}  // namespace
}  // namespace converter_test
