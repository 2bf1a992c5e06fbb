#include "converter/Brassel.h"

#include "converter/Main.h"
#include "converter/Options.h"
#include "converter/about.h"
#include "platform/classlib/Application.h"

void CreateBrasselForms() {
  Application->Initialize();
  Application->SetTitle("Brassel 1.2");
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
  Application->CreateForm(Form3);
}
