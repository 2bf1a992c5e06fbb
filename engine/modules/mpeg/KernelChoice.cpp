#include "engine/modules/mpeg/KernelChoice.h"

namespace {

bool ProcessorHasAvx2AndFma() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

const bool processorHasAvx2AndFma = ProcessorHasAvx2AndFma();
bool baselineAskedFor = false;

}  // namespace

bool Avx2KernelsChosen() { return processorHasAvx2AndFma && !baselineAskedFor; }

void ChooseBaselineKernels(bool baseline) { baselineAskedFor = baseline; }
