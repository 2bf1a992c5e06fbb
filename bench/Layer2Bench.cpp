// Layer II throughput of teskdec.dll through its plug-in interface: a conformance stream
// repeated in memory is served through the input callbacks (imCallback) and decoded into the
// output callbacks (omCallback), which only count the bytes. Prints seconds of sound decoded
// per second of wall time and the peak resident memory.
//
// Usage: build-dir/bench/Layer2Bench [repetitions] [stream.bit]
//   default: 600 repetitions of l2-fl11 (44100 Hz stereo) from the conformance streams.
#include <dlfcn.h>
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench/CountingOutput.h"
#include "engine/PluginInterface.h"
#include "tests/support/Files.h"
#include "tests/support/LoadedModule.h"

namespace {

struct Input {
  std::vector<uint8_t> data;
  int64_t position = 0;
};

QVBool WINAPI InputOpen(QVUserValue, QVStream* stream, QVByteBool*) {
  *stream = 1;
  return TRUE;
}
QVBool WINAPI InputClose(QVUserValue, QVStream) { return TRUE; }
QVBool WINAPI InputGetSize(QVUserValue user, QVStream, int32_t* size) {
  *size = static_cast<int32_t>(reinterpret_cast<Input*>(user)->data.size());
  return TRUE;
}
QVBool WINAPI InputSeek(QVUserValue user, QVStream, int32_t* position, int32_t origin) {
  auto* in = reinterpret_cast<Input*>(user);
  const int64_t base = origin == 0   ? 0
                       : origin == 1 ? in->position
                                     : static_cast<int64_t>(in->data.size());
  const int64_t target = base + *position;
  if (target < 0 || target > static_cast<int64_t>(in->data.size())) return FALSE;
  in->position = target;
  *position = static_cast<int32_t>(target);
  return TRUE;
}
QVBool WINAPI InputRead(QVUserValue user, QVStream, void* buffer, int32_t bytes, int32_t* read) {
  auto* in = reinterpret_cast<Input*>(user);
  int64_t count = static_cast<int64_t>(in->data.size()) - in->position;
  if (count > bytes) count = bytes;
  if (count < 0) count = 0;
  std::memcpy(buffer, in->data.data() + in->position, static_cast<size_t>(count));
  in->position += count;
  *read = static_cast<int32_t>(count);
  return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
  const int repetitions = argc > 1 ? std::atoi(argv[1]) : 600;
  const std::string streamPath = argc > 2 ? argv[2] : VectorPath("l2-fl11.bit").string();
  const std::vector<uint8_t> stream = ReadBytes(streamPath);
  if (stream.empty() || repetitions <= 0) {
    std::fprintf(stderr, "cannot read %s\n", streamPath.c_str());
    return 1;
  }
  Input input;
  for (int i = 0; i < repetitions; ++i)
    input.data.insert(input.data.end(), stream.begin(), stream.end());

  const LoadedModule module(TESKDEC_PATH);
  if (!module.Loaded()) {
    std::fprintf(stderr, "%s\n", dlerror());
    return 1;
  }
  const QVExports& qv = *module;

  CountingOutput output;
  const QVHandle h = qv.QVInitModule();
  const bool prepared =
      h != 0 && qv.QVSetInputMode(h, imCallback) &&
      qv.QVSetInCB(h, InputOpen, InputClose, InputGetSize, InputSeek, InputRead,
                   reinterpret_cast<QVUserValue>(&input)) &&
      qv.QVSetOutputMode(h, omCallback) &&
      qv.QVSetOutCB(h, CountingOutput::Data, CountingOutput::Action, output.User()) &&
      qv.QVOpen(h) && qv.QVInitStream(h) && qv.QVSetLimits(h, 0, 0);
  if (!prepared) {
    std::fprintf(stderr, "the module refused the stream (code %d)\n", h ? qv.QVLastError(h) : -1);
    return 1;
  }
  const auto start = std::chrono::steady_clock::now();
  if (!qv.QVPlay(h)) {
    std::fprintf(stderr, "QVPlay failed (code %d)\n", qv.QVLastError(h));
    return 1;
  }
  output.WaitClosed();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const int32_t code = qv.QVLastError(h);
  qv.QVClose(h);
  qv.QVDeInitModule(h);

  const double sound = static_cast<double>(output.bytes.load()) / (4.0 * output.rate.load());
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  std::printf("input %zu bytes, %.1f s of sound decoded in %.3f s: %.1f s of sound per second\n",
              input.data.size(), sound, seconds, sound / seconds);
  std::printf("peak resident memory %ld KiB, last error %d\n", usage.ru_maxrss, code);
  return code == 0 ? 0 : 1;
}
