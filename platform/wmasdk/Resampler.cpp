#include "platform/wmasdk/Resampler.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/frame.h>
#include <libswresample/swresample.h>
}

Resampler::~Resampler() { swr_free(&context_); }

void Resampler::SetOutput(uint32_t channels, uint32_t sampleRate) {
  channels_ = channels;
  sampleRate_ = sampleRate;
}

void Resampler::Reset() { swr_free(&context_); }

bool Resampler::Configure(const AVFrame& frame) {
  const int channels = frame.ch_layout.nb_channels;
  const uint64_t layout =
      frame.ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? frame.ch_layout.u.mask : 0;
  if (context_ != nullptr && frame.format == format_ && frame.sample_rate == rate_ &&
      channels == inChannels_ && layout == layout_)
    return true;
  if (channels < 1 || channels > MaxChannels || frame.sample_rate < 1 ||
      frame.sample_rate > MaxSampleRate)
    return false;

  swr_free(&context_);
  AVChannelLayout in{};
  if (layout != 0)
    av_channel_layout_from_mask(&in, layout);
  else
    av_channel_layout_default(&in, channels);
  AVChannelLayout out{};
  av_channel_layout_default(&out, static_cast<int>(channels_));
  const int allocated =
      swr_alloc_set_opts2(&context_, &out, AV_SAMPLE_FMT_S16, static_cast<int>(sampleRate_), &in,
                          static_cast<AVSampleFormat>(frame.format), frame.sample_rate, 0, nullptr);
  av_channel_layout_uninit(&in);
  av_channel_layout_uninit(&out);
  if (allocated < 0 || swr_init(context_) < 0) {
    swr_free(&context_);
    return false;
  }
  format_ = frame.format;
  rate_ = frame.sample_rate;
  inChannels_ = channels;
  layout_ = layout;
  return true;
}

bool Resampler::Convert(const AVFrame* frame, std::vector<uint8_t>& block) {
  block.clear();
  if (context_ == nullptr) return true;
  const int inSamples = frame != nullptr ? frame->nb_samples : 0;
  const int room = swr_get_out_samples(context_, inSamples);
  if (room < 0) return false;
  if (room == 0) return true;
  block.resize(static_cast<size_t>(room) * channels_ * 2);
  uint8_t* out = block.data();
  const int converted = swr_convert(
      context_, &out, room,
      frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, inSamples);
  if (converted < 0) return false;
  block.resize(static_cast<size_t>(converted) * channels_ * 2);
  return true;
}
