#include "platform/wmasdk/AudioDecoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
}

AudioDecoder::~AudioDecoder() { av_packet_free(&packet_); }

bool AudioDecoder::Open(const std::string& path) {
  if (!demuxer_.Open(path) || !decoder_.Open(*demuxer_.Codec(), demuxer_.Parameters()))
    return false;
  const int channels = decoder_.Channels();
  const int rate = decoder_.SampleRate();
  if (channels < 1 || channels > Resampler::MaxChannels || rate < 1 ||
      rate > Resampler::MaxSampleRate)
    return false;
  channels_ = static_cast<uint32_t>(channels);
  sampleRate_ = static_cast<uint32_t>(rate);
  packet_ = av_packet_alloc();
  if (packet_ == nullptr) return false;

  resampler_.SetOutput(channels_, sampleRate_);
  SamplePlacer::Limits limits;
  limits.sampleRate = sampleRate_;
  limits.channels = channels_;
  limits.latestMs = demuxer_.LatestMs();
  limits.declaredEndMs = demuxer_.DeclaredDuration() ? demuxer_.DurationMs() : -1;
  limits.packetSamples = demuxer_.PacketSamples(sampleRate_);
  placer_.Open(limits);
  opened_ = true;
  return true;
}

bool AudioDecoder::PlaceFrame(std::vector<uint8_t>& block) {
  AVFrame& frame = decoder_.Frame();
  const bool converted = resampler_.Configure(frame) && resampler_.Convert(&frame, block);
  if (converted)
    placer_.Place(block, frame.nb_samples, {frame.pts, decoder_.HeldBack(), decoder_.Draining()},
                  demuxer_.Time());
  av_frame_unref(&frame);
  return converted;
}

bool AudioDecoder::PlaceRest(std::vector<uint8_t>& block) {
  finished_ = true;
  if (!resampler_.Convert(nullptr, block)) return false;
  placer_.PlaceNext(block);
  return true;
}

bool AudioDecoder::Feed() {
  for (;;) {
    switch (demuxer_.Read(*packet_)) {
      case Demultiplexer::Result::Failed: return false;
      case Demultiplexer::Result::End: return decoder_.SendEnd();
      case Demultiplexer::Result::Packet: break;
    }
    if (placer_.Repeated(packet_->pts, demuxer_.Time())) {
      // Read again after the damage (the demuxer may give the packet it lost its way in as
      // the one before), or a damaged time: given once only.
      av_packet_unref(packet_);
      continue;
    }
    demuxer_.Keep(*packet_);
    placer_.Fed(packet_->pts, packet_->duration, demuxer_.Time());
    const bool sent = decoder_.Send(*packet_);
    av_packet_unref(packet_);
    return sent;
  }
}

AudioDecoder::Step AudioDecoder::Next(std::vector<uint8_t>& block, uint32_t& msTime) {
  if (!opened_ || !decoder_.Ready()) return Step::Failed;
  touched_ = true;
  for (;;) {
    switch (placer_.Take(block, msTime)) {
      case SamplePlacer::Taken::Block: return Step::Block;
      case SamplePlacer::Taken::PastBound: return Step::Failed;
      case SamplePlacer::Taken::Nothing: break;
    }
    if (finished_) {
      // One cut short fails once it has given what it holds, without silence for the rest.
      if (endChecked_ || demuxer_.CutShort()) break;
      endChecked_ = true;
      placer_.PlaceLostEnd(demuxer_.Time());
      continue;
    }
    switch (decoder_.Receive()) {
      case PacketDecoder::Result::Frame:
        if (!PlaceFrame(block)) return Step::Failed;
        break;
      case PacketDecoder::Result::End:
        if (!PlaceRest(block)) return Step::Failed;
        break;
      case PacketDecoder::Result::NeedsPacket:
        if (!Feed()) return Step::Failed;
        break;
      case PacketDecoder::Result::Failed: return Step::Failed;
    }
  }
  block.clear();
  // A file that gave no sample at all held no audio the decoder could read.
  return placer_.DeliveredAny() && !demuxer_.CutShort() ? Step::End : Step::Failed;
}

bool AudioDecoder::Seek(uint32_t msTime) {
  if (!opened_ || !decoder_.Ready()) return false;
  // Nothing read yet: the file is at its start already, exactly.
  if (msTime == 0 && !touched_) return true;
  if (DurationMs() != 0 && msTime > DurationMs()) return false;  // past the end
  if (!demuxer_.Seek(msTime)) return false;
  resampler_.Reset();
  if (!decoder_.Restart(demuxer_.Parameters())) return false;  // Next answers Failed from now on
  placer_.Seek(msTime);
  finished_ = false;
  endChecked_ = false;
  touched_ = true;
  return true;
}
