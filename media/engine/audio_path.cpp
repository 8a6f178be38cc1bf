// The audio path: decoded blocks are brought to the encoder's channel
// layout, rate and sample format by one libswresample context (16-tap
// filter, 2^10 phases, no linear interpolation, cutoff 0.8), kept in step
// with the input's time line per `async` (drop, insert silence, or stretch
// through swr_set_compensation), collected in a sample FIFO and encoded in
// frames of the encoder's frame size.
#include <algorithm>
#include <cmath>

#include "media/binding/engine_log.h"
#include "media/binding/resampler.h"
#include "media/engine/engine_exception.h"
#include "media/engine/transcode_records.h"
#include "media/engine/transcoder.h"

namespace media {
namespace {

void MakeResampler(TCustomTranscoder& task, TOutputStream& ost, const AVFrame* frame) {
  AVCodecContext* enc = ost.EncoderContext.get();
  TAudioState& audio = ost.Audio;
  if (audio.Resampler && audio.InRate == frame->sample_rate && audio.InFormat == frame->format &&
      lib::av_channel_layout_compare(&audio.InLayout, &frame->ch_layout) == 0)
    return;
  if (frame->format != AV_SAMPLE_FMT_S16 && task.State().Verbose > 0 && !audio.Resampler &&
      frame->sample_rate != enc->sample_rate)
    EngineLog().LogMessage(&task, llVerbose,
                           "Warning, using s16 intermediate sample format for resampling");
  SwrContext* swr = nullptr;
  const int result =
      CreateResampler(&swr, &enc->ch_layout, enc->sample_fmt, enc->sample_rate, &frame->ch_layout,
                      static_cast<AVSampleFormat>(frame->format), frame->sample_rate);
  if (result < 0) {
    throw EngineException::Format("Can not resample %d channels @ %d Hz to %d channels @ %d Hz",
                                  frame->ch_layout.nb_channels, frame->sample_rate,
                                  enc->ch_layout.nb_channels, enc->sample_rate);
  }
  audio.Resampler.reset(swr);
  audio.InRate = frame->sample_rate;
  audio.InFormat = static_cast<AVSampleFormat>(frame->format);
  lib::av_channel_layout_uninit(&audio.InLayout);
  lib::av_channel_layout_copy(&audio.InLayout, &frame->ch_layout);
}

// Encodes `count` samples from the FIFO (padded with silence to `padTo`).
void EncodeFromFifo(TCustomTranscoder& task, TOutputStream& ost, int count, int padTo) {
  AVCodecContext* enc = ost.EncoderContext.get();
  FramePtr frame = NewFrame();
  frame->nb_samples = std::max(count, padTo);
  frame->format = enc->sample_fmt;
  frame->sample_rate = enc->sample_rate;
  lib::av_channel_layout_copy(&frame->ch_layout, &enc->ch_layout);
  if (lib::av_frame_get_buffer(frame.get(), 0) < 0) throw EngineException("frame_bytes invalid.");
  lib::av_samples_set_silence(frame->extended_data, 0, frame->nb_samples,
                              enc->ch_layout.nb_channels, enc->sample_fmt);
  lib::av_audio_fifo_read(ost.Audio.Fifo.get(), reinterpret_cast<void**>(frame->extended_data),
                          count);
  frame->pts = ost.SyncCounter;
  if (lib::avcodec_send_frame(enc, frame.get()) < 0) throw EngineException("Audio encoding failed");
  ost.SyncCounter += frame->nb_samples;
  DrainEncoder(task, ost);
}

void EncodeFullFrames(TCustomTranscoder& task, TOutputStream& ost) {
  AVCodecContext* enc = ost.EncoderContext.get();
  AVAudioFifo* fifo = ost.Audio.Fifo.get();
  const bool variable =
      enc->frame_size <= 1 || (enc->codec->capabilities & AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
  if (variable) {
    const int count = lib::av_audio_fifo_size(fifo);
    if (count > 0) EncodeFromFifo(task, ost, count, 0);
    return;
  }
  while (lib::av_audio_fifo_size(fifo) >= enc->frame_size)
    EncodeFromFifo(task, ost, enc->frame_size, 0);
}

void WriteToFifo(TOutputStream& ost, uint8_t** data, int count) {
  if (count <= 0) return;
  if (lib::av_audio_fifo_write(ost.Audio.Fifo.get(), reinterpret_cast<void**>(data), count) < count)
    throw EngineException("av_fifo_realloc2() failed");
}

}  // namespace

void AudioOut(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist,
              const AVFrame* frame, int64_t framePts) {
  const TOptionState& state = task.State();
  AVCodecContext* enc = ost.EncoderContext.get();
  MakeResampler(task, ost, frame);
  const int outRate = enc->sample_rate;
  const int channels = enc->ch_layout.nb_channels;
  AVAudioFifo* fifo = ost.Audio.Fifo.get();
  const int queued = lib::av_audio_fifo_size(fifo) +
                     static_cast<int>(lib::swr_get_delay(ost.Audio.Resampler.get(), outRate));
  const double inputSeconds = static_cast<double>(framePts - state.StartTime) / 1e6;

  int dropSamples = 0;
  if (state.AudioSyncMethod != 0) {
    const double delta = inputSeconds * outRate - static_cast<double>(ost.SyncCounter) - queued;
    if (std::fabs(delta) > 50) {
      if (ist.AtStart || std::fabs(delta) > state.AudioDriftThreshold * outRate) {
        if (delta < 0) {
          dropSamples = static_cast<int>(-delta);
          if (state.Verbose > 2)
            EngineLog().LogFormat(&task, llVerbose, "discarding %d audio samples", dropSamples);
        } else {
          const int silence = static_cast<int>(delta);
          if (state.Verbose > 2)
            EngineLog().LogFormat(&task, llVerbose, "adding %d audio samples of silence", silence);
          std::vector<uint8_t*> planes(channels, nullptr);
          int linesize = 0;
          if (lib::av_samples_alloc(planes.data(), &linesize, channels, silence, enc->sample_fmt,
                                    0) < 0)
            throw EngineException("Out of memory in do_audio_out");
          lib::av_samples_set_silence(planes.data(), 0, silence, channels, enc->sample_fmt);
          WriteToFifo(ost, planes.data(), silence);
          lib::av_free(planes[0]);
        }
      } else if (state.AudioSyncMethod > 1) {
        const int compensation =
            std::clamp(static_cast<int>(delta), -state.AudioSyncMethod, state.AudioSyncMethod);
        if (state.Verbose > 2)
          EngineLog().LogFormat(&task, llVerbose,
                                "compensating audio timestamp drift:%f compensation:%d in:%d",
                                delta, compensation, outRate);
        lib::swr_set_compensation(ost.Audio.Resampler.get(), compensation, outRate);
      }
    }
  } else {
    ost.SyncCounter = std::llrint(inputSeconds * outRate) - queued;
  }

  const int capacity = lib::swr_get_out_samples(ost.Audio.Resampler.get(), frame->nb_samples);
  std::vector<uint8_t*> planes(channels, nullptr);
  int linesize = 0;
  if (capacity <= 0 ||
      lib::av_samples_alloc(planes.data(), &linesize, channels, capacity, enc->sample_fmt, 0) < 0)
    throw EngineException("Out of memory in do_audio_out");
  const int converted =
      lib::swr_convert(ost.Audio.Resampler.get(), planes.data(), capacity,
                       const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
  if (converted < 0) {
    lib::av_free(planes[0]);
    if (state.ExitOnError) throw EngineException("av_audio_convert() failed");
    EngineLog().LogMessage(&task, llError, "av_audio_convert() failed");
    return;
  }
  int start = std::min(dropSamples, converted);
  if (start > 0) {
    const int bytes = lib::av_get_bytes_per_sample(enc->sample_fmt);
    const bool planar = lib::av_sample_fmt_is_planar(enc->sample_fmt);
    for (int c = 0; c < (planar ? channels : 1); ++c)
      planes[c] += static_cast<size_t>(start) * bytes * (planar ? 1 : channels);
  }
  uint8_t* base = nullptr;
  // Keep the allocation's start for freeing.
  {
    const int bytes = lib::av_get_bytes_per_sample(enc->sample_fmt);
    const bool planar = lib::av_sample_fmt_is_planar(enc->sample_fmt);
    base = planes[0] - static_cast<size_t>(start) * bytes * (planar ? 1 : channels);
  }
  try {
    WriteToFifo(ost, planes.data(), converted - start);
    EncodeFullFrames(task, ost);
  } catch (...) {
    lib::av_free(base);
    throw;
  }
  lib::av_free(base);
}

void FlushAudio(TCustomTranscoder& task, TOutputStream& ost) {
  AVCodecContext* enc = ost.EncoderContext.get();
  // What the resampler still holds.
  if (ost.Audio.Resampler) {
    const int channels = enc->ch_layout.nb_channels;
    const int pending =
        static_cast<int>(lib::swr_get_delay(ost.Audio.Resampler.get(), enc->sample_rate)) + 32;
    std::vector<uint8_t*> planes(channels, nullptr);
    int linesize = 0;
    if (lib::av_samples_alloc(planes.data(), &linesize, channels, pending, enc->sample_fmt, 0) >=
        0) {
      const int got =
          lib::swr_convert(ost.Audio.Resampler.get(), planes.data(), pending, nullptr, 0);
      if (got > 0) WriteToFifo(ost, planes.data(), got);
      lib::av_free(planes[0]);
    }
  }
  EncodeFullFrames(task, ost);
  const int left = lib::av_audio_fifo_size(ost.Audio.Fifo.get());
  if (left > 0) {
    const bool shortLast = enc->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    EncodeFromFifo(task, ost, left, shortLast ? 0 : enc->frame_size);
  }
}

}  // namespace media
