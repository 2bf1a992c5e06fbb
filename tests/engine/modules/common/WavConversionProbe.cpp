// Converts one file to a WAV file with the module named by its first argument, as the converter
// does, and prints the mode the run ended in and the module's error code. With a fourth
// argument the WAV file is copied there afterwards (out of a file system that goes away with
// this process). Exit status 0 when the run ended, 1 otherwise.
#include <dlfcn.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <thread>

#include "tests/support/LoadedModule.h"
#include "tests/support/Wait.h"

int main(int argc, char** argv) {
  if (argc != 4 && argc != 5) return 2;
  // Kept mapped after dlclose, so that the leak checker still sees what the module's
  // libraries keep in their static data.
  LoadedModule module(argv[1], RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
  if (!module.Loaded()) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  const QVExports& qv = *module;
  const QVHandle h = qv.QVInitModule();
  if (h == 0 || !qv.QVSetInputName(h, argv[2]) || !qv.QVSetOutputMode(h, omFile) ||
      !qv.QVSetOutputName(h, argv[3]) || !qv.QVOpen(h) || !qv.QVInitStream(h) ||
      !qv.QVSetLimits(h, 0, 0) || !qv.QVPlay(h)) {
    std::fprintf(stderr, "the run did not start: code %d\n", h != 0 ? qv.QVLastError(h) : -1);
    return 1;
  }
  int32_t mode = pmPlaying;
  const bool ended = WaitFor(
      [&] {
        mode = qv.QVGetPlayerMode(h);
        return mode != pmPlaying && mode != pmPaused;
      },
      std::chrono::seconds(120), std::chrono::milliseconds(5));
  if (!ended) return 1;
  std::printf("%d %d\n", mode, qv.QVLastError(h));
  qv.QVDeInitModule(h);
  if (argc == 5) {
    std::error_code failed;
    std::filesystem::copy_file(argv[3], argv[4], std::filesystem::copy_options::overwrite_existing,
                               failed);
    if (failed) return 1;
  }
  return 0;
}
