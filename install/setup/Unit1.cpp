#include "install/setup/Unit1.h"

#include "install/setup/Grad.h"
#include "install/setup/Unit2.h"
#include "platform/classlib/Application.h"

TForm1* Form1 = nullptr;
TGrad* Grad = nullptr;

TForm1::TForm1(TComponent* AOwner) : TForm(AOwner) {
  SetName("Form1");
  SetBorderStyle(bsNone);
  SetWindowState(wsMaximized);
  SetCaption("Setup");
  SetColor(clBtnFace);
  Font()->SetName("MS Sans Serif");
  Font()->SetSize(8);
  SetClientWidth(561);
  SetClientHeight(408);

  Img = new TImage(this);
  Img->SetName("Img");
  Img->SetParent(this);
  Img->SetBounds(0, 0, 561, 408);

  OnCreate = [this](TObject* Sender) { FormCreate(Sender); };
  OnActivate = [this](TObject* Sender) { FormActivate(Sender); };
  OnClose = [this](TObject* Sender, TCloseAction& Action) { FormClose(Sender, Action); };
}

TForm1::~TForm1() {
  if (Form1 == this) Form1 = nullptr;
}

void TForm1::FormCreate(TObject*) {
  Img->SetHeight(Screen->Height());
  Img->SetWidth(Screen->Width());
  delete Grad;
  Grad = new TGrad;
  Grad->SetCount(256);
  Grad->SetDirection(1, Img->Height());
  Grad->StartColor = RGB(0, 0, 0);
  Grad->EndColor = RGB(255, 255, 255);
  Grad->Prepare();
  Grad->Paint(Img);
}

void TForm1::FormActivate(TObject*) {
  if (Form2) Form2->Show();
}

void TForm1::FormClose(TObject*, TCloseAction&) {
  delete Grad;
  Grad = nullptr;
}
