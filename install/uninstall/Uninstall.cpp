#include "install/uninstall/Uninstall.h"

#include "install/uninstall/Unit1.h"
#include "platform/classlib/Application.h"

void CreateUninstallForms() {
  Application->Initialize();
  Application->SetTitle("Uninstall");
  Application->CreateForm(Form1);
}
