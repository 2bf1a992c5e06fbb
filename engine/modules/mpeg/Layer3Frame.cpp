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
  const size_t room = MainDataCapacity - state.ReservoirFill;
  if (length > room) length = room;
  std::memcpy(state.MainData + state.ReservoirFill, body + side, length);
  return length;
}

// Keeps the last ReservoirBytes of the main data seen so far at the start of the buffer.
void KeepReservoir(Layer3State& state, size_t appended) {
  size_t total = state.ReservoirFill + appended;
  size_t keep = total < ReservoirBytes ? total : ReservoirBytes;
  std::memmove(state.MainData, state.MainData + total - keep, keep);
  state.ReservoirFill = keep;
}

void SilentGranule(Layer3State& state, int channels, SubbandSlots& slots, int granule) {
  GranuleInfo quiet{};
  for (int ch = 0; ch < channels; ++ch) {
    std::memset(state.Spectrum[ch], 0, sizeof state.Spectrum[ch]);
    HybridSynthesis(state, state.Spectrum[ch], ch, quiet, slots.Samples[ch] + 18 * granule);
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

  if (static_cast<size_t>(info.MainDataBegin) > state.ReservoirFill) {
    for (int gr = 0; gr < granules; ++gr) SilentGranule(state, channels, slots, gr);
    return 18 * granules;
  }

  BitCursor reader;
  reader.Start(state.MainData, state.MainData + state.ReservoirFill + mainLength);
  reader.Seek((state.ReservoirFill - static_cast<size_t>(info.MainDataBegin)) * 8);

  int32_t scalefac[2][ScaleFactorListSize] = {};
  int32_t illegalPositions[ScaleFactorListSize];
  const Layer3Tables& tables = state.Tables;
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
              ? RequantiseMiddleSide(state, reader, state.Spectrum[0], state.Spectrum[1],
                                     scalefac[1], gi, rate, scaleBits)
              : Requantise(state, reader, state.Spectrum[ch], scalefac[ch], gi, rate, scaleBits);
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
      IntensityStereo(tables, state.Spectrum[0], state.Spectrum[1], scalefac[1], gi[1], rate,
                      middleSide, lsf, lsf ? illegalPositions : nullptr);
    }
    if (middleSide || intensity) {
      int maxb = gi[0].Maxb > gi[1].Maxb ? gi[0].Maxb : gi[1].Maxb;
      gi[0].Maxb = gi[1].Maxb = maxb;
    }
    for (int ch = 0; ch < channels; ++ch) {
      Antialias(state, state.Spectrum[ch], gi[ch]);
      HybridSynthesis(state, state.Spectrum[ch], ch, gi[ch], slots.Samples[ch] + 18 * gr);
    }
  }
  return 18 * granules;
}

}  // namespace

void BuildLayer3Tables(Layer3State& state, int downsampleLevel, const DecoderKernels& kernels) {
  state.Kernels = &kernels;
  state.DownsampleLevel = downsampleLevel;
  BuildRequantiseTables(state.Tables, downsampleLevel);
  BuildHybridTables(state.Tables);
  BuildIntensityRatios(state.Tables);
  BuildLsfScaleLayouts(state.Tables);
  std::memset(state.Overlap, 0, sizeof state.Overlap);
  state.OverlapToggle[0] = state.OverlapToggle[1] = 0;
  ResetLayer3Reservoir(state);
}

void ResetLayer3Reservoir(Layer3State& state) { state.ReservoirFill = 0; }

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
