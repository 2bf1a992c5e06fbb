// The decoding engine behind the reader: opens a Windows Media Audio file with libavformat,
// decodes its audio stream with libavcodec and turns every decoded frame into one block of
// interleaved 16-bit PCM with libswresample, in a format fixed when the file is opened.
//
// Damage costs only what it touches: where the file's packets have one size, a packet the
// demuxer loses its way in (or gives up at) is passed over and reading goes on at the next
// packet. Each decoded frame is placed by its time in the file, not by the samples given
// before it, so what was lost becomes silence of its length (given in blocks of a frame's
// size) and every later sample stays in place, damage in the first packets included. A time
// past what the header declares is damage, never a gap to fill, and no file gives more than
// its declared duration and a second. Reading fails when the demuxer cannot be brought past
// the damage before the end of the file's data, when the file ends before its data does (once
// what it holds is given), when the file was removed, changed in size or cannot be opened
// again during the reading, and when the file yields no samples at all.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/wmasdk/DataPackets.h"
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
  int64_t Origin() const;
  void DropBeforeSeekTarget(std::vector<uint8_t>& block);
  // Goes on at the packet after the damage; false when there is none to go on at.
  bool PassDamage();
  int64_t NextAfterDamage() const;
  bool PacketsLeft() const;
  // Whether a packet of the stream came from where the file's packets lie.
  bool InPlace(const AVPacket& packet) const;
  void NoteLostPackets(const AVPacket& packet);
  bool DecoderRefused(int result);
  bool PlausibleTime(int64_t pts) const;
  void TakeOrigin(const AVPacket& packet);
  // The samples lost before a frame, by its time: silence to give in front of it.
  uint64_t LostBefore(const AVFrame& frame) const;
  // Takes a block (or silence of a length) as the next delivered: false when nothing of it
  // is left after a seek's target, or when it would take the output past the duration bound.
  bool Deliver(std::vector<uint8_t>& block, uint32_t& msTime);
  bool BeyondBound(size_t bytes) const;
  uint64_t LostAtEnd() const;

  // Outlives the demuxer reading it: the destructor closes that first.
  std::unique_ptr<FileInput> input_;
  AVFormatContext* format_ = nullptr;
  const AVCodec* decoder_ = nullptr;
  AVCodecContext* codec_ = nullptr;
  AVPacket* packet_ = nullptr;
  AVFrame* frame_ = nullptr;
  SwrContext* resampler_ = nullptr;
  int stream_ = -1;
  std::string path_;
  int64_t dataOffset_ = 0;  // where the packets begin
  DataPackets packets_;
  int64_t lastGoodPacket_ = -1;  // the last packet the stream's data came from in order
  int64_t resumedAt_ = -1;       // the last packet reading went on at after damage
  bool resumedSinceGood_ = false;
  // The reopening after damage failed, or found another file at the path.
  bool inputLost_ = false;
  // Silence still to give for lost samples, then the block of the frame placed after it.
  uint64_t silenceLeft_ = 0;
  uint64_t silenceChunk_ = 0;
  std::vector<uint8_t> placed_;
  bool hasPlaced_ = false;
  // The most samples from the start of the file the output may reach (0: no bound), and the
  // latest time, in ms, a packet may carry (0: no time is believed).
  uint64_t boundSamples_ = 0;
  int64_t latestMs_ = 0;
  uint64_t lastFrameSamples_ = 0;
  bool endChecked_ = false;  // the lost end of the data, if any, is given
  // The time and end of the packet fed last (AV_NOPTS_VALUE, INT64_MIN, when none).
  int64_t fedPts_ = INT64_MIN;
  int64_t fedEnd_ = INT64_MIN;
  // A fresh decoder gives nothing for its first packets: their duration, in the stream's
  // time base, is what its frames' times are ahead of their place in the output.
  int64_t heldBack_ = 0;
  int64_t lastFedDuration_ = 0;
  bool firstFrameOut_ = false;
  bool deliveredAny_ = false;
  // The stream's start time: the first packet's time when the first packet read is the file's
  // first, else 0, the time the format starts its streams at.
  int64_t origin_ = 0;
  bool originKept_ = false;
  // A seek came before any packet was read: the demuxer's start time stays the origin.
  bool touchedBySeek_ = false;
  // The input side the resampler is configured for.
  int resamplerFormat_ = -1;
  int resamplerRate_ = 0;
  int resamplerChannels_ = 0;
  uint64_t resamplerLayout_ = 0;

  uint32_t channels_ = 0;
  uint32_t sampleRate_ = 0;
  uint32_t durationMs_ = 0;
  bool declaredDuration_ = false;  // the duration is the header's, not an estimate
  uint32_t bitrate_ = 0;
  bool seekable_ = false;

  bool draining_ = false;       // the end of the file was handed to the decoder
  bool cutShort_ = false;       // the file ended before its data did: the run fails once drained
  bool finished_ = false;       // decoder and resampler have given everything
  bool touched_ = false;        // anything was read since opening
  bool fedSinceReset_ = false;  // packets went to the decoder since it was set up or flushed
  // Samples delivered, from the start of the file: the blocks' times. Frame time stamps trail
  // the samples by the decoder's delay, so the count is kept instead.
  uint64_t samplesOut_ = 0;
  bool timeBasePending_ = false;
  uint64_t seekTarget_ = 0;  // in samples
};
