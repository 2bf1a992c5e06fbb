// The stream's decoder: packets in, frames out, with libavcodec. A fresh decoder gives nothing
// for its first packets; what it holds back is counted, as its frames' times are ahead of
// their place in the output by those packets' duration. A frame it cannot make sense of costs
// only itself.
#pragma once

#include <cstdint>

struct AVCodec;
struct AVCodecContext;
struct AVCodecParameters;
struct AVFrame;
struct AVPacket;

class PacketDecoder {
 public:
  // No decoder outside the family.
  static constexpr const char* AllowedCodecs = "wmav1,wmav2,wmapro,wmalossless,wmavoice";

  enum class Result { Frame, End, NeedsPacket, Failed };

  PacketDecoder() = default;
  PacketDecoder(const PacketDecoder&) = delete;
  PacketDecoder& operator=(const PacketDecoder&) = delete;
  ~PacketDecoder();

  bool Open(const AVCodec& codec, const AVCodecParameters& parameters);
  // Whether there is a decoder to feed: none after a failed opening or restart.
  bool Ready() const { return context_ != nullptr; }
  int Channels() const;
  int SampleRate() const;

  // Feeds a packet; false when decoding cannot go on at all.
  bool Send(const AVPacket& packet);
  // Hands the decoder the end of the data, for what it still holds.
  bool SendEnd();
  // The next frame (Frame: in Frame() until the caller unreferences it), End once everything
  // was given after the end of the data, NeedsPacket, or Failed.
  Result Receive();
  AVFrame& Frame() const { return *frame_; }
  // How far, in the stream's time base, the frames' times are ahead of their place.
  int64_t HeldBack() const { return heldBack_; }
  // Whether the end of the data has been handed over.
  bool Draining() const { return draining_; }

  // Starts again for a seek: false when no decoder could be set up.
  bool Restart(const AVCodecParameters& parameters);

 private:
  bool OpenContext(const AVCodecParameters& parameters);
  bool Refused(int result);

  const AVCodec* codec_ = nullptr;
  AVCodecContext* context_ = nullptr;
  AVFrame* frame_ = nullptr;
  int64_t heldBack_ = 0;
  int64_t lastFedDuration_ = 0;
  bool firstFrameOut_ = false;
  bool draining_ = false;       // the end of the file was handed to the decoder
  bool fedSinceReset_ = false;  // packets went to the decoder since it was set up or flushed
};
