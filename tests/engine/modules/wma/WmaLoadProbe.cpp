// Loads the module named by its argument as a host does; exit status 0 when it loads, 1 with
// the loader's message otherwise.
#include <dlfcn.h>

#include <cstdio>

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  void* module = dlopen(argv[1], RTLD_NOW | RTLD_LOCAL);
  if (module == nullptr) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  return 0;  // left loaded: the leak checker still sees what the SDK's libraries keep
}
