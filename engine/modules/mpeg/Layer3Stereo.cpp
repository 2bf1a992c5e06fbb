#include "engine/modules/mpeg/Layer3Stereo.h"

#include <cmath>

#include "engine/modules/mpeg/Layer3BandTables.h"

namespace mpeg {

namespace {

constexpr int IllegalPosition = 7;

inline int ClampPosition(int32_t position) {
  if (position < 0) return 0;
  return position < IntensityPositions ? position : IntensityPositions - 1;
}

inline void SpreadLines(double* left, double* right, const double* ratio, int first, int count,
                        int step) {
  const double l = ratio[0];
  const double r = ratio[1];
  for (int j = 0, p = first; j < count; ++j, p += step) {
    double v = left[p];
    left[p] = v * l;
    right[p] = v * r;
  }
}

}  // namespace

void BuildIntensityRatios(Layer3Tables& tables) {
  for (int ms = 0; ms < 2; ++ms) {
    const double factor = ms ? 1.4142135623730951 : 1.0;
    for (int p = 0; p < IntensityPositions; ++p) {
      double t = std::tan(p * M_PI / 12.0);
      tables.Intensity[0][ms][p][0] = t / (1.0 + t) * factor;
      tables.Intensity[0][ms][p][1] = 1.0 / (1.0 + t) * factor;
      for (int scale = 0; scale < 2; ++scale) {
        double k = std::pow(2.0, -0.25 * (scale + 1));
        double l = 1.0;
        double r = 1.0;
        if (p & 1) {
          l = std::pow(k, (p + 1) / 2);
        } else if (p > 0) {
          r = std::pow(k, p / 2);
        }
        tables.Intensity[1 + scale][ms][p][0] = l * factor;
        tables.Intensity[1 + scale][ms][p][1] = r * factor;
      }
    }
  }
}

void IntensityStereo(const Layer3Tables& tables, double* left, double* right,
                     const int32_t* scalefac, const GranuleInfo& info, int rateIndex,
                     bool middleSide, bool lsf, const int32_t* illegalPositions) {
  const int set = lsf ? 1 + (info.ScalefacCompress & 1) : 0;
  const double(*ratios)[2] = tables.Intensity[set][middleSide ? 1 : 0];
  const Layer3BandTable& bands = BandTables[rateIndex];

  // MPEG-1 marks a band without intensity by position 7, the lower sampling frequencies by the
  // largest value the band's scale factor width can hold.
  auto spread = [&](int entry, int first, int count, int step) {
    const int32_t position = scalefac[entry];
    if (illegalPositions != nullptr ? position == illegalPositions[entry]
                                    : position == IllegalPosition)
      return;
    SpreadLines(left, right, ratios[ClampPosition(position)], first, count, step);
  };
  // The highest band has no position of its own: it takes the one of the band below. At the
  // lower sampling frequencies only when that band is in the intensity region too; otherwise
  // the highest band has position 0 (both channels equal).
  auto spreadTop = [&](bool belowInRegion, int entryBelow, int first, int count, int step) {
    if (belowInRegion || !lsf) {
      spread(entryBelow, first, count, step);
    } else {
      SpreadLines(left, right, ratios[0], first, count, step);
    }
  };
  auto longBand = [&](int band) {
    int first = bands.LongBoundary[band];
    spread(band, first, bands.LongBoundary[band + 1] - first, 1);
  };

  if (info.BlockType == 2) {
    const bool mixed = info.MixedBlockFlag != 0;
    const int longBands = MixedLongBands(rateIndex);
    // List index of short band b, window n: 3b + n, or after the long bands of a mixed block.
    const int offset = mixed ? longBands - 9 : 0;
    bool longPart = mixed;
    for (int n = 0; n < 3; ++n) {
      int first = info.Maxband[n];
      if (first > 3) longPart = false;
      for (int b = first; b < 12; ++b) {
        int width = bands.ShortBoundary[b + 1] - bands.ShortBoundary[b];
        spread(3 * b + n + offset, 3 * bands.ShortBoundary[b] + n, width, 3);
      }
      if (first <= 12) {
        int width = bands.ShortBoundary[13] - bands.ShortBoundary[12];
        spreadTop(first <= 11, 33 + n + offset, 3 * bands.ShortBoundary[12] + n, width, 3);
      }
    }
    if (longPart) {
      for (int b = info.Maxbandl; b < longBands; ++b) longBand(b);
    }
  } else {
    for (int b = info.Maxbandl; b < 21; ++b) longBand(b);
    if (info.Maxbandl <= 21)
      spreadTop(info.Maxbandl <= 20, 20, bands.LongBoundary[21], 576 - bands.LongBoundary[21], 1);
  }
}

}  // namespace mpeg
