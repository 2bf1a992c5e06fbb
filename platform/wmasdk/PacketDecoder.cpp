#include "platform/wmasdk/PacketDecoder.h"

#include <algorithm>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/dict.h>
}

PacketDecoder::~PacketDecoder() {
  av_frame_free(&frame_);
  avcodec_free_context(&context_);
}

bool PacketDecoder::Open(const AVCodec& codec, const AVCodecParameters& parameters) {
  codec_ = &codec;
  if (!OpenContext(parameters)) return false;
  frame_ = av_frame_alloc();
  return frame_ != nullptr;
}

int PacketDecoder::Channels() const { return context_->ch_layout.nb_channels; }

int PacketDecoder::SampleRate() const { return context_->sample_rate; }

// A fresh decoder context: at the opening, and after a seek where a flush would keep the
// overlap of the frame decoded last.
bool PacketDecoder::OpenContext(const AVCodecParameters& parameters) {
  avcodec_free_context(&context_);
  heldBack_ = 0;
  lastFedDuration_ = 0;
  firstFrameOut_ = false;
  context_ = avcodec_alloc_context3(codec_);
  if (context_ == nullptr) return false;
  if (avcodec_parameters_to_context(context_, &parameters) < 0) return false;
  AVDictionary* options = nullptr;
  av_dict_set(&options, "codec_whitelist", AllowedCodecs, 0);
  const int opened = avcodec_open2(context_, codec_, &options);
  av_dict_free(&options);
  return opened >= 0;
}

// A frame the decoder could not make sense of costs only itself: its samples are lost, and the
// next frame's time places what follows. False when decoding cannot go on at all.
bool PacketDecoder::Refused(int result) {
  if (result == AVERROR(ENOMEM)) return false;
  // A fresh decoder still holds back as many frames after a refused one: the refused packet
  // is not among those whose length its first frame's time is ahead by.
  if (!firstFrameOut_) lastFedDuration_ = 0;
  return true;
}

bool PacketDecoder::Send(const AVPacket& packet) {
  if (!firstFrameOut_) {
    // The frame that comes out first is that of the packet fed last.
    heldBack_ += lastFedDuration_;
    lastFedDuration_ = std::max<int64_t>(packet.duration, 0);
  }
  fedSinceReset_ = true;
  const int sent = avcodec_send_packet(context_, &packet);
  return sent >= 0 || sent == AVERROR(EAGAIN) || Refused(sent);
}

bool PacketDecoder::SendEnd() {
  draining_ = true;
  return avcodec_send_packet(context_, nullptr) >= 0;
}

PacketDecoder::Result PacketDecoder::Receive() {
  for (;;) {
    const int received = avcodec_receive_frame(context_, frame_);
    if (received == 0) {
      // What the decoder still held at the end follows the last packet fed; a decoder that
      // gave nothing before it held back every packet it was fed.
      if (frame_->pts == AV_NOPTS_VALUE && draining_ && !firstFrameOut_)
        heldBack_ += lastFedDuration_;
      firstFrameOut_ = true;
      return Result::Frame;
    }
    if (received == AVERROR_EOF) return Result::End;
    if (received == AVERROR(EAGAIN))
      // No frame and no end after the end of the data: the decoder is stuck.
      return draining_ ? Result::Failed : Result::NeedsPacket;
    if (!Refused(received)) return Result::Failed;
  }
}

// A flush is enough only for a decoder that has been fed nothing: one that has decoded keeps
// the overlap of its last frame and the place of its noise generator through a flush (so a
// second run from the start would differ from the first), and is set up anew.
bool PacketDecoder::Restart(const AVCodecParameters& parameters) {
  if (fedSinceReset_) {
    if (!OpenContext(parameters)) {
      avcodec_free_context(&context_);  // not Ready from now on
      return false;
    }
  } else {
    avcodec_flush_buffers(context_);
  }
  fedSinceReset_ = false;
  draining_ = false;
  return true;
}
