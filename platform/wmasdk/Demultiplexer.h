// The audio stream's packets from a Windows Media file: the file opened and checked as the SDK
// opens its input (FileInput, HeaderLayoutFits), read with libavformat, with what its header
// declares (the duration, the bit rate, how late a packet's time may be) and its tags.
//
// Where the file's packets have one size, a packet the demuxer loses its way in (or gives up
// at) is passed over and reading goes on at the next packet. Reading fails when the demuxer
// cannot be brought past the damage before the end of the file's data, and when the file was
// removed, changed in size or cannot be opened again during the reading.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/wmasdk/DataPackets.h"
#include "platform/wmasdk/FileInput.h"
#include "platform/wmasdk/StreamTime.h"

struct AVCodec;
struct AVCodecParameters;
struct AVFormatContext;
struct AVPacket;

class Demultiplexer {
 public:
  enum class Result { Packet, End, Failed };

  Demultiplexer() = default;
  Demultiplexer(const Demultiplexer&) = delete;
  Demultiplexer& operator=(const Demultiplexer&) = delete;
  ~Demultiplexer();

  // False when the file cannot be opened or carries no audio stream a decoder is known for.
  bool Open(const std::string& path);

  // The stream's decoder and its parameters, as the file being read gives them.
  const AVCodec* Codec() const { return codec_; }
  const AVCodecParameters& Parameters() const;

  uint32_t DurationMs() const { return durationMs_; }
  // Whether the duration is the header's, not an estimate from the bit rates.
  bool DeclaredDuration() const { return declaredDuration_; }
  uint32_t Bitrate() const { return bitrate_; }
  bool Seekable() const { return seekable_; }
  // The latest time, in ms, a packet may carry: the declared duration, but no more than twice
  // what the file's data lasts at the stream's bit rate, and the slack of the last packet.
  // 0 when the file declares no duration: no time is believed then.
  int64_t LatestMs() const { return latestMs_; }
  // How many samples at a rate one packet's data lasts at the stream's bit rate; 0 when the
  // packets' layout or the bit rate is unknown.
  uint64_t PacketSamples(uint32_t sampleRate) const;
  // Whether the file ends before the data its header declares.
  bool CutShort() const { return packets_.CutShort(); }
  // The file's metadata under a libav key (case-insensitive), or null when it has none.
  const char* Tag(const char* key) const;

  // The stream's time base and origin as they stand now.
  StreamTime Time() const;

  // The next packet of the stream from where the file's packets lie (Packet, for the caller to
  // unreference), the end of the data (End), or Failed.
  Result Read(AVPacket& packet);
  // Takes a packet read as the one the stream's data came from last: damage after it is passed
  // over from the packet after it, and the first one decides the stream's origin.
  void Keep(const AVPacket& packet);
  // Positions the reading at the packet before msTime (or the closest point the file allows).
  bool Seek(uint32_t msTime);

 private:
  void TakeTimings();
  void TakeOrigin(const AVPacket& packet);
  int64_t Origin() const;
  // Whether a packet of the stream came from where the file's packets lie.
  bool InPlace(const AVPacket& packet) const;
  int64_t NextAfterDamage() const;
  bool PacketsLeft() const;
  // Goes on at the packet after the damage; false when there is none to go on at.
  bool PassDamage();

  // Outlives the demuxer reading it: the destructor closes that first.
  std::unique_ptr<FileInput> input_;
  AVFormatContext* format_ = nullptr;
  const AVCodec* codec_ = nullptr;
  int stream_ = -1;
  std::string path_;
  int64_t dataOffset_ = 0;  // where the packets begin
  DataPackets packets_;
  int64_t lastGoodPacket_ = -1;  // the last packet the stream's data came from in order
  int64_t resumedAt_ = -1;       // the last packet reading went on at after damage
  bool resumedSinceGood_ = false;
  // The reopening after damage failed, or found another file at the path.
  bool inputLost_ = false;
  // The stream's start time: the first packet's time when the first packet read is the file's
  // first, else 0, the time the format starts its streams at.
  int64_t origin_ = 0;
  bool originKept_ = false;
  // A seek came before any packet was read: the demuxer's start time stays the origin.
  bool touchedBySeek_ = false;

  uint32_t durationMs_ = 0;
  bool declaredDuration_ = false;
  uint32_t bitrate_ = 0;
  bool seekable_ = false;
  int64_t latestMs_ = 0;
};
