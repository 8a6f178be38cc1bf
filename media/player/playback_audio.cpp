// Audio output: SDL's audio thread pulls decoded sound through the callback.
// The callback never waits for a queue: when nothing is decoded it plays a
// block of silence. Messages are not logged from here (logging may wait for
// the main thread); they are kept and handed on by the refresh thread.
#include <algorithm>
#include <cmath>
#include <cstring>

#include "media/binding/entry_table.h"
#include "media/binding/resampler.h"
#include "media/player/playback.h"

namespace media {

namespace {
const uint8_t kSilence[TPlayback::kAudioBlock] = {};
}

void TPlayback::AudioCallback(void* opaque, uint8_t* stream, int length) {
  static_cast<TPlayback*>(opaque)->FillAudio(stream, length);
}

void TPlayback::FillAudio(uint8_t* stream, int length) {
  std::memset(stream, 0, static_cast<size_t>(length));
  int index = 0, size = 0;
  {
    std::lock_guard lock(audioMutex_);
    audioCallbackTime_ = Now();
    index = audioBufferIndex_;
    size = audioBufferSize_;
  }
  const bool mute = controls_.Mute.load();
  const int volume = std::clamp(controls_.Volume.load(), 0, SDL_MIX_MAXVOLUME);
  while (length > 0) {
    if (index >= size) {
      double pts = NAN;
      int bytes = DecodeAudio(pts);
      if (audioQueue_.Aborted()) return;
      std::lock_guard lock(audioMutex_);
      audioSilence_ = bytes < 0;
      if (bytes < 0) {
        audioData_ = kSilence;
        bytes = kAudioBlock;
      } else {
        if (!std::isnan(pts)) audioClock_ = pts;
        audioClock_ += static_cast<double>(bytes) / (2.0 * audioChannels_ * audioRate_);
        if (displayMode_.load() == 1)
          wave_.Write(reinterpret_cast<const int16_t*>(audioData_), bytes / 2);
      }
      audioBufferSize_ = size = bytes;
      audioBufferIndex_ = index = 0;
    }
    const int chunk = std::min(size - index, length);
    if (!mute && volume > 0)
      lib::SDL_MixAudioFormat(stream, audioData_ + index, AUDIO_S16SYS, static_cast<Uint32>(chunk),
                              volume);
    stream += chunk;
    length -= chunk;
    index += chunk;
    std::lock_guard lock(audioMutex_);
    audioBufferIndex_ = index;
  }
}

int TPlayback::DecodeAudio(double& pts) {
  if (audioGate_.load()) {
    if (Now() - audioGateSince_.load() < kAudioGateSeconds) return -1;
    audioGate_.store(false);
  }
  for (;;) {
    int rc = lib::avcodec_receive_frame(audioCodec_, audioFrame_);
    if (rc >= 0) {
      const int64_t stamp = audioFrame_->best_effort_timestamp;
      const int bytes = ConvertAudio(audioFrame_);
      lib::av_frame_unref(audioFrame_);
      if (bytes <= 0) continue;
      if (stamp != AV_NOPTS_VALUE) pts = stamp * av_q2d(audioSt_->time_base);
      return bytes;
    }
    if (paused_.load() || audioQueue_.Aborted()) return -1;
    bool flush = false;
    if (audioQueue_.Get(audioPacket_, false, &flush) <= 0) return -1;
    if (flush) {
      lib::avcodec_flush_buffers(audioCodec_);
      continue;
    }
    rc = lib::avcodec_send_packet(audioCodec_, audioPacket_);
    lib::av_packet_unref(audioPacket_);
    if (rc < 0 && rc != AVERROR(EAGAIN)) {
      std::lock_guard lock(audioMutex_);
      audioLog_.emplace_back(llInfo, "avcodec_decode_audio2() failed");
    }
  }
}

int TPlayback::ConvertAudio(AVFrame* frame) {
  AVChannelLayout in{};
  if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC || frame->ch_layout.nb_channels <= 0)
    lib::av_channel_layout_default(&in, std::max(frame->ch_layout.nb_channels, 1));
  else
    lib::av_channel_layout_copy(&in, &frame->ch_layout);
  const bool same = resampler_ != nullptr && frame->format == resamplerFormat_ &&
                    frame->sample_rate == resamplerRate_ && in.nb_channels == resamplerChannels_;
  const bool failedBefore = resampler_ == nullptr && frame->format == failedFormat_;
  if (!same && !failedBefore) {
    if (resampler_ != nullptr) lib::swr_free(&resampler_);
    AVChannelLayout out{};
    lib::av_channel_layout_default(&out, audioChannels_);
    int rc = CreateResampler(&resampler_, &out, AV_SAMPLE_FMT_S16, audioRate_, &in,
                             static_cast<AVSampleFormat>(frame->format), frame->sample_rate);
    lib::av_channel_layout_uninit(&out);
    if (rc < 0) {
      if (resampler_ != nullptr) lib::swr_free(&resampler_);
      failedFormat_ = frame->format;
      const char* from = lib::av_get_sample_fmt_name(static_cast<AVSampleFormat>(frame->format));
      std::lock_guard lock(audioMutex_);
      audioLog_.emplace_back(llError, std::string("Cannot convert ") + (from ? from : "none") +
                                          " sample format to s16 sample format");
    } else {
      resamplerFormat_ = frame->format;
      resamplerRate_ = frame->sample_rate;
      resamplerChannels_ = in.nb_channels;
      failedFormat_ = -2;
    }
  }
  lib::av_channel_layout_uninit(&in);
  if (resampler_ == nullptr) return -1;

  const int capacity = lib::swr_get_out_samples(resampler_, frame->nb_samples);
  if (capacity <= 0) return -1;
  const size_t needed = static_cast<size_t>(capacity) * audioChannels_ * 2;
  if (audioBuffer_.size() < needed) audioBuffer_.resize(needed);
  uint8_t* out = audioBuffer_.data();
  const int samples =
      lib::swr_convert(resampler_, &out, capacity,
                       const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (samples < 0) {
    std::lock_guard lock(audioMutex_);
    audioLog_.emplace_back(llError, "av_audio_convert() failed");
    return -1;
  }
  audioData_ = audioBuffer_.data();
  return samples * audioChannels_ * 2;
}

}  // namespace media
