// The MPEG audio decoder core: stream input, frame reader, the layer decoders and the
// polyphase synthesis, with the one state object that all stages share.
//
// How a run uses it (the module state holds one MpegDecoder):
//   QVOpen        OpenInput(source, &canSetPosition)   source: mode, name, the five input
//                 callbacks and their user value; the callback's stream value is kept
//                 (Input.Stream()). Raises ModuleFailure{5}. TagBlock() serves QVGetInfo2.
//   QVInitStream  ReadFrame() reads the first frame; Header() gives its fields, FrameLimit()
//                 the estimated frame count. Then Rewind() returns the input to the start
//                 of that first frame (past any ID3v2 tag) so that the run decodes it.
//                 DecoderSetup({level, buffer size, synthesis scale}) makes a new PcmBlock,
//                 the tables for the level, chooses the synthesis entry points and clears
//                 the synthesis history and the Layer III overlap. Raises ModuleFailure{3}.
//                 SetBlockSink(fn, context): fn gets every full PcmBlock.
//   decode thread per frame, holding LockInput():
//                 ReadFrame(), then DecodeFrame() (silence for the frames the reader lost in
//                 front of this one, Reader.LostFrames(); skips the check word, dispatches to
//                 Layer I, II or III) or, for frames before the start, SkipFrame().
//                 At the end of a run that ended by itself: FlushPcm() writes the samples
//                 left in the PcmBlock. Rewind() goes back to the first frame.
//   QVSetPos      SeekToFrame(n) (takes the input lock itself).
//   QVClose       DecoderReset(), CloseInput().
// ReadFrame: FrameRead, NoFrame (no header within the search limit; no code), FrameRefused
// (a forbidden header field or an oversized body: code 5, no frame), EndOfInput (reading past
// the last frame; no code). It raises ModuleFailure{5} when a header read fails and
// ModuleFailure{0} when a read fails during a search.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>

#include "engine/modules/mpeg/BitCursor.h"
#include "engine/modules/mpeg/EqualizerGains.h"
#include "engine/modules/mpeg/FrameHeader.h"
#include "engine/modules/mpeg/FrameReader.h"
#include "engine/modules/mpeg/Layer2Tables.h"
#include "engine/modules/mpeg/PcmBlock.h"
#include "engine/modules/mpeg/PolyphaseSynthesis.h"
#include "engine/modules/mpeg/StreamInput.h"

struct Layer3State;

struct DecoderSettings {
  int32_t DownsampleLevel = 0;  // 0 full rate, 1 half rate
  int32_t BufferSize = 16384;   // bytes of the PcmBlock (rounded down to a multiple of 128)
  int32_t SynthesisScale = 32768;
};

class MpegDecoder {
 public:
  MpegDecoder();
  ~MpegDecoder();
  MpegDecoder(const MpegDecoder&) = delete;
  MpegDecoder& operator=(const MpegDecoder&) = delete;

  // Input.
  void OpenInput(const InputSource& source, QVByteBool* canSetPosition);
  void CloseInput();
  bool InputOpen() const { return Input.IsOpen(); }
  const char* TagBlock() { return Input.TagBlock(); }

  FrameStatus ReadFrame() { return Reader.ReadFrame(Cursor); }
  // Back to the first frame; Layer III main data from before it is not used.
  bool Rewind();
  // Moves to frame n and reads the frame there (not decoded); false when refused.
  bool SeekToFrame(uint32_t n);
  std::unique_lock<std::mutex> LockInput() { return std::unique_lock<std::mutex>(inputLock_); }

  const FrameHeader& Header() const { return Reader.Header(); }
  uint32_t FrameLimit() const { return Reader.FrameLimit(); }

  // Decoding.
  void DecoderSetup(const DecoderSettings& settings);
  void DecoderReset() { decoderReady_ = false; }
  bool DecoderReady() const { return decoderReady_; }
  void SetBlockSink(PcmBlockSink sink, void* context) { Pcm.SetSink(sink, context); }
  // Decodes the frame read last, after silence in place of the frames lost in front of it.
  void DecodeFrame();
  void SkipFrame();
  // Silence of `frames` frames of the current stream, through the synthesis.
  void DecodeSilence(int32_t frames);
  void FlushPcm() { Pcm.Flush(); }

  // Hands one time slot to the synthesis (right null for a one-channel frame) and writes
  // the PcmBlock out when it is full.
  void OutputSlot(double* left, double* right) {
    if (right == nullptr) {
      (Synthesis.*mono_)(left, Pcm.Data(), &Pcm.PcmFill);
    } else {
      (Synthesis.*stereo_)(left, right, Pcm.Data(), &Pcm.PcmFill);
    }
    Pcm.WriteIfFull();
  }

  // The state the stages share.
  StreamInput Input;
  FrameReader Reader{Input};
  BitCursor Cursor;
  EqualizerGains Equalizer;
  PolyphaseSynthesis Synthesis{Equalizer};
  PcmBlock Pcm;
  Layer2Tables Layer2 = {};
  int32_t DownsampleLevel = 0;
  std::unique_ptr<Layer3State> Layer3;

 private:
  using StereoEntry = void (PolyphaseSynthesis::*)(double*, double*, uint8_t*, uint32_t*);
  using MonoEntry = void (PolyphaseSynthesis::*)(double*, uint8_t*, uint32_t*);

  StereoEntry stereo_ = &PolyphaseSynthesis::SynthesizeSlot;
  MonoEntry mono_ = &PolyphaseSynthesis::SynthesizeMono;
  bool decoderReady_ = false;
  std::mutex inputLock_;
};
