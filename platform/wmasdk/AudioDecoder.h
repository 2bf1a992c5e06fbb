// The decoding engine behind the reader: the audio stream's packets from a Windows Media file
// (Demultiplexer), decoded (PacketDecoder) and turned frame by frame into blocks of
// interleaved 16-bit PCM in a format fixed when the file is opened (Resampler), each placed by
// its time in the file (SamplePlacer).
//
// Damage costs only what it touches: a damaged packet is passed over, what was lost becomes
// silence of its length and every later sample stays in place, damage in the first packets
// included. No file gives more than its declared duration and a second. Reading fails when
// the demuxer cannot be brought past the damage before the end of the file's data, when the
// file ends before its data does (once what it holds is given), when the file was removed,
// changed in size or cannot be opened again during the reading, and when the file yields no
// samples at all.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wmasdk/Demultiplexer.h"
#include "platform/wmasdk/PacketDecoder.h"
#include "platform/wmasdk/Resampler.h"
#include "platform/wmasdk/SamplePlacer.h"

struct AVPacket;

class AudioDecoder {
 public:
  enum class Step { Block, End, Failed };

  AudioDecoder() = default;
  AudioDecoder(const AudioDecoder&) = delete;
  AudioDecoder& operator=(const AudioDecoder&) = delete;
  ~AudioDecoder();

  // False when the file cannot be opened or carries no audio stream the decoder handles.
  bool Open(const std::string& path);

  uint32_t Channels() const { return channels_; }
  uint32_t SampleRate() const { return sampleRate_; }
  static constexpr uint32_t BitsPerSample = 16;
  uint32_t DurationMs() const { return demuxer_.DurationMs(); }
  uint32_t Bitrate() const { return demuxer_.Bitrate(); }
  bool Seekable() const { return demuxer_.Seekable(); }
  // The file's metadata under a libav key (case-insensitive), or null when it has none.
  const char* Tag(const char* key) const { return demuxer_.Tag(key); }

  // Decodes up to the next block of PCM: Block with the block and its start in milliseconds,
  // End after the last block, Failed when reading or decoding cannot go on.
  Step Next(std::vector<uint8_t>& block, uint32_t& msTime);
  // Positions the next block at msTime (or the closest point before it the file allows).
  bool Seek(uint32_t msTime);

 private:
  // Converts the frame decoded and places it; false when it cannot be converted.
  bool PlaceFrame(std::vector<uint8_t>& block);
  // Places what the resampler still holds once the decoder has given everything.
  bool PlaceRest(std::vector<uint8_t>& block);
  // Feeds the decoder the next packet, or the end of the data; false when reading fails.
  bool Feed();

  Demultiplexer demuxer_;
  PacketDecoder decoder_;
  Resampler resampler_;
  SamplePlacer placer_;
  AVPacket* packet_ = nullptr;
  bool opened_ = false;

  uint32_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  bool touched_ = false;     // anything was read since opening
  bool finished_ = false;    // decoder and resampler have given everything
  bool endChecked_ = false;  // the lost end of the data, if any, is placed
};
