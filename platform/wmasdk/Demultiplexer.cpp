#include "platform/wmasdk/Demultiplexer.h"

#include <algorithm>
#include <limits>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/dict.h>
}

#include "platform/wmasdk/HeaderLayout.h"
#include "platform/wmasdk/PacketDecoder.h"

namespace {

// The reader reads Windows Media files only, and only from the file system: no demuxer that
// could follow references to other files or addresses.
constexpr const char* AllowedFormats = "asf";
constexpr const char* AllowedProtocols = "file";

// How far past the declared duration a packet's time and the output may go: the rounding of
// the header's times and the last packet's length.
constexpr int64_t DurationSlackMs = 1000;

// A demuxer for the file, reading it through `input`, positioned at its first packet; null
// when the file is none it reads (or no regular file: see FileInput).
AVFormatContext* OpenDemuxer(FileInput& input, const std::string& path) {
  // Named rather than probed: probing asks every demuxer about the file. The ASF demuxer
  // still refuses a file that does not begin with an ASF header.
  const AVInputFormat* asf = av_find_input_format(AllowedFormats);
  AVFormatContext* format = nullptr;
  if (asf == nullptr || !input.Open(path) || !HeaderLayoutFits(input.Descriptor(), input.Size()) ||
      (format = avformat_alloc_context()) == nullptr)
    return nullptr;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "protocol_whitelist", AllowedProtocols, 0);
  av_dict_set(&options, "format_whitelist", AllowedFormats, 0);
  av_dict_set(&options, "codec_whitelist", PacketDecoder::AllowedCodecs, 0);
  // The demuxer reads the file opened and checked here, through its own context.
  format->pb = input.Context();
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (avformat_open_input(&format, path.c_str(), asf, &options) < 0) format = nullptr;
  av_dict_free(&options);
  return format;
}

// Only the audio stream's packets are read.
void DiscardOthers(AVFormatContext& format, int stream) {
  for (unsigned i = 0; i < format.nb_streams; ++i)
    if (static_cast<int>(i) != stream) format.streams[i]->discard = AVDISCARD_ALL;
}

}  // namespace

Demultiplexer::~Demultiplexer() { avformat_close_input(&format_); }

bool Demultiplexer::Open(const std::string& path) {
  input_ = std::make_unique<FileInput>();
  format_ = OpenDemuxer(*input_, path);
  if (format_ == nullptr) return false;
  path_ = path;
  dataOffset_ = format_->pb != nullptr ? avio_tell(format_->pb) : 0;
  packets_.Read(*format_);

  const AVCodec* codec = nullptr;
  stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream_ < 0 || codec == nullptr) return false;
  DiscardOthers(*format_, stream_);
  codec_ = codec;
  TakeTimings();
  seekable_ = format_->pb != nullptr && (format_->pb->seekable & AVIO_SEEKABLE_NORMAL) != 0;
  return true;
}

const AVCodecParameters& Demultiplexer::Parameters() const {
  return *format_->streams[stream_]->codecpar;
}

// The timings come from the header, as libav's stream analysis would give them for an ASF
// file; the analysis itself is not run, as it sets up a decoder for every stream of the file.
void Demultiplexer::TakeTimings() {
  const int64_t fileSize = format_->pb != nullptr ? avio_size(format_->pb) : 0;
  int64_t longest = -1;
  int64_t bitrates = 0;
  for (unsigned i = 0; i < format_->nb_streams; ++i) {
    const AVStream* stream = format_->streams[i];
    if (stream->duration != AV_NOPTS_VALUE)
      longest = std::max(longest, av_rescale_q(stream->duration, stream->time_base, {1, 1000}));
    if (stream->codecpar->bit_rate > 0 && bitrates <= std::numeric_limits<int32_t>::max())
      bitrates += stream->codecpar->bit_rate;
  }
  if (longest < 0 && bitrates > 0 && fileSize > dataOffset_) {
    // A header whose durations do not fit the file's size: estimated from the bit rates.
    longest = av_rescale(fileSize - dataOffset_, 8000, bitrates);
  }
  durationMs_ = ClampToU32(longest);
  declaredDuration_ = longest >= 0 && format_->streams[stream_]->duration != AV_NOPTS_VALUE;
  const int64_t ownRate = format_->streams[stream_]->codecpar->bit_rate;
  // The bound of times and output: the declared duration, but no more than twice what the
  // file's data lasts at the stream's bit rate (the decoder reads its frames by that rate, so
  // it is the header's one value a playing file cannot have wrong). None without a duration.
  int64_t boundMs = durationMs_;
  const int64_t rate = ownRate > 0 ? ownRate : bitrates;
  if (boundMs > 0 && rate > 0 && fileSize > dataOffset_)
    boundMs = std::min(boundMs, 2 * av_rescale(fileSize - dataOffset_, 8000, rate));
  if (boundMs > 0) latestMs_ = boundMs + DurationSlackMs;
  if (ownRate > 0)
    bitrate_ = ClampToU32(ownRate);
  else if (longest > 0 && fileSize > 0)
    bitrate_ = ClampToU32(av_rescale(fileSize, 8000, longest));
  else
    bitrate_ = ClampToU32(bitrates);
}

uint64_t Demultiplexer::PacketSamples(uint32_t sampleRate) const {
  const int64_t rate = Parameters().bit_rate;
  if (!packets_.Known() || rate <= 0) return 0;
  return static_cast<uint64_t>(av_rescale(packets_.Size() * 8, sampleRate, rate));
}

const char* Demultiplexer::Tag(const char* key) const {
  if (format_ == nullptr) return nullptr;
  const AVDictionaryEntry* entry = av_dict_get(format_->metadata, key, nullptr, 0);
  if (entry == nullptr && stream_ >= 0)
    entry = av_dict_get(format_->streams[stream_]->metadata, key, nullptr, 0);
  return entry != nullptr ? entry->value : nullptr;
}

StreamTime Demultiplexer::Time() const {
  const AVRational base = format_->streams[stream_]->time_base;
  return {base.num, base.den, Origin()};
}

int64_t Demultiplexer::Origin() const {
  if (originKept_) return origin_;
  const int64_t start = format_->streams[stream_]->start_time;
  return start != AV_NOPTS_VALUE ? start : 0;
}

// Decided by the first packet that reaches the decoder from the file's start: its own time
// when it lies in the first packet, else the format's start, 0, as the packets before it were
// lost (the first packet's time would place the rest early by what they held).
void Demultiplexer::TakeOrigin(const AVPacket& packet) {
  if (originKept_ || packet.pts == AV_NOPTS_VALUE) return;
  originKept_ = true;
  origin_ = !packets_.Known() || packets_.IndexAt(packet.pos) == 0 ? packet.pts : 0;
}

bool Demultiplexer::InPlace(const AVPacket& packet) const {
  if (!packets_.Known()) return true;
  const int64_t index = packets_.IndexAt(packet.pos);
  return index >= 0 && index >= lastGoodPacket_;
}

// Past the packet read last, and past the one gone on at last time, which did not help.
int64_t Demultiplexer::NextAfterDamage() const { return std::max(lastGoodPacket_, resumedAt_) + 1; }

bool Demultiplexer::PacketsLeft() const {
  return packets_.Known() && NextAfterDamage() < packets_.Count();
}

bool Demultiplexer::PassDamage() {
  if (!PacketsLeft()) return false;
  const int64_t next = NextAfterDamage();
  // A fresh demuxer, as the one that lost its way keeps the state of the damaged packet.
  // Its own input: the old demuxer still reads through the old one until it is closed. The
  // file that cannot be opened again, or is another file now, is lost to the reading.
  auto freshInput = std::make_unique<FileInput>();
  AVFormatContext* fresh = OpenDemuxer(*freshInput, path_);
  if (fresh == nullptr || static_cast<int>(fresh->nb_streams) <= stream_ ||
      !freshInput->SameFileAs(*input_)) {
    avformat_close_input(&fresh);
    inputLost_ = true;
    return false;
  }
  DiscardOthers(*fresh, stream_);
  if (av_seek_frame(fresh, -1, packets_.Start(next), AVSEEK_FLAG_BYTE) < 0) {
    avformat_close_input(&fresh);
    return false;
  }
  if (!originKept_) {
    // Nothing reached the decoder yet: what follows lies past the file's first packet.
    origin_ = 0;
    originKept_ = true;
  }
  avformat_close_input(&format_);
  format_ = fresh;
  input_ = std::move(freshInput);
  resumedAt_ = next;
  resumedSinceGood_ = true;
  return true;
}

Demultiplexer::Result Demultiplexer::Read(AVPacket& packet) {
  for (;;) {
    const int read = av_read_frame(format_, &packet);
    if (read == AVERROR_EOF) {
      // The end of the data, or a demuxer that stopped short of it (or ran past the end on a
      // damaged size): reading goes on at the packet after the last one read. What was lost
      // stays lost when nothing could be read after it.
      if (PassDamage()) continue;
      // A file removed, changed or lost to the reopening during the reading: its end is not
      // the end of its data.
      if (resumedSinceGood_ || inputLost_ || input_->Changed(path_)) return Result::Failed;
      return Result::End;
    }
    if (read < 0) {
      if (PassDamage()) continue;
      return Result::Failed;
    }
    if (packet.stream_index != stream_) {
      av_packet_unref(&packet);
      continue;
    }
    if (InPlace(packet)) return Result::Packet;
    // The demuxer has lost its way in the packet before: what it reads now is no packet.
    av_packet_unref(&packet);
    if (!PassDamage()) return Result::Failed;
  }
}

void Demultiplexer::Keep(const AVPacket& packet) {
  if (packets_.Known()) {
    lastGoodPacket_ = packets_.IndexAt(packet.pos);
    resumedSinceGood_ = false;
  }
  if (!touchedBySeek_) TakeOrigin(packet);
}

bool Demultiplexer::Seek(uint32_t msTime) {
  const int64_t target = static_cast<int64_t>(msTime) * (AV_TIME_BASE / 1000);
  if (av_seek_frame(format_, -1, target, AVSEEK_FLAG_BACKWARD) < 0 &&
      avformat_seek_file(format_, -1, std::numeric_limits<int64_t>::min(), target, target, 0) < 0)
    return false;
  // Damage after the seek is passed over from where the seek landed.
  lastGoodPacket_ = packets_.Containing(avio_tell(format_->pb)) - 1;
  resumedAt_ = -1;
  resumedSinceGood_ = false;
  if (!originKept_) touchedBySeek_ = true;
  return true;
}
