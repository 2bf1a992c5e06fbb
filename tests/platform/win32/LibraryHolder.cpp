// Holds a library loaded for another process's tests: loads argv[1], writes one byte to
// stdout ('R' loaded, 'F' failed), then keeps it loaded until stdin reaches its end.
#include <unistd.h>

#include "platform/win32/Library.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  HMODULE module = LoadLibraryA(argv[1]);
  char ready = module ? 'R' : 'F';
  if (write(STDOUT_FILENO, &ready, 1) != 1) return 3;
  char byte;
  while (read(STDIN_FILENO, &byte, 1) > 0) {
  }
  if (module) FreeLibrary(module);
  return module ? 0 : 1;
}
