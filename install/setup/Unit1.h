// Setup's main window: a borderless background covering the screen with a gradient from black
// at the top to white at the bottom, painted once. Each activation shows the wizard in front
// of it; closing it ends setup.
#pragma once

#include "platform/classlib/Form.h"
#include "platform/classlib/Image.h"

class TGrad;

class TForm1 : public TForm {
 public:
  explicit TForm1(TComponent* AOwner);
  ~TForm1() override;

  TImage* Img;

  void FormCreate(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
};

extern TForm1* Form1;
// The painter, made when the form is created and destroyed when it closes.
extern TGrad* Grad;
