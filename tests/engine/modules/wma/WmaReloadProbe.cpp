// Loads the module named by its argument, plays a file named by the second to the wave device,
// stops, closes and releases the player, and unloads the module: three times, as a host that
// switches modules does. Exit status 0 when every run played; under the leak checker a lost
// allocation makes the exit status its own.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <thread>

#include "tests/support/LoadedModule.h"
#include "tests/support/Wait.h"

namespace {

bool PlayStopClose(const QVExports& qv, const char* input) {
  const QVHandle h = qv.QVInitModule();
  if (h == 0) return false;
  bool played = qv.QVSetInputName(h, input) && qv.QVSetOutputMode(h, omMMSystem) && qv.QVOpen(h) &&
                qv.QVInitStream(h) && qv.QVPlay(h);
  // Stopped with blocks on the device.
  played = played && WaitFor([&] { return qv.QVGetPos(h) >= 200; }, std::chrono::seconds(30),
                             std::chrono::milliseconds(5));
  if (!qv.QVStop(h) && played) played = false;
  qv.QVClose(h);
  qv.QVDeInitModule(h);
  return played;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  for (int load = 0; load < 3; ++load) {
    // Unloaded at the end of each pass: nothing keeps the module mapped.
    LoadedModule module(argv[1], RTLD_NOW | RTLD_LOCAL);
    if (!module.Loaded()) {
      std::fprintf(stderr, "%s\n", dlerror());
      return 1;
    }
    if (!PlayStopClose(*module, argv[2])) {
      std::fprintf(stderr, "pass %d did not play\n", load);
      return 1;
    }
  }
  return 0;
}
