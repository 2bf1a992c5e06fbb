#include "platform/wmasdk/AudioDecoder.h"

#include "platform/wmasdk/HeaderLayout.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <utility>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/dict.h>
#include <libswresample/swresample.h>
}

namespace {

// The reader reads Windows Media files only, and only from the file system: no demuxer that
// could follow references to other files or addresses, no decoder outside the family.
constexpr const char* AllowedFormats = "asf";
constexpr const char* AllowedProtocols = "file";
constexpr const char* AllowedCodecs = "wmav1,wmav2,wmapro,wmalossless,wmavoice";

// Output formats the module's arithmetic (bytes per second in 32 bits) can carry.
constexpr int MaxChannels = 8;
constexpr int MaxSampleRate = 384000;

// How far past the declared duration a packet's time and the output may go: the rounding of
// the header's times and the last packet's length.
constexpr int64_t DurationSlackMs = 1000;
// Silence for lost samples goes out in blocks of a frame's size, within these.
constexpr uint64_t MinSilenceChunk = 256;
constexpr uint64_t MaxSilenceChunk = 65536;

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
  av_dict_set(&options, "codec_whitelist", AllowedCodecs, 0);
  // The demuxer reads the file opened and checked here, through its own context.
  format->pb = input.Context();
  format->flags |= AVFMT_FLAG_CUSTOM_IO;
  if (avformat_open_input(&format, path.c_str(), asf, &options) < 0) format = nullptr;
  av_dict_free(&options);
  return format;
}

uint32_t ClampToU32(int64_t value) {
  if (value <= 0) return 0;
  return static_cast<uint32_t>(std::min<int64_t>(value, std::numeric_limits<uint32_t>::max()));
}

}  // namespace

AudioDecoder::~AudioDecoder() {
  swr_free(&resampler_);
  av_frame_free(&frame_);
  av_packet_free(&packet_);
  avcodec_free_context(&codec_);
  avformat_close_input(&format_);
}

bool AudioDecoder::Open(const std::string& path) {
  input_ = std::make_unique<FileInput>();
  format_ = OpenDemuxer(*input_, path);
  if (format_ == nullptr) return false;
  path_ = path;
  dataOffset_ = format_->pb != nullptr ? avio_tell(format_->pb) : 0;
  packets_.Read(*format_);

  const AVCodec* decoder = nullptr;
  stream_ = av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
  if (stream_ < 0 || decoder == nullptr) return false;
  for (unsigned i = 0; i < format_->nb_streams; ++i)
    if (static_cast<int>(i) != stream_) format_->streams[i]->discard = AVDISCARD_ALL;

  decoder_ = decoder;
  if (!OpenCodec()) return false;

  const int channels = codec_->ch_layout.nb_channels;
  const int rate = codec_->sample_rate;
  if (channels < 1 || channels > MaxChannels || rate < 1 || rate > MaxSampleRate) return false;
  channels_ = static_cast<uint32_t>(channels);
  sampleRate_ = static_cast<uint32_t>(rate);

  packet_ = av_packet_alloc();
  frame_ = av_frame_alloc();
  if (packet_ == nullptr || frame_ == nullptr) return false;

  TakeTimings();
  seekable_ = format_->pb != nullptr && (format_->pb->seekable & AVIO_SEEKABLE_NORMAL) != 0;
  return true;
}

// The timings come from the header, as libav's stream analysis would give them for an ASF
// file; the analysis itself is not run, as it sets up a decoder for every stream of the file.
void AudioDecoder::TakeTimings() {
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
  if (boundMs > 0) {
    latestMs_ = boundMs + DurationSlackMs;
    boundSamples_ = static_cast<uint64_t>(latestMs_) * sampleRate_ / 1000;
  }
  if (ownRate > 0)
    bitrate_ = ClampToU32(ownRate);
  else if (longest > 0 && fileSize > 0)
    bitrate_ = ClampToU32(av_rescale(fileSize, 8000, longest));
  else
    bitrate_ = ClampToU32(bitrates);
}

// A fresh decoder context: at the opening, and after a seek where a flush would keep the
// overlap of the frame decoded last.
bool AudioDecoder::OpenCodec() {
  avcodec_free_context(&codec_);
  heldBack_ = 0;
  lastFedDuration_ = 0;
  firstFrameOut_ = false;
  codec_ = avcodec_alloc_context3(decoder_);
  if (codec_ == nullptr) return false;
  if (avcodec_parameters_to_context(codec_, format_->streams[stream_]->codecpar) < 0) return false;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "codec_whitelist", AllowedCodecs, 0);
  const int opened = avcodec_open2(codec_, decoder_, &options);
  av_dict_free(&options);
  return opened >= 0;
}

const char* AudioDecoder::Tag(const char* key) const {
  if (format_ == nullptr) return nullptr;
  const AVDictionaryEntry* entry = av_dict_get(format_->metadata, key, nullptr, 0);
  if (entry == nullptr && stream_ >= 0)
    entry = av_dict_get(format_->streams[stream_]->metadata, key, nullptr, 0);
  return entry != nullptr ? entry->value : nullptr;
}

bool AudioDecoder::ConfigureResampler(const AVFrame& frame) {
  const int channels = frame.ch_layout.nb_channels;
  const uint64_t layout =
      frame.ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? frame.ch_layout.u.mask : 0;
  if (resampler_ != nullptr && frame.format == resamplerFormat_ &&
      frame.sample_rate == resamplerRate_ && channels == resamplerChannels_ &&
      layout == resamplerLayout_)
    return true;
  if (channels < 1 || channels > MaxChannels || frame.sample_rate < 1 ||
      frame.sample_rate > MaxSampleRate)
    return false;

  swr_free(&resampler_);
  AVChannelLayout in{};
  if (layout != 0)
    av_channel_layout_from_mask(&in, layout);
  else
    av_channel_layout_default(&in, channels);
  AVChannelLayout out{};
  av_channel_layout_default(&out, static_cast<int>(channels_));
  const int allocated =
      swr_alloc_set_opts2(&resampler_, &out, AV_SAMPLE_FMT_S16, static_cast<int>(sampleRate_), &in,
                          static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  if (allocated < 0 || swr_init(resampler_) < 0) {
    swr_free(&resampler_);
    return false;
  }
  resamplerFormat_ = frame.format;
  resamplerRate_ = frame.sample_rate;
  resamplerChannels_ = channels;
  resamplerLayout_ = layout;
  return true;
}

// Converts one frame, or with a null frame what the resampler still holds.
bool AudioDecoder::Convert(const AVFrame* frame, std::vector<uint8_t>& block) {
  block.clear();
  if (resampler_ == nullptr) return true;
  const int inSamples = frame != nullptr ? frame->nb_samples : 0;
  const int room = swr_get_out_samples(resampler_, inSamples);
  if (room < 0) return false;
  if (room == 0) return true;
  block.resize(static_cast<size_t>(room) * channels_ * 2);
  uint8_t* out = block.data();
  const int converted = swr_convert(
      resampler_, &out, room,
      frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inSamples);
  if (converted < 0) return false;
  block.resize(static_cast<size_t>(converted) * channels_ * 2);
  return true;
}

uint32_t AudioDecoder::BlockTime() const {
  return ClampToU32(static_cast<int64_t>(samplesOut_ * 1000 / sampleRate_));
}

int64_t AudioDecoder::Origin() const {
  if (originKept_) return origin_;
  const int64_t start = format_->streams[stream_]->start_time;
  return start != AV_NOPTS_VALUE ? start : 0;
}

// Decided by the first packet that reaches the decoder from the file's start: its own time
// when it lies in the first packet, else the format's start, 0, as the packets before it were
// lost (the first packet's time would place the rest early by what they held).
void AudioDecoder::TakeOrigin(const AVPacket& packet) {
  if (originKept_ || packet.pts == AV_NOPTS_VALUE) return;
  originKept_ = true;
  origin_ = !packets_.Known() || packets_.IndexAt(packet.pos) == 0 ? packet.pts : 0;
}

// After a seek, the samples are counted from the time stamp of the first packet read.
void AudioDecoder::TakeTimeBase(const AVPacket& packet) {
  timeBasePending_ = false;
  if (packet.pts == AV_NOPTS_VALUE) return;
  const int64_t ms =
      av_rescale_q(packet.pts - Origin(), format_->streams[stream_]->time_base, {1, 1000});
  samplesOut_ = static_cast<uint64_t>(ClampToU32(ms)) * sampleRate_ / 1000;
}

// A seek lands at the packet before its target; the samples before the target are dropped,
// so delivery starts where it was asked to.
void AudioDecoder::DropBeforeSeekTarget(std::vector<uint8_t>& block) {
  if (samplesOut_ >= seekTarget_) return;
  const size_t frameBytes = channels_ * 2;
  const uint64_t frames = block.size() / frameBytes;
  const uint64_t drop = std::min<uint64_t>(frames, seekTarget_ - samplesOut_);
  block.erase(block.begin(), block.begin() + static_cast<long>(drop * frameBytes));
  samplesOut_ += drop;
}

bool AudioDecoder::InPlace(const AVPacket& packet) const {
  if (!packets_.Known()) return true;
  const int64_t index = packets_.IndexAt(packet.pos);
  return index >= 0 && index >= lastGoodPacket_;
}

// Past the packet read last, and past the one gone on at last time, which did not help.
int64_t AudioDecoder::NextAfterDamage() const { return std::max(lastGoodPacket_, resumedAt_) + 1; }

bool AudioDecoder::PacketsLeft() const {
  return packets_.Known() && NextAfterDamage() < packets_.Count();
}

bool AudioDecoder::PassDamage() {
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
  for (unsigned i = 0; i < fresh->nb_streams; ++i)
    if (static_cast<int>(i) != stream_) fresh->streams[i]->discard = AVDISCARD_ALL;
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

// A frame the decoder could not make sense of costs only itself: its samples are lost, and the
// next frame's time places what follows. False when decoding cannot go on at all.
bool AudioDecoder::DecoderRefused(int result) {
  if (result == AVERROR(ENOMEM)) return false;
  // A fresh decoder still holds back as many frames after a refused one: the refused packet
  // is not among those whose length its first frame's time is ahead by.
  if (!firstFrameOut_) lastFedDuration_ = 0;
  return true;
}

// Whether a packet's time can be the stream's: within the bound the header gives. Without a
// declared duration no time is believed enough to fill a gap by.
bool AudioDecoder::PlausibleTime(int64_t pts) const {
  if (pts == AV_NOPTS_VALUE || latestMs_ == 0) return false;
  const AVRational base = format_->streams[stream_]->time_base;
  if (base.num <= 0 || base.den <= 0) return false;
  const int64_t ms = av_rescale_q(pts - Origin(), base, {1, 1000});
  return ms >= 0 && ms <= latestMs_;
}

// A packet whose time lies past the end of the one before it: the demuxer passed over what
// came between.
void AudioDecoder::NoteLostPackets(const AVPacket& packet) {
  if (!PlausibleTime(packet.pts)) return;
  fedEnd_ = packet.pts + packet.duration;
  fedPts_ = packet.pts;
}

uint64_t AudioDecoder::LostBefore(const AVFrame& frame) const {
  if (!PlausibleTime(frame.pts) || frame.nb_samples <= 0 || frame.pts - Origin() < heldBack_)
    return 0;
  const int64_t at =
      av_rescale_q(frame.pts - Origin() - heldBack_, format_->streams[stream_]->time_base,
                   {1, static_cast<int>(sampleRate_)});
  const auto frameSamples = static_cast<int64_t>(frame.nb_samples);
  const int64_t gap = at - static_cast<int64_t>(samplesOut_);
  // Lost samples come in whole frames; less than half of one is the rounding of the times.
  if (gap < frameSamples / 2) return 0;
  return static_cast<uint64_t>((gap + frameSamples / 2) / frameSamples * frameSamples);
}

// Samples lost after the last packet fed: its end short of the end the header declares, as
// when the payloads of the last packets are lost.
uint64_t AudioDecoder::LostAtEnd() const {
  if (!declaredDuration_ || !deliveredAny_ || fedEnd_ == AV_NOPTS_VALUE || lastFrameSamples_ == 0)
    return 0;
  const AVRational base = format_->streams[stream_]->time_base;
  const int64_t end = av_rescale_q(static_cast<int64_t>(durationMs_), {1, 1000}, base) + Origin();
  if (end <= fedEnd_) return 0;
  const int64_t gap = av_rescale_q(end - fedEnd_, base, {1, static_cast<int>(sampleRate_)});
  const auto frameSamples = static_cast<int64_t>(lastFrameSamples_);
  if (gap < frameSamples / 2) return 0;
  // More than a packet's data lasts at the stream's bit rate is no loss inside the last
  // packet but a header whose duration is not the data's: nothing is added then.
  const int64_t rate = format_->streams[stream_]->codecpar->bit_rate;
  if (!packets_.Known() || rate <= 0 ||
      gap > av_rescale(packets_.Size() * 8, sampleRate_, rate))
    return 0;
  return static_cast<uint64_t>((gap + frameSamples / 2) / frameSamples * frameSamples);
}

bool AudioDecoder::BeyondBound(size_t bytes) const {
  return boundSamples_ != 0 && samplesOut_ + bytes / (channels_ * 2) > boundSamples_;
}

bool AudioDecoder::Deliver(std::vector<uint8_t>& block, uint32_t& msTime) {
  DropBeforeSeekTarget(block);
  if (block.empty()) return false;
  msTime = BlockTime();
  samplesOut_ += block.size() / (channels_ * 2);
  deliveredAny_ = true;
  return true;
}

AudioDecoder::Step AudioDecoder::Next(std::vector<uint8_t>& block, uint32_t& msTime) {
  if (format_ == nullptr || codec_ == nullptr) return Step::Failed;
  touched_ = true;
  for (;;) {
    // Silence for what was lost, then the frame placed after it: each block within the
    // bound, so that neither the output nor the memory held grows with a time jump.
    if (silenceLeft_ > 0) {
      const uint64_t samples = std::min(silenceLeft_, silenceChunk_);
      silenceLeft_ -= samples;
      block.assign(static_cast<size_t>(samples) * channels_ * 2, 0);
      if (BeyondBound(block.size())) return Step::Failed;
      if (Deliver(block, msTime)) return Step::Block;
      continue;
    }
    if (hasPlaced_) {
      hasPlaced_ = false;
      block.swap(placed_);
      if (BeyondBound(block.size())) return Step::Failed;
      if (Deliver(block, msTime)) return Step::Block;
      continue;
    }
    if (finished_) {
      if (endChecked_ || cutShort_) break;
      endChecked_ = true;
      silenceLeft_ = LostAtEnd();
      silenceChunk_ = std::clamp(lastFrameSamples_, MinSilenceChunk, MaxSilenceChunk);
      continue;
    }
    const int received = avcodec_receive_frame(codec_, frame_);
    if (received == 0) {
      if (frame_->pts == AV_NOPTS_VALUE && draining_) {
        // What the decoder still held at the end follows the last packet fed; a decoder that
        // gave nothing before it held back every packet it was fed.
        if (!firstFrameOut_) heldBack_ += lastFedDuration_;
        if (fedEnd_ != AV_NOPTS_VALUE) frame_->pts = fedEnd_;
      }
      firstFrameOut_ = true;
      const bool configured = ConfigureResampler(*frame_);
      const bool converted = configured && Convert(frame_, block);
      const uint64_t lost = converted ? LostBefore(*frame_) : 0;
      const auto frameSamples = static_cast<uint64_t>(std::max(frame_->nb_samples, 0));
      av_frame_unref(frame_);
      if (!converted) return Step::Failed;
      lastFrameSamples_ = frameSamples;
      if (lost > 0) {
        silenceLeft_ = lost;
        silenceChunk_ = std::clamp(frameSamples, MinSilenceChunk, MaxSilenceChunk);
      }
      placed_.swap(block);
      hasPlaced_ = true;
      continue;
    }
    if (received == AVERROR_EOF) {
      finished_ = true;
      if (!Convert(nullptr, block)) return Step::Failed;
      placed_.swap(block);
      hasPlaced_ = true;
      continue;
    }
    if (received != AVERROR(EAGAIN)) {
      if (!DecoderRefused(received)) return Step::Failed;
      continue;
    }

    if (draining_) return Step::Failed;  // no frame and no end: the decoder is stuck
    const int read = av_read_frame(format_, packet_);
    if (read == AVERROR_EOF) {
      // The end of the data, or a demuxer that stopped short of it (or ran past the end on a
      // damaged size): reading goes on at the packet after the last one read. What was lost
      // stays lost when nothing could be read after it.
      if (PassDamage()) continue;
      // A file removed, changed or lost to the reopening during the reading: its end is not
      // the end of its data.
      if (resumedSinceGood_ || inputLost_ || input_->Changed(path_)) return Step::Failed;
      if (packets_.CutShort()) cutShort_ = true;
      draining_ = true;
      if (avcodec_send_packet(codec_, nullptr) < 0) return Step::Failed;
      continue;
    }
    if (read < 0) {
      if (PassDamage()) continue;
      return Step::Failed;
    }
    if (packet_->stream_index == stream_) {
      if (!InPlace(*packet_)) {
        // The demuxer has lost its way in the packet before: what it reads now is no packet.
        av_packet_unref(packet_);
        if (PassDamage()) continue;
        return Step::Failed;
      }
      if (PlausibleTime(packet_->pts) && fedPts_ != AV_NOPTS_VALUE && packet_->pts <= fedPts_) {
        // Read again after the damage (the demuxer may give the packet it lost its way in as
        // the one before), or a damaged time: given once only.
        av_packet_unref(packet_);
        continue;
      }
      if (packets_.Known()) {
        lastGoodPacket_ = packets_.IndexAt(packet_->pos);
        resumedSinceGood_ = false;
      }
      if (timeBasePending_) TakeTimeBase(*packet_);
      if (!timeBasePending_ && !touchedBySeek_) TakeOrigin(*packet_);
      if (!firstFrameOut_) {
        // The frame that comes out first is that of the packet fed last.
        heldBack_ += lastFedDuration_;
        lastFedDuration_ = std::max<int64_t>(packet_->duration, 0);
      }
      NoteLostPackets(*packet_);
      fedSinceReset_ = true;
      const int sent = avcodec_send_packet(codec_, packet_);
      if (sent < 0 && sent != AVERROR(EAGAIN) && !DecoderRefused(sent)) {
        av_packet_unref(packet_);
        return Step::Failed;
      }
    }
    av_packet_unref(packet_);
  }
  block.clear();
  // A file that gave no sample at all held no audio the decoder could read; one cut short
  // fails once it has given what it holds.
  return deliveredAny_ && !cutShort_ ? Step::End : Step::Failed;
}

bool AudioDecoder::Seek(uint32_t msTime) {
  if (format_ == nullptr || codec_ == nullptr) return false;
  // Nothing read yet: the file is at its start already, exactly.
  if (msTime == 0 && !touched_) return true;
  if (durationMs_ != 0 && msTime > durationMs_) return false;  // past the end
  const int64_t target = static_cast<int64_t>(msTime) * (AV_TIME_BASE / 1000);
  if (av_seek_frame(format_, -1, target, AVSEEK_FLAG_BACKWARD) < 0 &&
      avformat_seek_file(format_, -1, std::numeric_limits<int64_t>::min(), target, target, 0) < 0)
    return false;
  swr_free(&resampler_);
  // A flush is enough only for a decoder that has been fed nothing: one that has decoded keeps
  // the overlap of its last frame and the place of its noise generator through a flush (so a
  // second run from the start would differ from the first), and is set up anew.
  if (fedSinceReset_) {
    if (!OpenCodec()) {
      avcodec_free_context(&codec_);  // Next answers Failed from now on
      return false;
    }
  } else {
    avcodec_flush_buffers(codec_);
  }
  fedSinceReset_ = false;
  // Damage after the seek is passed over from where the seek landed.
  lastGoodPacket_ = packets_.Containing(avio_tell(format_->pb)) - 1;
  resumedAt_ = -1;
  resumedSinceGood_ = false;
  fedEnd_ = AV_NOPTS_VALUE;
  fedPts_ = AV_NOPTS_VALUE;
  silenceLeft_ = 0;
  hasPlaced_ = false;
  placed_.clear();
  if (!originKept_) touchedBySeek_ = true;
  draining_ = false;
  cutShort_ = false;
  finished_ = false;
  endChecked_ = false;
  touched_ = true;
  seekTarget_ = static_cast<uint64_t>(msTime) * sampleRate_ / 1000;
  samplesOut_ = seekTarget_;
  timeBasePending_ = true;
  return true;
}
