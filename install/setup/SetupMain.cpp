// setup: reads no command-line argument.
#include "install/setup/Setup.h"
#include "platform/classlib/Application.h"

int main() {
  CreateSetupForms();
  Application->Run();
  EndSetup();
  return 0;
}
