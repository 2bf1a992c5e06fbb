#include "install/setup/Setup.h"

#include "install/setup/Unit1.h"
#include "install/setup/Unit2.h"
#include "platform/classlib/Application.h"
#include "platform/win32/Com.h"

void CreateSetupForms() {
  Application->Initialize();
  CoInitialize(nullptr);
  Application->SetTitle("Installation");
  Application->CreateForm(Form1);
  Application->CreateForm(Form2);
}

void EndSetup() { CoUninitialize(); }
