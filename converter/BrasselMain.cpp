// Brassel: reads no command-line argument (the shortcuts pass one, which changes nothing).
#include "converter/Brassel.h"
#include "platform/classlib/Application.h"

int main() {
  CreateBrasselForms();
  Application->Run();
  return 0;
}
