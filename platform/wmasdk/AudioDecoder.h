// The decoding engine behind the reader: opens a Windows Media Audio file with libavformat,
// decodes its audio stream with libavcodec and turns every decoded frame into one block of
// interleaved 16-bit PCM with libswresample, in a format fixed when the file is opened.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/wmasdk/FileInput.h"

struct AVCodec;
struct AVFormatContext;
struct AVCodecContext;
struct AVPacket;
struct AVFrame;
struct SwrContext;

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
  uint32_t DurationMs() const { return durationMs_; }
  uint32_t Bitrate() const { return bitrate_; }
  bool Seekable() const { return seekable_; }
  // The file's metadata under a libav key (case-insensitive), or null when it has none.
  const char* Tag(const char* key) const;

  // Decodes up to the next block of PCM: Block with the block and its start in milliseconds,
  // End after the last block, Failed when reading or decoding cannot go on.
  Step Next(std::vector<uint8_t>& block, uint32_t& msTime);
  // Positions the next block at msTime (or the closest point before it the file allows).
  bool Seek(uint32_t msTime);

 private:
  bool OpenCodec();
  void TakeTimings();
  bool ConfigureResampler(const AVFrame& frame);
  bool Convert(const AVFrame* frame, std::vector<uint8_t>& block);
  uint32_t BlockTime() const;
  void TakeTimeBase(const AVPacket& packet);
  void DropBeforeSeekTarget(std::vector<uint8_t>& block);

  FileInput input_;  // outlives the demuxer reading it: the destructor closes that first
  AVFormatContext* format_ = nullptr;
  const AVCodec* decoder_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int stream_ = -1;
  int64_t dataOffset_ = 0;  // where the packets begin
  // The input side the resampler is configured for.
  int resamplerFormat_ = -1;
  int resamplerRate_ = 0;
  int resamplerChannels_ = 0;
  uint64_t resamplerLayout_ = 0;

  uint32_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  uint32_t durationMs_ = 0;
  uint32_t bitrate_ = 0;
  bool seekable_ = false;

  bool draining_ = false;       // the end of the file was handed to the decoder
  bool finished_ = false;       // decoder and resampler have given everything
  bool touched_ = false;        // anything was read since opening
  bool fedSinceReset_ = false;  // packets went to the decoder since it was set up or flushed
  // Samples delivered, from the start of the file: the blocks' times. Frame time stamps trail
  // the samples by the decoder's delay, so the count is kept instead.
  uint64_t samplesOut_ = 0;
  bool timeBasePending_ = false;
  uint64_t seekTarget_ = 0;  // in samples
};
