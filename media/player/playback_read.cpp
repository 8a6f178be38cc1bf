// The read thread: opens the input and its streams, then demultiplexes into
// the packet queues, carries out seeks and pauses the input; on closing it
// closes the streams and the input again.
#include <chrono>
#include <cstring>
#include <system_error>

#include "media/binding/entry_table.h"
#include "media/binding/library_loader.h"
#include "media/binding/media_text.h"
#include "media/binding/unicode_protocol.h"
#include "media/player/playback.h"
#include "media/player/seek_fallback.h"

namespace media {

using namespace std::chrono_literals;

namespace {

// Names the pipeline accepts have fewer than this many characters.
constexpr size_t kMaxNameCharacters = 1024;

size_t CharacterCount(const std::string& utf8) {
  size_t n = 0;
  for (unsigned char c : utf8)
    if ((c & 0xC0) != 0x80) ++n;
  return n;
}

bool IsInputDevice(const AVInputFormat* format) {
  if (format == nullptr || format->priv_class == nullptr) return false;
  return AV_IS_INPUT_DEVICE(format->priv_class->category);
}

}  // namespace

int TPlayback::InterruptCallback(void* opaque) {
  return static_cast<TPlayback*>(opaque)->abort_.load() ? 1 : 0;
}

void TPlayback::FinishOpening(int state) {
  openState_.store(state, std::memory_order_release);
}

void TPlayback::ReadThread() {
  const bool opened = OpenInput();
  if (opened) {
    ReadLoop();
    while (!abort_.load()) std::this_thread::sleep_for(100ms);
  }
  if (audioCodec_ != nullptr) CloseStream(audioStream_);
  if (videoCodec_ != nullptr) CloseStream(videoStream_);
  if (subtitleCodec_ != nullptr) CloseStream(subtitleStream_);
  if (opened) host_.PipelineAttach(nullptr);
  if (format_ != nullptr) CloseLibraryInput(&format_);
  if (!opened) FinishOpening(-1);
  readDone_.Set();
}

bool TPlayback::OpenInput() {
  const std::string& fileName = options_.FileName;
  if (CharacterCount(fileName) >= kMaxNameCharacters) {
    host_.PipelineError(fileName.substr(0, 64) + "...: File name too long");
    return false;
  }
  std::string libraryName;
  try {
    libraryName = ToLibraryFileName(fileName);
  } catch (const FileNameTooLong& e) {
    host_.PipelineError(e.what());
    return false;
  }
  format_ = lib::avformat_alloc_context();
  if (format_ == nullptr) {
    host_.PipelineError(LibraryErrorText(fileName, AVERROR(ENOMEM)));
    return false;
  }
  format_->interrupt_callback.callback = &TPlayback::InterruptCallback;
  format_->interrupt_callback.opaque = this;
  AVDictionary* parameters = nullptr;
  if (options_.FrameWidth > 0 && options_.FrameHeight > 0) {
    const std::string size =
        std::to_string(options_.FrameWidth) + "x" + std::to_string(options_.FrameHeight);
    lib::av_dict_set(&parameters, "video_size", size.c_str(), 0);
  }
  int rc = OpenLibraryInput(&format_, libraryName, nullptr, &parameters);
  lib::av_dict_free(&parameters);
  if (rc < 0) {
    format_ = nullptr;  // freed by the failed open
    host_.PipelineError(LibraryErrorText(fileName, rc));
    return false;
  }
  rc = lib::avformat_find_stream_info(format_, nullptr);
  if (rc < 0) {
    host_.PipelineError(fileName + ": could not find codec parameters");
    return false;
  }
  if (format_->pb != nullptr) format_->pb->eof_reached = 0;

  const AVInputFormat* input = format_->iformat;
  imageSequence_ =
      input != nullptr && input->name != nullptr && std::strcmp(input->name, "image2") == 0;
  captureDevice_ = IsInputDevice(input);
  startTime_ = format_->start_time != AV_NOPTS_VALUE ? format_->start_time : 0;
  duration_ = format_->duration != AV_NOPTS_VALUE ? format_->duration : -1;

  for (unsigned i = 0; i < format_->nb_streams; ++i) format_->streams[i]->discard = AVDISCARD_ALL;
  int video = -1, audio = -1, subtitle = -1;
  if (!options_.DisableVideo)
    video = lib::av_find_best_stream(format_, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (!options_.DisableAudio)
    audio = lib::av_find_best_stream(format_, AVMEDIA_TYPE_AUDIO, -1, video, nullptr, 0);
  if (!options_.DisableVideo)
    subtitle = lib::av_find_best_stream(format_, AVMEDIA_TYPE_SUBTITLE, -1,
                                        audio >= 0 ? audio : video, nullptr, 0);
  if (video >= 0 && audio >= 0) CloseAudioGate();
  if (audio >= 0) OpenStream(audio);
  if (video >= 0) OpenStream(video);
  if (videoCodec_ == nullptr) audioGate_.store(false);
  if (subtitle >= 0) OpenStream(subtitle);
  if (videoCodec_ == nullptr && !options_.DisableDisplay) displayMode_ = 2;
  if (audioCodec_ == nullptr && videoCodec_ == nullptr) {
    host_.PipelineError(fileName + ": could not open codecs, no stream to play.");
    return false;
  }
  host_.PipelineAttach(format_);
  FinishOpening(1);
  return true;
}

int TPlayback::OpenStream(int index) {
  AVStream* st = format_->streams[index];
  const AVMediaType type = st->codecpar->codec_type;
  AVCodecContext* codec = lib::avcodec_alloc_context3(nullptr);
  if (codec == nullptr || lib::avcodec_parameters_to_context(codec, st->codecpar) < 0) {
    lib::avcodec_free_context(&codec);
    host_.PipelineLog(llError, "avcodec_open() failed.");
    return -1;
  }
  codec->pkt_timebase = st->time_base;
  codec->workaround_bugs = 1;
  codec->lowres = 0;
  codec->idct_algo = FF_IDCT_AUTO;
  codec->skip_frame = AVDISCARD_DEFAULT;
  codec->skip_idct = AVDISCARD_DEFAULT;
  codec->skip_loop_filter = AVDISCARD_DEFAULT;
  codec->err_recognition = AV_EF_CAREFUL;
  codec->error_concealment = 3;
  codec->thread_count = 0;  // automatic
  const AVCodec* decoder = lib::avcodec_find_decoder(codec->codec_id);
  int rc = -1;
  if (decoder != nullptr) {
    std::lock_guard lock(CodecLock());
    rc = lib::avcodec_open2(codec, decoder, nullptr);
  }
  if (rc < 0) {
    std::lock_guard lock(CodecLock());
    lib::avcodec_free_context(&codec);
    host_.PipelineLog(llError, "avcodec_open() failed.");
    return -1;
  }

  if (type == AVMEDIA_TYPE_AUDIO) {
    // Mono stays mono; everything else is mixed down to stereo.
    const int channels = codec->ch_layout.nb_channels == 1 ? 1 : 2;
    SDL_AudioSpec wanted{}, obtained{};
    wanted.freq = codec->sample_rate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = static_cast<Uint8>(channels);
    wanted.silence = 0;
    wanted.samples = 1024;
    wanted.callback = &TPlayback::AudioCallback;
    wanted.userdata = this;
    audioDevice_ = lib::SDL_OpenAudioDevice(nullptr, 0, &wanted, &obtained, 0);
    if (audioDevice_ == 0) {
      host_.PipelineLog(llError, std::string("SDL_OpenAudio() failed: ") + lib::SDL_GetError());
      std::lock_guard lock(CodecLock());
      lib::avcodec_free_context(&codec);
      return -1;
    }
    audioRate_ = obtained.freq;
    audioChannels_ = obtained.channels;
    audioHardwareBytes_ = static_cast<int>(obtained.size);
    audioFrame_ = lib::av_frame_alloc();
    audioPacket_ = lib::av_packet_alloc();
    audioBuffer_.assign(288000, 0);
  }
  st->discard = AVDISCARD_DEFAULT;

  switch (type) {
    case AVMEDIA_TYPE_VIDEO: {
      videoStream_ = index;
      videoSt_ = st;
      videoCodec_ = codec;
      codecWidth_ = codec->width;
      codecHeight_ = codec->height;
      const AVRational rate = lib::av_guess_frame_rate(format_, st, nullptr);
      if (rate.num > 0 && rate.den > 0) frameDuration_ = av_q2d(AVRational{rate.den, rate.num});
      videoQueue_.Start();
      videoQueue_.PutFlush();
      try {
        videoThread_ = std::thread(&TPlayback::VideoThread, this);
      } catch (const std::system_error&) {
        host_.PipelineLog(llError, "SDL_CreateThread() failed.");
        CloseStream(index);
        return -1;
      }
      break;
    }
    case AVMEDIA_TYPE_AUDIO:
      audioStream_ = index;
      audioSt_ = st;
      audioCodec_ = codec;
      audioDuration_ = st->duration != AV_NOPTS_VALUE
                           ? lib::av_rescale_q(st->duration, st->time_base, AVRational{1, 1000000})
                           : -1;
      {
        std::lock_guard lock(audioMutex_);
        audioBufferSize_ = 0;
        audioBufferIndex_ = 0;
      }
      audioQueue_.Start();
      audioQueue_.PutFlush();
      lib::SDL_PauseAudioDevice(audioDevice_, 0);
      break;
    case AVMEDIA_TYPE_SUBTITLE:
      subtitleStream_ = index;
      subtitleSt_ = st;
      subtitleCodec_ = codec;
      subtitleQueue_.Start();
      subtitleQueue_.PutFlush();
      try {
        subtitleThread_ = std::thread(&TPlayback::SubtitleThread, this);
      } catch (const std::system_error&) {
        host_.PipelineLog(llError, "SDL_CreateThread() failed.");
        CloseStream(index);
        return -1;
      }
      break;
    default: {
      std::lock_guard lock(CodecLock());
      lib::avcodec_free_context(&codec);
      return -1;
    }
  }
  return 0;
}

void TPlayback::CloseStream(int index) {
  AVCodecContext** codec = nullptr;
  if (index == videoStream_ && videoCodec_ != nullptr) {
    videoQueue_.Abort();
    { std::lock_guard lock(pictureMutex_); }
    pictureCond_.notify_all();
    if (videoThread_.joinable()) videoThread_.join();
    videoQueue_.Flush();
    codec = &videoCodec_;
  } else if (index == audioStream_ && audioCodec_ != nullptr) {
    audioQueue_.Abort();
    lib::SDL_CloseAudioDevice(audioDevice_);
    audioDevice_ = 0;
    audioQueue_.Flush();
    if (resampler_ != nullptr) lib::swr_free(&resampler_);
    lib::av_frame_free(&audioFrame_);
    lib::av_packet_free(&audioPacket_);
    codec = &audioCodec_;
  } else if (index == subtitleStream_ && subtitleCodec_ != nullptr) {
    subtitleQueue_.Abort();
    {
      std::lock_guard lock(subtitleMutex_);
      subtitleStreamChanged_ = true;
    }
    subtitleCond_.notify_all();
    if (subtitleThread_.joinable()) subtitleThread_.join();
    subtitleQueue_.Flush();
    {
      std::lock_guard lock(subtitleMutex_);
      FreeSubtitles();
    }
    codec = &subtitleCodec_;
  } else {
    return;
  }
  format_->streams[index]->discard = AVDISCARD_ALL;
  std::lock_guard lock(CodecLock());
  lib::avcodec_free_context(codec);
}

void TPlayback::ReadLoop() {
  AVPacket* packet = lib::av_packet_alloc();
  if (packet == nullptr) return;
  const bool audio = audioCodec_ != nullptr, video = videoCodec_ != nullptr,
             subtitles = subtitleCodec_ != nullptr;
  while (!abort_.load()) {
    const bool paused = paused_.load();
    if (paused != lastPaused_) {
      lastPaused_ = paused;
      if (paused)
        readPauseResult_.store(lib::av_read_pause(format_));
      else
        lib::av_read_play(format_);
    }
    CarryOutSeek();

    const int64_t total = audioQueue_.Size() + videoQueue_.Size() + subtitleQueue_.Size();
    const bool wanted = (audio && audioQueue_.Size() <= kMinAudioQueueBytes) ||
                        (video && videoQueue_.Count() <= kMinPacketCount) ||
                        (subtitles && subtitleQueue_.Count() <= kMinPacketCount);
    if (total > kMaxQueueBytes || !wanted) {
      std::this_thread::sleep_for(10ms);
      continue;
    }

    if (endOfInput_) {
      if (video) {
        // An empty packet makes the decoder give out its delayed pictures.
        lib::av_packet_unref(packet);
        packet->stream_index = videoStream_;
        videoQueue_.Put(packet);
        frameReady_.Set();
      }
      std::this_thread::sleep_for(10ms);
      if (audioQueue_.Count() == 0 && videoQueue_.Count() == 0 && subtitleQueue_.Count() == 0)
        drained_.store(true);
      continue;
    }

    inRead_.store(true);
    const int rc = lib::av_read_frame(format_, packet);
    inRead_.store(false);
    if (abort_.load()) break;
    if (rc < 0) {
      if (rc == AVERROR(EAGAIN)) {
        std::this_thread::sleep_for(10ms);
        continue;
      }
      if (video) frameReady_.Set();
      if (!imageSequence_ && !endReported_) {
        endReported_ = true;
        if (rc == AVERROR_EOF)
          host_.PipelineLog(llInfo, "reach end of file: " + options_.FileName);
        else
          host_.PipelineLog(llError, "error #" + std::to_string(rc) +
                                         " while reading file: " + options_.FileName);
      }
      if (rc == AVERROR_EOF || (format_->pb != nullptr && lib::avio_feof(format_->pb)))
        endOfInput_ = true;
      if (format_->pb != nullptr && format_->pb->error < 0) break;
      std::this_thread::sleep_for(100ms);
      continue;
    }
    if (packet->stream_index == audioStream_ && audio)
      audioQueue_.Put(packet);
    else if (packet->stream_index == videoStream_ && video)
      videoQueue_.Put(packet);
    else if (packet->stream_index == subtitleStream_ && subtitles)
      subtitleQueue_.Put(packet);
    else
      lib::av_packet_unref(packet);
  }
  lib::av_packet_free(&packet);
}

void TPlayback::CarryOutSeek() {
  int64_t target = 0, rel = 0;
  int flags = 0;
  {
    std::lock_guard lock(seekMutex_);
    if (!seekPending_) return;
    target = seekTarget_;
    rel = seekRel_;
    flags = seekFlags_;
  }
  TSeekCalls calls;
  calls.SeekFile = [this](int64_t min, int64_t ts, int64_t max, int f) {
    return lib::avformat_seek_file(format_, -1, min, ts, max, f);
  };
  calls.SeekFrame = [this](int64_t ts, int f) { return lib::av_seek_frame(format_, -1, ts, f); };
  const bool video = videoCodec_ != nullptr;
  const int rc = SeekWithFallbacks(calls, target, rel, flags);
  // From here on the refresh drops what is still queued from before, until
  // the decoder has seen the flush marker and decoded a new picture.
  if (rc >= 0 && video) flushSeen_.store(false);
  afterSeek_.store(true);
  if (rc < 0) {
    host_.PipelineLog(llError, options_.FileName + ": error while seeking");
    if (video) frameReady_.Set();
  } else {
    if (video && audioCodec_ != nullptr) CloseAudioGate();
    if (audioCodec_ != nullptr) {
      audioQueue_.Flush();
      audioQueue_.PutFlush();
    }
    if (subtitleCodec_ != nullptr) {
      subtitleQueue_.Flush();
      subtitleQueue_.PutFlush();
    }
    if (video) {
      videoQueue_.Flush();
      videoQueue_.PutFlush();
      frameReady_.Reset();
    }
  }
  endReported_ = false;
  endOfInput_ = false;
  drained_.store(false);
  {
    std::lock_guard lock(seekMutex_);
    seekPending_ = false;
  }
  seekDone_.Set();
}

}  // namespace media
