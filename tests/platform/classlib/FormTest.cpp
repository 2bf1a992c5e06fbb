// Forms: placement, client size with a menu, showing, closing, focus, and a form holding one
// of each control, shown offscreen and grabbed as a picture.
#include "platform/classlib/Form.h"

#include <QCoreApplication>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include "platform/classlib/Animate.h"
#include "platform/classlib/Application.h"
#include "platform/classlib/Bevel.h"
#include "platform/classlib/Bitmap.h"
#include "platform/classlib/Button.h"
#include "platform/classlib/CheckBox.h"
#include "platform/classlib/Edit.h"
#include "platform/classlib/Gauge.h"
#include "platform/classlib/Image.h"
#include "platform/classlib/ImageList.h"
#include "platform/classlib/Label.h"
#include "platform/classlib/ListBox.h"
#include "platform/classlib/ListView.h"
#include "platform/classlib/MainMenu.h"
#include "platform/classlib/Memo.h"
#include "platform/classlib/OpenDialog.h"
#include "platform/classlib/Panel.h"
#include "platform/classlib/ProgressBar.h"
#include "platform/classlib/RadioButton.h"
#include "platform/classlib/ScriptedDialogs.h"
#include "platform/classlib/SpeedButton.h"
#include "platform/classlib/Timer.h"
#include "platform/classlib/ToolBar.h"
#include "platform/classlib/ToolButton.h"
#include "tests/support/Wait.h"

namespace {

// A form built the way the programs build theirs: one of each control.
class TAllControls : public TForm {
 public:
  explicit TAllControls(TComponent* owner) : TForm(owner) {
    SetCaption("All controls");
    SetBorderStyle(bsSingle);
    SetBorderIcons(biSystemMenu | biMinimize);
    SetPosition(poScreenCenter);
    Font()->SetName("MS Sans Serif");
    Font()->SetSize(8);

    MainMenu1 = new TMainMenu(this);
    auto* file = new TMenuItem(this);
    file->SetCaption("&File");
    MainMenu1->Items()->Add(file);
    for (const char* caption : {"&Input Files...", "-", "&Exit"}) {
      auto* item = new TMenuItem(this);
      item->SetCaption(caption);
      file->Add(item);
    }
    SetMenu(MainMenu1);
    SetClientWidth(431);
    SetClientHeight(342);

    ImageList1 = new TImageList(this);
    ImageList1->SetWidth(32);
    ImageList1->SetHeight(32);
    TBitmap strip;
    strip.SetSize(64, 32);
    strip.Canvas()->Brush()->SetColor(clFuchsia);
    strip.Canvas()->FillRect(Rect(0, 0, 64, 32));
    strip.Canvas()->Brush()->SetColor(clRed);
    strip.Canvas()->FillRect(Rect(4, 4, 28, 28));
    strip.Canvas()->Brush()->SetColor(clBlue);
    strip.Canvas()->FillRect(Rect(36, 4, 60, 28));
    ImageList1->AddMasked(&strip, clFuchsia);

    ToolBar1 = new TToolBar(this);
    ToolBar1->SetParent(this);
    ToolBar1->SetHeight(54);
    ToolBar1->SetButtonWidth(61);
    ToolBar1->SetButtonHeight(52);
    ToolBar1->SetImages(ImageList1);
    ToolBar1->SetShowCaptions(true);
    ToolBar1->SetFlat(true);
    for (int i = 0; i < 2; ++i) {
      auto* button = new TToolButton(this);
      button->SetParent(ToolBar1);
      button->SetCaption(i == 0 ? "Input Files" : " Output Dir ");
      button->SetImageIndex(i);
    }

    ProgressBar1 = new TProgressBar(this);
    ProgressBar1->SetParent(this);
    ProgressBar1->SetHeight(17);
    ProgressBar1->SetAlign(alBottom);
    ProgressBar1->SetPosition(40);

    Panel1 = new TPanel(this);
    Panel1->SetParent(this);
    Panel1->SetBounds(0, 60, 200, 260);
    Panel1->SetColor(clWhite);
    Panel1->SetBevelOuter(bvNone);
    Panel1->SetBorderStyle(bsSingle);

    Label1 = new TLabel(this);
    Label1->SetParent(Panel1);
    Label1->SetBounds(16, 16, 10, 10);
    Label1->SetCaption("Priority:");
    Link = new TLabel(this);
    Link->SetParent(Panel1);
    Link->SetBounds(16, 32, 10, 10);
    Link->SetCaption("www.example.org");
    Link->Font()->SetColor(clMaroon);
    Link->SetCursor(crHandPoint);
    Wrapped = new TLabel(this);
    Wrapped->SetParent(Panel1);
    Wrapped->SetBounds(16, 48, 120, 41);
    Wrapped->SetWordWrap(true);
    Wrapped->SetCaption("Now you are ready for the installation. Click on install to proceed.");

    Bevel1 = new TBevel(this);
    Bevel1->SetParent(Panel1);
    Bevel1->SetBounds(16, 100, 160, 2);
    Bevel1->SetShape(bsTopLine);

    CheckBox1 = new TCheckBox(this);
    CheckBox1->SetParent(Panel1);
    CheckBox1->SetBounds(16, 110, 170, 17);
    CheckBox1->SetCaption("Delete the output file if aborted.");
    RadioButton1 = new TRadioButton(this);
    RadioButton1->SetParent(Panel1);
    RadioButton1->SetBounds(40, 130, 150, 17);
    RadioButton1->SetCaption("Also the already decoded files.");
    RadioButton2 = new TRadioButton(this);
    RadioButton2->SetParent(Panel1);
    RadioButton2->SetBounds(40, 150, 150, 17);
    RadioButton2->SetCaption("Only the current decoding file.");
    RadioButton2->SetChecked(true);

    Edit1 = new TEdit(this);
    Edit1->SetParent(Panel1);
    Edit1->SetBounds(16, 175, 170, 21);
    Edit1->SetReadOnly(true);
    Memo1 = new TMemo(this);
    Memo1->SetParent(Panel1);
    Memo1->SetBounds(16, 200, 170, 21);
    Memo1->SetReadOnly(true);
    Memo1->SetText("/opt/Brassel 1.2");

    Gauge1 = new TGauge(this);
    Gauge1->SetParent(Panel1);
    Gauge1->SetBounds(16, 228, 170, 25);
    Gauge1->SetForeColor(clNavy);
    Gauge1->SetProgress(50);

    ListView1 = new TListView(this);
    ListView1->SetParent(this);
    ListView1->SetBounds(210, 60, 215, 120);
    ListView1->SetViewStyle(vsReport);
    ListView1->SetReadOnly(true);
    ListView1->SetRowSelect(true);
    ListView1->Font()->SetName("Verdana");
    auto* name = ListView1->Columns()->Add();
    name->SetCaption("Filename");
    name->SetWidth(150);
    auto* status = ListView1->Columns()->Add();
    status->SetCaption("Status");
    status->SetWidth(60);
    TListItem* row = ListView1->Items()->Add();
    row->SetCaption("/music/song.mp3");
    row->SubItems()->Add("Decoding...");

    Image1 = new TImage(this);
    Image1->SetParent(this);
    Image1->SetBounds(210, 190, 40, 40);
    Image1->SetAutoSize(true);
    TBitmap picture;
    picture.SetSize(24, 16);
    picture.Canvas()->Brush()->SetColor(clTeal);
    picture.Canvas()->FillRect(Rect(0, 0, 24, 16));
    Image1->Picture()->SetGraphic(&picture);

    SpeedButton1 = new TSpeedButton(this);
    SpeedButton1->SetParent(this);
    SpeedButton1->SetBounds(260, 190, 33, 25);
    SpeedButton1->SetFlat(true);
    TBitmap glyph;
    glyph.SetSize(18, 18);
    glyph.Canvas()->Brush()->SetColor(clYellow);
    glyph.Canvas()->FillRect(Rect(2, 4, 16, 16));
    SpeedButton1->SetGlyph(&glyph);

    Button1 = new TButton(this);
    Button1->SetParent(this);
    Button1->SetBounds(300, 190, 75, 25);
    Button1->SetCaption("&Install");

    Animate1 = new TAnimate(this);
    Animate1->SetParent(this);
    Animate1->SetBounds(210, 240, 215, 60);
    Animate1->SetCommonAVI(aviCopyFiles);

    ListBox1 = new TListBox(this);
    ListBox1->SetParent(this);
    ListBox1->SetVisible(false);
    ListBox1->Items()->Add("/music/a.mp3");

    Timer1 = new TTimer(this);
    Timer1->SetEnabled(false);
    OpenDialog1 = new TOpenDialog(this);
  }

  TMainMenu* MainMenu1;
  TImageList* ImageList1;
  TToolBar* ToolBar1;
  TProgressBar* ProgressBar1;
  TPanel* Panel1;
  TLabel *Label1, *Link, *Wrapped;
  TBevel* Bevel1;
  TCheckBox* CheckBox1;
  TRadioButton *RadioButton1, *RadioButton2;
  TEdit* Edit1;
  TMemo* Memo1;
  TGauge* Gauge1;
  TListView* ListView1;
  TImage* Image1;
  TSpeedButton* SpeedButton1;
  TButton* Button1;
  TAnimate* Animate1;
  TListBox* ListBox1;
  TTimer* Timer1;
  TOpenDialog* OpenDialog1;
};

// Points of a control in the form's grabbed picture.
TPoint InForm(TControl* control, int x, int y) {
  TPoint p{x, y};
  for (TControl* c = control; c && !dynamic_cast<TForm*>(c); c = c->Parent()) {
    p.X += c->Left();
    p.Y += c->Top();
    if (auto* panel = dynamic_cast<TPanel*>(c->Parent());
        panel && panel->BorderStyle() == bsSingle) {
      p.X += 1;
      p.Y += 1;
    }
  }
  return p;
}

TEST(FormTest, FormWithEveryControlShowsAndGrabs) {
  TAllControls form(nullptr);
  form.Show();
  EXPECT_TRUE(form.Showing());
  EXPECT_EQ(form.ClientWidth(), 431);
  EXPECT_EQ(form.ClientHeight(), 342);
  // Centred on the screen at the first show.
  EXPECT_EQ(form.Left(), (Screen->Width() - form.Width()) / 2);
  EXPECT_EQ(form.Top(), (Screen->Height() - form.Height()) / 2);
  // Aligned controls: the tool bar along the top, the progress bar along the bottom.
  EXPECT_EQ(form.ToolBar1->BoundsRect(), Rect(0, 0, 431, 54));
  EXPECT_EQ(form.ProgressBar1->BoundsRect(), Rect(0, 325, 431, 342));
  EXPECT_EQ(form.ToolBar1->Buttons(1)->BoundsRect(), Rect(61, 0, 122, 52));
  // Auto-sized labels take their text's size; the word-wrapped one keeps its width.
  EXPECT_GT(form.Label1->Width(), 10);
  EXPECT_EQ(form.Wrapped->Width(), 120);
  EXPECT_GT(form.Wrapped->Height(), form.Label1->Height());
  EXPECT_EQ(form.Image1->Width(), 24);
  EXPECT_EQ(form.Image1->Height(), 16);
  EXPECT_FALSE(form.ListBox1->Showing());
  EXPECT_TRUE(form.Edit1->Showing());

  TBitmap picture;
  form.GrabToBitmap(&picture);
  ASSERT_EQ(picture.Width(), form.Width());
  ASSERT_EQ(picture.Height(), form.Height());
  int menu = form.Height() - form.ClientHeight();
  auto at = [&](TControl* control, int x, int y) {
    TPoint p = InForm(control, x, y);
    return picture.Canvas()->Pixels(p.X, p.Y + menu);
  };
  EXPECT_EQ(at(form.Panel1, 190, 5), clWhite);
  EXPECT_EQ(at(form.Panel1, 0, 0), ColorToRGB(clWindowFrame));  // the panel's one-pixel border
  EXPECT_EQ(at(form.Image1, 3, 3), clTeal);
  EXPECT_EQ(at(form.Gauge1, 5, 3), clNavy);     // the filled half
  EXPECT_EQ(at(form.Gauge1, 165, 3), clWhite);  // the empty half
  EXPECT_EQ(at(form.Gauge1, 0, 0), clBlack);    // its border
  EXPECT_EQ(at(form.Bevel1, 50, 0), ColorToRGB(clBtnShadow));
  EXPECT_EQ(at(form.Bevel1, 50, 1), ColorToRGB(clBtnHighlight));
}

TEST(FormTest, MenuLiesOutsideTheClientArea) {
  TForm form(nullptr);
  form.SetClientHeight(100);
  auto* menu = new TMainMenu(&form);
  auto* item = new TMenuItem(&form);
  item->SetCaption("&Help");
  menu->Items()->Add(item);
  form.SetMenu(menu);
  EXPECT_EQ(form.ClientHeight(), 100);
  EXPECT_GT(form.Height(), 100);
  form.SetMenu(nullptr);
  EXPECT_EQ(form.ClientHeight(), 100);
}

TEST(FormTest, ShowRunsOnShowOnlyWhenItBecomesVisible) {
  TForm form(nullptr);
  int shows = 0;
  form.OnShow = [&](TObject*) { ++shows; };
  form.Show();
  form.Show();  // already shown: only brought to the front
  EXPECT_EQ(shows, 1);
  form.Hide();
  EXPECT_FALSE(form.Visible());
  form.Show();
  EXPECT_EQ(shows, 2);
}

TEST(FormTest, CloseAsksOnCloseWhatToDo) {
  TForm form(nullptr);
  TCloseAction answer = caHide;
  int asked = 0;
  form.OnClose = [&](TObject*, TCloseAction& action) {
    ++asked;
    EXPECT_EQ(action, caHide);
    action = answer;
  };
  form.Show();
  answer = caNone;
  form.Close();
  EXPECT_TRUE(form.Visible());
  answer = caHide;
  form.Close();
  EXPECT_FALSE(form.Visible());
  // The window's close box asks the same.
  form.Show();
  answer = caNone;
  form.Widget()->close();
  EXPECT_TRUE(form.Visible());
  EXPECT_EQ(asked, 3);
}

TEST(FormTest, FocusGoesThroughTheForm) {
  TForm form(nullptr);
  auto* first = new TEdit(&form);
  first->SetParent(&form);
  auto* second = new TButton(&form);
  second->SetParent(&form);
  int enters = 0, exits = 0;
  second->OnEnter = [&](TObject*) { ++enters; };
  second->OnExit = [&](TObject*) { ++exits; };
  EXPECT_EQ(first->TabOrder(), 0);
  EXPECT_EQ(second->TabOrder(), 1);
  second->SetTabOrder(0);
  EXPECT_EQ(first->TabOrder(), 1);
  second->SetFocus();
  EXPECT_TRUE(second->Focused());
  EXPECT_EQ(form.ActiveControl(), second);
  first->SetFocus();
  EXPECT_FALSE(second->Focused());
  EXPECT_EQ(enters, 1);
  EXPECT_EQ(exits, 1);
  delete first;  // the form forgets a destroyed active control
  EXPECT_EQ(form.ActiveControl(), nullptr);
}

TEST(FormTest, MouseOverTheFormsOwnSurface) {
  TForm form(nullptr);
  form.SetClientWidth(200);
  form.SetClientHeight(100);
  auto* label = new TLabel(&form);
  label->SetParent(&form);
  label->SetBounds(10, 10, 50, 13);
  label->SetCaption("link");
  int formMoves = 0, labelMoves = 0, labelClicks = 0;
  form.OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
    ++formMoves;
    EXPECT_EQ(x, 150);
    EXPECT_EQ(y, 60);
  };
  label->OnMouseMove = [&](TObject*, TShiftState, int, int) { ++labelMoves; };
  label->OnClick = [&](TObject*) { ++labelClicks; };
  form.Show();
  QTest::mouseMove(form.ClientWidget(), QPoint(150, 60));
  QTest::mouseMove(label->Widget(), QPoint(5, 5));
  QTest::mouseClick(label->Widget(), Qt::LeftButton, {}, QPoint(5, 5));
  EXPECT_GE(formMoves, 1);
  EXPECT_GE(labelMoves, 1);
  EXPECT_EQ(labelClicks, 1);
}

TEST(FormTest, ClosingTheMainFormEndsTheApplication) {
  struct TMain : TForm {
    using TForm::TForm;
  };
  TMain* main = nullptr;
  Application->CreateForm(main);
  ASSERT_EQ(Application->MainForm(), main);
  main->Close();
  EXPECT_TRUE(Application->Terminated());
  delete main;
  EXPECT_EQ(Application->MainForm(), nullptr);
}

TEST(FormTest, ActivationRunsOnActivate) {
  TForm form(nullptr);
  int activations = 0;
  form.OnActivate = [&](TObject*) { ++activations; };
  form.Show();
  EXPECT_TRUE(WaitFor(
      [&] {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        return activations >= 1;
      },
      std::chrono::seconds(10)));
}

int g_mainFormsDestroyed = 0;

TEST(FormTest, RunShowsTheMainFormAndEndsWhenItCloses) {
  struct TMain : TForm {
    explicit TMain(TComponent* owner) : TForm(owner) {
      Timer = new TTimer(this);
      Timer->SetInterval(1);
      Timer->SetEnabled(false);
      Timer->OnTimer = [this](TObject*) { Close(); };
      OnShow = [this](TObject*) { Timer->SetEnabled(true); };
      OnDestroy = [](TObject*) { ++g_mainFormsDestroyed; };
    }
    TTimer* Timer;
  };
  TMain* main = nullptr;
  Application->CreateForm(main);
  Application->Run();
  EXPECT_TRUE(Application->Terminated());
  // The forms are gone once the loop has ended.
  EXPECT_EQ(g_mainFormsDestroyed, 1);
  EXPECT_EQ(Application->MainForm(), nullptr);
}

}  // namespace
