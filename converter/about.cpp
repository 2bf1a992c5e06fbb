#include "converter/about.h"

#include <cstring>

#include "converter/Main.h"
#include "platform/classlib/FormPlacing.h"
#include "platform/win32/Shell.h"

TForm2* Form2 = nullptr;

namespace {

// The box's labels stand over its picture, which shows through them.
TLabel* PlaceClearLabel(TForm2* form, const char* name, int left, int top, int width, int height,
                        const char* caption) {
  TLabel* label = PlaceLabel(form, name, left, top, width, height, caption);
  label->SetTransparent(true);
  return label;
}

void MakeLink(TLabel* label) {
  label->SetParentFont(false);
  label->Font()->Assign(label->Parent()->Font());
  label->Font()->SetColor(clMaroon);
  label->SetCursor(crHandPoint);
}

}  // namespace

TForm2::TForm2(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form2");
  SetBorderStyle(bsNone);
  SetColor(clWhite);
  SetClientWidth(273);
  SetClientHeight(251);
  Font()->SetName("Verdana");
  Font()->SetHeight(-11);
  Font()->SetCharset(ANSI_CHARSET);

  Image1 = new TImage(this);
  Image1->SetName("Image1");
  Image1->SetParent(this);
  Image1->SetBounds(0, 0, 256, 192);
  Image1->SetAutoSize(true);
  {
    TJPEGImage jpeg;
    jpeg.LoadFromResourceName(nullptr, "ABOUT");
    Image1->Picture()->SetGraphic(&jpeg);
  }
  Image1->OnClick = [this](TObject* Sender) { Image1Click(Sender); };

  Image2 = new TImage(this);
  Image2->SetName("Image2");
  Image2->SetParent(this);
  Image2->SetBounds(8, 80, 33, 33);
  {
    TBitmap bitmap;
    bitmap.LoadFromResourceName(nullptr, "MAINICON");
    bitmap.SetTransparent(true);
    Image2->Picture()->SetGraphic(&bitmap);
    Image2->SetTransparent(true);
  }

  Label1 = PlaceClearLabel(this, "Label1", 48, 88, 196, 13, "From any stream to a plain wave.");
  Label1->SetAlignment(taCenter);
  Label2 = PlaceClearLabel(this, "Label2", 104, 112, 140, 13, kWebAddress);
  Label2->SetAlignment(taCenter);
  MakeLink(Label2);
  Label2->OnClick = [this](TObject* Sender) { Label2Click(Sender); };
  Label3 = PlaceClearLabel(this, "Label3", 132, 128, 114, 13, kMailAddress);
  // Left-aligned labels take the width of their text, whatever font the machine gives.
  Label3->SetAutoSize(true);
  MakeLink(Label3);
  Label3->OnClick = [this](TObject* Sender) { Label3Click(Sender); };
  Label4 =
      PlaceClearLabel(this, "Label4", 28, 144, 217, 13, "Tell us what you think of this program");
  Label4->SetAlignment(taRightJustify);
  MakeLink(Label4);
  Label4->OnClick = [this](TObject* Sender) { Label4Click(Sender); };
  Label5 = PlaceClearLabel(this, "Label5", 8, 176, 237, 13, "Made with care by Ormund, 1999-2001.");
  Label5->SetAutoSize(true);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnShow = [this](TObject* Sender) { FormShow(Sender); };
}

TForm2::~TForm2() {
  if (Form2 == this) Form2 = nullptr;
}

void TForm2::FormCreate(TObject*) {
  SetHeight(Image1->Height());
  SetWidth(Image1->Width());
}

void TForm2::FormShow(TObject*) {
  // Centred on the main window, 5 pixels below its middle; div truncates toward zero.
  SetLeft((Form1->Width() - Width()) / 2 + Form1->Left());
  SetTop((Form1->Height() - Height()) / 2 + Form1->Top() + 5);
}

void TForm2::Image1Click(TObject*) { Close(); }

void TForm2::Label2Click(TObject*) { OpenAddress(Label2->Caption()); }
void TForm2::Label3Click(TObject*) { OpenAddress("mailto:" + Label3->Caption()); }
void TForm2::Label4Click(TObject*) { OpenAddress(kFeedbackAddress); }

void TForm2::OpenAddress(const std::string& Address) {
  char buffer[256] = {};
  std::strncpy(buffer, Address.c_str(), sizeof buffer - 1);
  ShellExecuteA(Handle(), "open", buffer, nullptr, nullptr, SW_SHOW);
}
