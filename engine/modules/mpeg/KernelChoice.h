// Which form the decoder's arithmetic kernels take: the AVX2 and FMA forms where the processor
// has both, else the SSE2 forms that every x86-64 processor runs. The tests ask for the SSE2
// forms as well, so that both are checked on any machine.
#pragma once

// True when the AVX2/FMA kernels are in use.
bool Avx2KernelsChosen();

// Asks for the SSE2 kernels (true) or for the best the processor runs (false). Only while no
// decoding is under way.
void ChooseBaselineKernels(bool baseline);
