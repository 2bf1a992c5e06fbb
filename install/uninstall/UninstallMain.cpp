// Uninstall: reads no command-line argument.
#include "install/uninstall/Uninstall.h"
#include "platform/classlib/Application.h"

int main() {
  CreateUninstallForms();
  Application->Run();
  return 0;
}
