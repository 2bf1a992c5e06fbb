#include "engine/modules/mpeg/KernelChoice.h"

namespace mpeg {

namespace {

bool ProcessorHasAvx2AndFma() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
}

}  // namespace

DecoderKernels ChooseKernels(bool baseline) {
  const bool avx2 = !baseline && ProcessorHasAvx2AndFma();
  DecoderKernels kernels{};
  ChooseDct32Kernels(kernels, avx2);
  ChooseSynthesisKernels(kernels, avx2);
  ChooseHybridKernels(kernels, avx2);
  ChooseRequantiseKernels(kernels, avx2 && __builtin_cpu_supports("bmi2"));
  return kernels;
}

}  // namespace mpeg
