#include "engine/modules/mpeg/Layer3Hybrid.h"

#include <cmath>

namespace {

constexpr double kAliasC[8] = {-0.6, -0.535, -0.33, -0.185, -0.095, -0.041, -0.0142, -0.0037};

// Two doubles at once; the products and sums are those of the scalar form, in the same order.
typedef double Pair __attribute__((vector_size(16)));

// 36 windowed outputs z of one subband's 18 lines.
inline void LongTransform(const Layer3Tables& tables, const double* x, const double* window, double* z) {
  // Lines above the last non-zero one add nothing.
  int lines = 18;
  while (lines > 0 && x[lines - 1] == 0.0) --lines;
  Pair acc[9] = {};
  for (int k = 0; k < lines; ++k) {
    const double line = x[k];
    const Pair* column = reinterpret_cast<const Pair*>(tables.imdctLong[k]);
    const Pair factor = {line, line};
#pragma GCC unroll 9
    for (int j = 0; j < 9; ++j) acc[j] += column[j] * factor;
  }
  alignas(16) double half[18];
  for (int j = 0; j < 9; ++j) {
    half[2 * j] = acc[j][0];
    half[2 * j + 1] = acc[j][1];
  }
  for (int i = 0; i < 9; ++i) {
    z[i] = half[i] * window[i];
    z[17 - i] = -half[i] * window[17 - i];
    z[18 + i] = half[9 + i] * window[18 + i];
    z[35 - i] = half[9 + i] * window[35 - i];
  }
}

// Three 12-point transforms of the interleaved windows, overlapped into z at 6, 12 and 18.
inline void ShortTransform(const Layer3Tables& tables, const double* x, const double* window, double* z) {
  for (int i = 0; i < 36; ++i) z[i] = 0.0;
  for (int n = 0; n < 3; ++n) {
    alignas(16) double half[6] = {};
    for (int k = 0; k < 6; ++k) {
      const double line = x[3 * k + n];
      const double* column = tables.imdctShort[k];
      for (int r = 0; r < 6; ++r) half[r] += column[r] * line;
    }
    double* out = z + 6 + 6 * n;
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
  for (int r = 0; r < 18; ++r) {
    int i = r < 9 ? r : r + 9;
    for (int k = 0; k < 18; ++k) tables.imdctLong[k][r] = std::cos(M_PI / 72.0 * (2 * i + 19) * (2 * k + 1));
  }
  for (int r = 0; r < 6; ++r) {
    int i = r < 3 ? r : r + 3;
    for (int k = 0; k < 6; ++k) tables.imdctShort[k][r] = std::cos(M_PI / 24.0 * (2 * i + 7) * (2 * k + 1));
  }
  for (int i = 0; i < 8; ++i) {
    double root = std::sqrt(1.0 + kAliasC[i] * kAliasC[i]);
    tables.cs[i] = 1.0 / root;
    tables.ca[i] = kAliasC[i] / root;
  }
  for (int type = 0; type < 4; ++type) {
    double* w = tables.window[type];
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
    for (int i = 0; i < 36; ++i) tables.windowOdd[type][i] = (i & 1) ? -w[i] : w[i];
  }
}

void Antialias(const Layer3Tables& tables, double* spectrum, const GranuleInfo& info) {
  int boundaries;
  if (info.block_type == 2) {
    if (!info.mixed_block_flag) return;
    boundaries = 1;
  } else {
    boundaries = info.maxb - 1;
  }
  for (int sb = 0; sb < boundaries; ++sb) {
    double* upper = spectrum + 18 * sb + 17;
    double* lower = spectrum + 18 * (sb + 1);
    for (int i = 0; i < 8; ++i) {
      double u = upper[-i];
      double d = lower[i];
      upper[-i] = u * tables.cs[i] - d * tables.ca[i];
      lower[i] = d * tables.cs[i] + u * tables.ca[i];
    }
  }
}

void HybridSynthesis(Layer3State& state, double* spectrum, int channel, const GranuleInfo& info) {
  const Layer3Tables& tables = state.tables;
  const double* previous = state.overlap[channel][state.overlapToggle[channel]];
  state.overlapToggle[channel] ^= 1;
  double* next = state.overlap[channel][state.overlapToggle[channel]];
  double (*slots)[32] = state.slots[channel];

  const bool shortBlocks = info.block_type == 2;
  const bool mixed = shortBlocks && info.mixed_block_flag;
  int sb = 0;
  for (; sb < info.maxb; sb += 2) {
    for (int odd = 0; odd < 2; ++odd) {
      int band = sb + odd;
      const double* x = spectrum + 18 * band;
      const double* prev = previous + 18 * band;
      double* store = next + 18 * band;
      double z[36];
      if (shortBlocks && !(mixed && sb == 0)) {
        ShortTransform(tables, x, odd ? tables.windowOdd[2] : tables.window[2], z);
      } else {
        // The two lowest subbands of a mixed block take the normal long window, whatever the
        // block type.
        int type = shortBlocks || (info.mixed_block_flag && sb == 0) ? 0 : info.block_type;
        LongTransform(tables, x, odd ? tables.windowOdd[type] : tables.window[type], z);
      }
      for (int k = 0; k < 18; ++k) {
        slots[k][band] = z[k] + prev[k];
        store[k] = z[18 + k];
      }
    }
  }
  for (; sb < 32; ++sb) {
    const double* prev = previous + 18 * sb;
    double* store = next + 18 * sb;
    for (int k = 0; k < 18; ++k) {
      slots[k][sb] = prev[k];
      store[k] = 0.0;
    }
  }
}
