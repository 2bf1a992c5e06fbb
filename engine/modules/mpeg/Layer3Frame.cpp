#include "engine/modules/mpeg/Layer3Frame.h"

#include <cstring>

#include "engine/modules/mpeg/Layer3Hybrid.h"
#include "engine/modules/mpeg/Layer3Requantize.h"
#include "engine/modules/mpeg/Layer3ScaleFactors.h"
#include "engine/modules/mpeg/Layer3SideInfo.h"
#include "engine/modules/mpeg/Layer3Stereo.h"

namespace {

int SideInfoLength(const Layer3Frame& frame) {
  int length = frame.lsf ? (frame.channels == 1 ? 9 : 17) : (frame.channels == 1 ? 17 : 32);
  return length + (frame.crc ? 2 : 0);
}

// Appends the frame's main data behind the reservoir; returns its length.
size_t AppendMainData(Layer3State& state, const Layer3Frame& frame) {
  const int side = SideInfoLength(frame);
  size_t length = frame.bodyLength > side ? static_cast<size_t>(frame.bodyLength - side) : 0;
  const size_t room = kMainDataCapacity - Layer3BitReader::kGuardBytes - state.reservoirFill;
  if (length > room) length = room;
  std::memcpy(state.mainData + state.reservoirFill, frame.body + side, length);
  std::memset(state.mainData + state.reservoirFill + length, 0, Layer3BitReader::kGuardBytes);
  return length;
}

// Keeps the last kReservoirBytes of the main data seen so far at the start of the buffer.
void KeepReservoir(Layer3State& state, size_t appended) {
  size_t total = state.reservoirFill + appended;
  size_t keep = total < kReservoirBytes ? total : kReservoirBytes;
  std::memmove(state.mainData, state.mainData + total - keep, keep);
  state.reservoirFill = keep;
}

void SilentGranule(Layer3State& state, int channels) {
  GranuleInfo quiet{};
  for (int ch = 0; ch < channels; ++ch) {
    std::memset(state.spectrum[ch], 0, sizeof state.spectrum[ch]);
    HybridSynthesis(state, state.spectrum[ch], ch, quiet);
  }
}

void DecodeFrameBody(Layer3State& state, const Layer3Frame& frame, size_t mainLength, Layer3GranuleSink sink,
                     void* user) {
  const int channels = frame.channels == 1 ? 1 : 2;
  const bool joint = frame.channelMode == 1 && channels == 2;
  const bool middleSide = joint && (frame.modeExtension & 2);
  const bool intensity = joint && (frame.modeExtension & 1);
  const int rate = frame.rateIndex;
  const int granules = frame.lsf ? 1 : 2;

  // Side information, from a copy that ends in zeros, so a short body cannot be overread.
  uint8_t sideBytes[34 + Layer3BitReader::kGuardBytes] = {};
  const int side = SideInfoLength(frame);
  int available = frame.bodyLength < side ? frame.bodyLength : side;
  if (available > 0) std::memcpy(sideBytes, frame.body, static_cast<size_t>(available));
  Layer3BitReader sideReader(sideBytes, static_cast<size_t>(side));
  if (frame.crc) sideReader.Skip(16);
  Layer3SideInfo info;
  const int damaged = frame.lsf ? ReadSideInfoLsf(sideReader, info, channels, middleSide, rate)
                                : ReadSideInfo(sideReader, info, channels, middleSide, rate);

  if (static_cast<size_t>(info.main_data_begin) > state.reservoirFill) {
    for (int gr = 0; gr < granules; ++gr) {
      SilentGranule(state, channels);
      sink(user, state, channels);
    }
    return;
  }

  Layer3BitReader reader(state.mainData, state.reservoirFill + mainLength);
  reader.SetPosition((state.reservoirFill - static_cast<size_t>(info.main_data_begin)) * 8);

  int32_t scalefac[2][kScaleFactorListSize] = {};
  int32_t illegalPositions[kScaleFactorListSize];
  const Layer3Tables& tables = state.tables;
  for (int gr = 0; gr < granules; ++gr) {
    // A granule whose side information is impossible or whose Huffman data overrun their part
    // is silent; the next granule starts where the part lengths say.
    bool silent = (damaged >> gr) & 1;
    for (int ch = 0; ch < channels; ++ch) {
      GranuleInfo& gi = info.granule[gr][ch];
      const size_t partStart = reader.Position();
      if (silent) {
        // Granule 1 of an MPEG-1 frame may reuse these scale factors.
        if (!frame.lsf && gr == 0) ReadScaleFactors(reader, scalefac[ch], gi);
        reader.SetPosition(partStart + static_cast<size_t>(gi.part2_3_length));
        continue;
      }
      int scaleBits = frame.lsf ? ReadScaleFactorsLsf(tables, reader, scalefac[ch], gi, intensity && ch == 1,
                                                      ch == 1 ? illegalPositions : nullptr)
                                : ReadScaleFactors(reader, scalefac[ch], gi);
      int overrun = (ch == 1 && middleSide)
                        ? RequantiseMiddleSide(tables, reader, state.spectrum[0], state.spectrum[1], scalefac[1], gi,
                                               rate, scaleBits)
                        : Requantise(tables, reader, state.spectrum[ch], scalefac[ch], gi, rate, scaleBits);
      if (overrun) {
        silent = true;
        reader.SetPosition(partStart + static_cast<size_t>(gi.part2_3_length));
      }
    }
    if (silent) {
      SilentGranule(state, channels);
      sink(user, state, channels);
      continue;
    }
    GranuleInfo* gi = info.granule[gr];
    if (intensity) {
      IntensityStereo(tables, state.spectrum[0], state.spectrum[1], scalefac[1], gi[1], rate, middleSide, frame.lsf,
                      frame.lsf ? illegalPositions : nullptr);
    }
    if (middleSide || intensity) {
      int maxb = gi[0].maxb > gi[1].maxb ? gi[0].maxb : gi[1].maxb;
      gi[0].maxb = gi[1].maxb = maxb;
    }
    for (int ch = 0; ch < channels; ++ch) {
      Antialias(tables, state.spectrum[ch], gi[ch]);
      HybridSynthesis(state, state.spectrum[ch], ch, gi[ch]);
    }
    sink(user, state, channels);
  }
}

}  // namespace

void BuildLayer3Tables(Layer3State& state, int downsampleLevel) {
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

void DecodeLayer3Frame(Layer3State& state, const Layer3Frame& frame, Layer3GranuleSink sink, void* user) {
  size_t appended = AppendMainData(state, frame);
  struct KeepOnExit {
    Layer3State& state;
    size_t appended;
    ~KeepOnExit() { KeepReservoir(state, appended); }
  } keep{state, appended};
  DecodeFrameBody(state, frame, appended, sink, user);
}

void SkipLayer3Frame(Layer3State& state, const Layer3Frame& frame) {
  KeepReservoir(state, AppendMainData(state, frame));
}

void SilentLayer3Granules(Layer3State& state, int channels, int granules, Layer3GranuleSink sink, void* user) {
  for (int gr = 0; gr < granules; ++gr) {
    SilentGranule(state, channels);
    sink(user, state, channels);
  }
}
