#include "engine/modules/mpeg/Layer3Frame.h"

#include <cstring>

#include "engine/modules/mpeg/Layer3Hybrid.h"
#include "engine/modules/mpeg/Layer3Requantise.h"
#include "engine/modules/mpeg/Layer3ScaleFactors.h"
#include "engine/modules/mpeg/Layer3SideInfo.h"
#include "engine/modules/mpeg/Layer3Stereo.h"

namespace mpeg {

namespace {

// Appends the frame's main data behind the reservoir; returns its length.
size_t AppendMainData(Layer3State& state, const FrameHeader& header, const uint8_t* body) {
  const int side = header.SideInfoLength;
  size_t length = header.BodyLength > side ? static_cast<size_t>(header.BodyLength - side) : 0;
  const size_t room = MainDataCapacity - state.reservoirFill;
  if (length > room) length = room;
  std::memcpy(state.mainData + state.reservoirFill, body + side, length);
  return length;
}

// Keeps the last ReservoirBytes of the main data seen so far at the start of the buffer.
void KeepReservoir(Layer3State& state, size_t appended) {
  size_t total = state.reservoirFill + appended;
  size_t keep = total < ReservoirBytes ? total : ReservoirBytes;
  std::memmove(state.mainData, state.mainData + total - keep, keep);
  state.reservoirFill = keep;
}

void SilentGranule(Layer3State& state, int channels, SubbandSlots& slots, int granule) {
  GranuleInfo quiet{};
  for (int ch = 0; ch < channels; ++ch) {
    std::memset(state.spectrum[ch], 0, sizeof state.spectrum[ch]);
    HybridSynthesis(state, state.spectrum[ch], ch, quiet, slots.Samples[ch] + 18 * granule);
  }
}

int DecodeFrameBody(Layer3State& state, const FrameHeader& header, const uint8_t* body,
                    size_t mainLength, SubbandSlots& slots) {
  const int channels = header.Channels == 1 ? 1 : 2;
  const bool lsf = header.Lsf != 0;
  const bool joint = header.ChannelMode == 1 && channels == 2;
  const bool middleSide = joint && (header.ModeExtension & 2);
  const bool intensity = joint && (header.ModeExtension & 1);
  const int rate = header.RateIndex;
  const int granules = lsf ? 1 : 2;

  // Side information, from a copy that ends in zeros, so a short body cannot be overread.
  uint8_t sideBytes[34] = {};
  const int side = header.SideInfoLength;
  int available = header.BodyLength < side ? header.BodyLength : side;
  if (available > 0) std::memcpy(sideBytes, body, static_cast<size_t>(available));
  BitCursor sideReader;
  sideReader.Start(sideBytes, sideBytes + side);
  if (header.CrcPresent) sideReader.SkipBits(16);
  Layer3SideInfo info;
  const int damaged = lsf ? ReadSideInfoLsf(sideReader, info, channels, middleSide, rate)
                          : ReadSideInfo(sideReader, info, channels, middleSide, rate);

  if (static_cast<size_t>(info.MainDataBegin) > state.reservoirFill) {
    for (int gr = 0; gr < granules; ++gr) SilentGranule(state, channels, slots, gr);
    return 18 * granules;
  }

  BitCursor reader;
  reader.Start(state.mainData, state.mainData + state.reservoirFill + mainLength);
  reader.Seek((state.reservoirFill - static_cast<size_t>(info.MainDataBegin)) * 8);

  int32_t scalefac[2][ScaleFactorListSize] = {};
  int32_t illegalPositions[ScaleFactorListSize];
  const Layer3Tables& tables = state.tables;
  for (int gr = 0; gr < granules; ++gr) {
    // A granule whose side information is impossible or whose Huffman data overrun their part
    // is silent; the next granule starts where the part lengths say.
    bool silent = (damaged >> gr) & 1;
    for (int ch = 0; ch < channels; ++ch) {
      GranuleInfo& gi = info.Granule[gr][ch];
      const size_t partStart = reader.Tell();
      if (silent) {
        // Granule 1 of an MPEG-1 frame may reuse these scale factors.
        if (!lsf && gr == 0) ReadScaleFactors(reader, scalefac[ch], gi);
        reader.Seek(partStart + static_cast<size_t>(gi.Part23Length));
        continue;
      }
      int scaleBits =
          lsf ? ReadScaleFactorsLsf(tables, reader, scalefac[ch], gi, intensity && ch == 1,
                                    ch == 1 ? illegalPositions : nullptr)
              : ReadScaleFactors(reader, scalefac[ch], gi);
      int overrun =
          (ch == 1 && middleSide)
              ? RequantiseMiddleSide(state, reader, state.spectrum[0], state.spectrum[1],
                                     scalefac[1], gi, rate, scaleBits)
              : Requantise(state, reader, state.spectrum[ch], scalefac[ch], gi, rate, scaleBits);
      if (overrun) {
        silent = true;
        reader.Seek(partStart + static_cast<size_t>(gi.Part23Length));
      }
    }
    if (silent) {
      SilentGranule(state, channels, slots, gr);
      continue;
    }
    GranuleInfo* gi = info.Granule[gr];
    if (intensity) {
      IntensityStereo(tables, state.spectrum[0], state.spectrum[1], scalefac[1], gi[1], rate,
                      middleSide, lsf, lsf ? illegalPositions : nullptr);
    }
    if (middleSide || intensity) {
      int maxb = gi[0].Maxb > gi[1].Maxb ? gi[0].Maxb : gi[1].Maxb;
      gi[0].Maxb = gi[1].Maxb = maxb;
    }
    for (int ch = 0; ch < channels; ++ch) {
      Antialias(state, state.spectrum[ch], gi[ch]);
      HybridSynthesis(state, state.spectrum[ch], ch, gi[ch], slots.Samples[ch] + 18 * gr);
    }
  }
  return 18 * granules;
}

}  // namespace

void BuildLayer3Tables(Layer3State& state, int downsampleLevel, const DecoderKernels& kernels) {
  state.kernels = &kernels;
  state.downsampleLevel = downsampleLevel;
  BuildRequantiseTables(state.tables, downsampleLevel);
  BuildHybridTables(state.tables);
  BuildIntensityRatios(state.tables);
  BuildLsfScaleLayouts(state.tables);
  std::memset(state.overlap, 0, sizeof state.overlap);
  state.overlapToggle[0] = state.overlapToggle[1] = 0;
  ResetLayer3Reservoir(state);
}

void ResetLayer3Reservoir(Layer3State& state) { state.reservoirFill = 0; }

int DecodeLayer3(Layer3State& state, const FrameHeader& header, const uint8_t* body,
                 SubbandSlots& slots) {
  size_t appended = AppendMainData(state, header, body);
  struct KeepOnExit {
    Layer3State& state;
    size_t appended;
    ~KeepOnExit() { KeepReservoir(state, appended); }
  } keep{state, appended};
  return DecodeFrameBody(state, header, body, appended, slots);
}

void SkipLayer3Frame(Layer3State& state, const FrameHeader& header, const uint8_t* body) {
  KeepReservoir(state, AppendMainData(state, header, body));
}

int SilentLayer3Frame(Layer3State& state, const FrameHeader& header, SubbandSlots& slots) {
  const int channels = header.Channels == 1 ? 1 : 2;
  const int granules = header.Lsf ? 1 : 2;
  for (int gr = 0; gr < granules; ++gr) SilentGranule(state, channels, slots, gr);
  return 18 * granules;
}

}  // namespace mpeg
