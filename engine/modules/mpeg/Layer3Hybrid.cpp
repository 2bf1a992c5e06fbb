#include "engine/modules/mpeg/Layer3Hybrid.h"

#include <cmath>

#include "engine/modules/mpeg/KernelChoice.h"

namespace mpeg {

namespace {

constexpr double AliasFactors[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

// Four doubles at once (two SSE2 operations on processors without AVX).
typedef double Quad __attribute__((vector_size(32)));
typedef double Pair __attribute__((vector_size(16)));

typedef double QuadUnaligned __attribute__((vector_size(32), aligned(8)));

// A product kept apart from the sum it goes into, so that a multiply-add form rounds it as the
// plain form does. A compiler without the barrier (clang before 15) has contraction turned off
// where this is used instead.
[[gnu::always_inline]] inline Quad RoundedApart(Quad q) {
#if defined(__has_builtin)
#if __has_builtin(__builtin_assoc_barrier)
  return __builtin_assoc_barrier(q);
#endif
#endif
  return q;
}

[[gnu::always_inline]] inline Quad Reversed(Quad q) {
  return __builtin_shufflevector(q, q, 3, 2, 1, 0);
}

// The windowing of one subband's transform h into its 36 outputs z; `folded` is the window
// with coefficients 9 to 17 negated. h[0], h[1]: x[0..7]; h[2], h[3]: x[18..25]; h[4]: x[8],
// x[26]. The mirrored halves are the same values backwards.
[[gnu::always_inline]] inline void WindowLong(const Quad* h, const double* folded, double* z) {
  auto w = [folded](int i) { return *reinterpret_cast<const QuadUnaligned*>(folded + i); };
  auto put = [z](int i, Quad v) { *reinterpret_cast<QuadUnaligned*>(z + i) = v; };
  put(0, h[0] * w(0));
  put(4, h[1] * w(4));
  z[8] = h[4][0] * folded[8];
  z[9] = h[4][0] * folded[9];
  put(10, Reversed(h[1]) * w(10));
  put(14, Reversed(h[0]) * w(14));
  put(18, h[2] * w(18));
  put(22, h[3] * w(22));
  z[26] = h[4][1] * folded[26];
  z[27] = h[4][1] * folded[27];
  put(28, Reversed(h[3]) * w(28));
  put(32, Reversed(h[2]) * w(32));
}

// The 36 windowed outputs of two neighbouring subbands (the 18 lines at x and the 18 after
// them) into z[0] and z[1]. Each kernel row is loaded once for both subbands. All 18 lines,
// whether zero or not: a fixed loop costs less than a varying one.
[[gnu::always_inline]] inline void LongTransforms(const Layer3Tables& tables, const double* x,
                                                  const double* folded0, const double* folded1,
                                                  double (*z)[36]) {
  Quad h0[5] = {};
  Quad h1[5] = {};
#pragma GCC unroll 6
  for (int k = 0; k < 18; ++k) {
    const Quad* column = reinterpret_cast<const Quad*>(tables.ImdctLong[k]);
    const double line0 = x[k];
    const double line1 = x[18 + k];
#pragma GCC unroll 5
    for (int j = 0; j < 5; ++j) {
      h0[j] += column[j] * line0;
      h1[j] += column[j] * line1;
    }
  }
  WindowLong(h0, folded0, z[0]);
  WindowLong(h1, folded1, z[1]);
}

// Of the 18 transform values a long window output takes (the row of ImdctLong); the
// windows' folded coefficients give the mirrored outputs their signs.
constexpr int LongSource[36] = {0, 1, 2,  3,  4,  5,  6,  7,  16, 16, 7,  6,  5,  4,  3,  2,  1, 0,
                                8, 9, 10, 11, 12, 13, 14, 15, 17, 17, 15, 14, 13, 12, 11, 10, 9, 8};

// Four neighbouring subbands from sb, one in each lane, straight into the slots and the next
// overlap: the same products and sums as LongTransforms, so the same values, but laid out as
// the slots are.
[[gnu::always_inline]] inline void LongTransformsOfFour(const Layer3Tables& tables, const double* x,
                                                        int type, const double (*previous)[32],
                                                        double (*slots)[32], double (*next)[32],
                                                        int sb) {
  Quad lines[18];
#pragma GCC unroll 18
  for (int k = 0; k < 18; ++k) lines[k] = Quad{x[k], x[18 + k], x[36 + k], x[54 + k]};
  // Two halves of the transform values, so that the sums stay in registers.
  Quad h[18];
#pragma GCC unroll 2
  for (int half = 0; half < 2; ++half) {
    Quad sums[9] = {};
#pragma GCC unroll 6
    for (int k = 0; k < 18; ++k) {
      const Quad line = lines[k];
      const Quad* column = reinterpret_cast<const Quad*>(tables.ImdctLanes[k][9 * half]);
#pragma GCC unroll 9
      for (int i = 0; i < 9; ++i) sums[i] += column[i] * line;
    }
#pragma GCC unroll 9
    for (int i = 0; i < 9; ++i) h[9 * half + i] = sums[i];
  }
  const Quad* window = reinterpret_cast<const Quad*>(tables.WindowLanes[type]);
  // The windowed value is rounded before the overlap is added, never fused with it.
#pragma GCC unroll 18
  for (int k = 0; k < 18; ++k) {
#if defined(__clang__)
#pragma clang fp contract(off)
#endif
    *reinterpret_cast<Quad*>(slots[k] + sb) = RoundedApart(h[LongSource[k]] * window[k]) +
                                              *reinterpret_cast<const Quad*>(previous[k] + sb);
    *reinterpret_cast<Quad*>(next[k] + sb) = h[LongSource[18 + k]] * window[18 + k];
  }
}

// Three 12-point transforms of the interleaved windows, overlapped into z at 6, 12 and 18.
[[gnu::always_inline]] inline void ShortTransform(const Layer3Tables& tables, const double* x,
                                                  const double* window, double* z) {
  for (int i = 0; i < 36; ++i) z[i] = 0.0;
#pragma GCC unroll 3
  for (int n = 0; n < 3; ++n) {
    Quad acc[2] = {};
#pragma GCC unroll 6
    for (int k = 0; k < 6; ++k) {
      const Quad* column = reinterpret_cast<const Quad*>(tables.ImdctShort[k]);
      const double line = x[3 * k + n];
      acc[0] += column[0] * line;
      acc[1] += column[1] * line;
    }
    alignas(32) double half[8];
    *reinterpret_cast<Quad*>(half) = acc[0];
    *reinterpret_cast<Quad*>(half + 4) = acc[1];
    double* out = z + 6 + 6 * n;
#pragma GCC unroll 3
    for (int i = 0; i < 3; ++i) {
      out[i] += half[i] * window[i];
      out[5 - i] += -half[i] * window[5 - i];
      out[6 + i] += half[3 + i] * window[6 + i];
      out[11 - i] += half[3 + i] * window[11 - i];
    }
  }
}

}  // namespace

void BuildHybridTables(Layer3Tables& tables) {
  for (int r = 0; r < 20; ++r) {
    const bool used = r < 18;
    const int i = r < 8 ? r : r < 16 ? r - 8 + 18 : r == 16 ? 8 : 26;
    for (int k = 0; k < 18; ++k)
      tables.ImdctLong[k][r] = used ? std::cos(M_PI / 72.0 * (2 * i + 19) * (2 * k + 1)) : 0.0;
  }
  for (int r = 0; r < 8; ++r) {
    int i = r < 3 ? r : r + 3;
    for (int k = 0; k < 6; ++k)
      tables.ImdctShort[k][r] = r < 6 ? std::cos(M_PI / 24.0 * (2 * i + 7) * (2 * k + 1)) : 0.0;
  }
  for (int i = 0; i < 8; ++i) {
    double root = std::sqrt(1.0 + AliasFactors[i] * AliasFactors[i]);
    tables.Cs[i] = 1.0 / root;
    tables.Ca[i] = AliasFactors[i] / root;
  }
  for (int k = 0; k < 18; ++k)
    for (int r = 0; r < 18; ++r)
      for (int lane = 0; lane < 4; ++lane) tables.ImdctLanes[k][r][lane] = tables.ImdctLong[k][r];
  for (int type = 0; type < 4; ++type) {
    double* w = tables.Window[type];
    for (int i = 0; i < 36; ++i) w[i] = 0.0;
    switch (type) {
      case 0:
        for (int i = 0; i < 36; ++i) w[i] = std::sin(M_PI * (2 * i + 1) / 72.0);
        break;
      case 1:
        for (int i = 0; i < 18; ++i) w[i] = std::sin(M_PI * (2 * i + 1) / 72.0);
        for (int i = 18; i < 24; ++i) w[i] = 1.0;
        for (int i = 24; i < 30; ++i) w[i] = std::sin(M_PI * (2 * i - 35) / 24.0);
        break;
      case 2:
        for (int i = 0; i < 12; ++i) w[i] = std::sin(M_PI * (2 * i + 1) / 24.0);
        break;
      case 3:
        for (int i = 6; i < 12; ++i) w[i] = std::sin(M_PI * (2 * i - 11) / 24.0);
        for (int i = 12; i < 18; ++i) w[i] = 1.0;
        for (int i = 18; i < 36; ++i) w[i] = std::sin(M_PI * (2 * i + 1) / 72.0);
        break;
    }
    for (int i = 0; i < 36; ++i) tables.WindowOdd[type][i] = (i & 1) ? -w[i] : w[i];
    for (int i = 0; i < 36; ++i) {
      const bool mirrored = i >= 9 && i < 18;
      tables.WindowFolded[0][type][i] = mirrored ? -tables.Window[type][i] : tables.Window[type][i];
      tables.WindowFolded[1][type][i] =
          mirrored ? -tables.WindowOdd[type][i] : tables.WindowOdd[type][i];
      for (int lane = 0; lane < 4; ++lane)
        tables.WindowLanes[type][i][lane] = tables.WindowFolded[lane & 1][type][i];
    }
  }
}

namespace {

// The eight butterflies of each boundary four at a time: lane j of the upper half holds line
// 17 - i of subband sb with i = 7 - j (lines 10 to 17 in order), the lower half is read
// backwards to meet it, and the coefficients are taken backwards too.
[[gnu::always_inline]] inline void AntialiasOf(const Layer3Tables& tables, double* spectrum,
                                               int boundaries) {
  auto at = [](const double* p) { return *reinterpret_cast<const QuadUnaligned*>(p); };
  const Quad cs[2] = {Reversed(at(tables.Cs + 4)), Reversed(at(tables.Cs))};
  const Quad ca[2] = {Reversed(at(tables.Ca + 4)), Reversed(at(tables.Ca))};
  for (int sb = 0; sb < boundaries; ++sb) {
    double* upper = spectrum + 18 * sb + 10;
    double* lower = spectrum + 18 * (sb + 1);
    const Quad u[2] = {at(upper), at(upper + 4)};
    const Quad d[2] = {Reversed(at(lower + 4)), Reversed(at(lower))};
    for (int h = 0; h < 2; ++h) {
      *reinterpret_cast<QuadUnaligned*>(upper + 4 * h) = u[h] * cs[h] - d[h] * ca[h];
      *reinterpret_cast<QuadUnaligned*>(lower + 4 - 4 * h) = Reversed(d[h] * cs[h] + u[h] * ca[h]);
    }
  }
}

__attribute__((target("avx2,fma"))) void AntialiasAvx2(const Layer3Tables& tables, double* spectrum,
                                                       int boundaries) {
  AntialiasOf(tables, spectrum, boundaries);
}

void AntialiasBaseline(const Layer3Tables& tables, double* spectrum, int boundaries) {
  AntialiasOf(tables, spectrum, boundaries);
}

}  // namespace

void Antialias(const Layer3State& state, double* spectrum, const GranuleInfo& info) {
  int boundaries;
  if (info.BlockType == 2) {
    if (!info.MixedBlockFlag) return;
    boundaries = 1;
  } else {
    boundaries = info.Maxb - 1;
  }
  state.Kernels->Antialias(state.Tables, spectrum, boundaries);
}

namespace {

[[gnu::always_inline]] inline void HybridSynthesisOf(Layer3State& state, double* spectrum,
                                                     int channel, const GranuleInfo& info,
                                                     double (*slots)[32]) {
  const Layer3Tables& tables = state.Tables;
  const double(*previous)[32] = state.Overlap[channel][state.OverlapToggle[channel]];
  state.OverlapToggle[channel] ^= 1;
  double(*next)[32] = state.Overlap[channel][state.OverlapToggle[channel]];

  const bool shortBlocks = info.BlockType == 2;
  const bool mixed = shortBlocks && info.MixedBlockFlag;
  int sb = 0;
  // Long blocks four subbands at a time; up to three subbands of zeros above maxb add
  // nothing to the overlap and leave nothing for the next granule.
  if (!shortBlocks && !info.MixedBlockFlag) {
    for (; sb < info.Maxb; sb += 4)
      LongTransformsOfFour(tables, spectrum + 18 * sb, info.BlockType, previous, slots, next, sb);
  }
  for (; sb < info.Maxb; sb += 2) {
    double z[2][36];
    const double* x = spectrum + 18 * sb;
    if (shortBlocks && !(mixed && sb == 0)) {
      ShortTransform(tables, x, tables.Window[2], z[0]);
      ShortTransform(tables, x + 18, tables.WindowOdd[2], z[1]);
    } else {
      // The two lowest subbands of a mixed block take the normal long window, whatever the
      // block type.
      int type = shortBlocks || (info.MixedBlockFlag && sb == 0) ? 0 : info.BlockType;
      LongTransforms(tables, x, tables.WindowFolded[0][type], tables.WindowFolded[1][type], z);
    }
    // Both subbands of the pair sit side by side in the slots and in the overlap.
#pragma GCC unroll 18
    for (int k = 0; k < 18; ++k) {
      const Pair first{z[0][k], z[1][k]};
      *reinterpret_cast<Pair*>(slots[k] + sb) =
          first + *reinterpret_cast<const Pair*>(previous[k] + sb);
      *reinterpret_cast<Pair*>(next[k] + sb) = Pair{z[0][18 + k], z[1][18 + k]};
    }
  }
  // sb is even here: the rest of each row in pairs.
  for (int k = 0; k < 18; ++k) {
    for (int b = sb; b < 32; b += 2) {
      *reinterpret_cast<Pair*>(slots[k] + b) = *reinterpret_cast<const Pair*>(previous[k] + b);
      *reinterpret_cast<Pair*>(next[k] + b) = Pair{0.0, 0.0};
    }
  }
}

// The same for processors with AVX2 and FMA (chosen at run time): four lines of a transform
// in one instruction, a multiply and its add fused.
__attribute__((target("avx2,fma"))) void HybridSynthesisAvx2(Layer3State& state, double* spectrum,
                                                             int channel, const GranuleInfo& info,
                                                             double (*slots)[32]) {
  HybridSynthesisOf(state, spectrum, channel, info, slots);
}

void HybridSynthesisBaseline(Layer3State& state, double* spectrum, int channel,
                             const GranuleInfo& info, double (*slots)[32]) {
  HybridSynthesisOf(state, spectrum, channel, info, slots);
}

}  // namespace

void HybridSynthesis(Layer3State& state, double* spectrum, int channel, const GranuleInfo& info,
                     double (*slots)[32]) {
  state.Kernels->HybridSynthesis(state, spectrum, channel, info, slots);
}

void ChooseHybridKernels(DecoderKernels& kernels, bool avx2) {
  kernels.Antialias = avx2 ? AntialiasAvx2 : AntialiasBaseline;
  kernels.HybridSynthesis = avx2 ? HybridSynthesisAvx2 : HybridSynthesisBaseline;
}

}  // namespace mpeg
