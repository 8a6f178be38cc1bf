// The task object and its file set-up: opening inputs (the input's
// parameters flow into the option state, so an output opened afterwards
// inherits them), creating outputs and their streams (which consume the
// per-stream settings), and the option host.
#include "media/engine/transcoder.h"

#include <dlfcn.h>

#include <cmath>
#include <map>

#include "media/binding/engine_log.h"
#include "media/binding/library_loader.h"
#include "media/binding/media_text.h"
#include "media/binding/unicode_protocol.h"
#include "media/engine/codec_lookup.h"
#include "media/engine/engine_exception.h"
#include "media/engine/transcode_records.h"

namespace media {

void CodecContextDeleter::operator()(AVCodecContext* context) const {
  std::lock_guard<std::recursive_mutex> lock(CodecLock());
  lib::avcodec_free_context(&context);
}

void InputContextDeleter::operator()(AVFormatContext* context) const {
  CloseLibraryInput(&context);
}

void OutputContextDeleter::operator()(AVFormatContext* context) const {
  if (context->pb != nullptr && !(context->oformat->flags & AVFMT_NOFILE))
    CloseLibraryIo(&context->pb);
  lib::avformat_free_context(context);
}

FramePtr NewFrame() {
  FramePtr frame(lib::av_frame_alloc());
  if (!frame) throw EngineException("Out of memory");
  return frame;
}

PacketPtr NewPacket() {
  PacketPtr packet(lib::av_packet_alloc());
  if (!packet) throw EngineException("Out of memory");
  return packet;
}

TTranscodeFiles::~TTranscodeFiles() {
  ReleaseFrameHooks(*this);
  for (auto& file : Outputs)
    for (auto& ost : file.Streams) lib::av_channel_layout_uninit(&ost.Audio.InLayout);
}

TCustomTranscoder::TCustomTranscoder()
    : TMediaComponent("Transcoder"), files_(std::make_unique<TTranscodeFiles>()) {
  if (!store_.Create(state_.SwsFlags)) throw EngineException("Out of memory");
}

TCustomTranscoder::~TCustomTranscoder() = default;

void TCustomTranscoder::ApplyOption(const std::string& name, const std::string& value) {
  TOptionContext context{state_, store_, this, this};
  media::ApplyOption(context, name, value);
}

void TCustomTranscoder::RequestStop() {
  stop_ = true;
  std::lock_guard<std::mutex> lock(pauseMutex_);
  pauseChanged_.notify_all();
}

void TCustomTranscoder::SetPaused(bool paused) {
  std::lock_guard<std::mutex> lock(pauseMutex_);
  paused_ = paused;
  pauseChanged_.notify_all();
}

bool TCustomTranscoder::Paused() const {
  std::lock_guard<std::mutex> lock(pauseMutex_);
  return paused_;
}

void TCustomTranscoder::WaitWhilePaused() {
  std::unique_lock<std::mutex> lock(pauseMutex_);
  pauseChanged_.wait(lock, [this] { return !paused_ || stop_.load(); });
}

int TCustomTranscoder::InputFileCount() const {
  return static_cast<int>(files_->Inputs.size());
}

int TCustomTranscoder::OutputFileCount() const {
  return static_cast<int>(files_->Outputs.size());
}

std::vector<AVRational> TCustomTranscoder::InputVideoTimeBases() const {
  std::vector<AVRational> result;
  for (const auto& ist : files_->InputStreams) {
    if (ist.Stream->codecpar->codec_type != AVMEDIA_TYPE_VIDEO) continue;
    AVRational rate = ist.Stream->avg_frame_rate;
    if (rate.num == 0 || rate.den == 0) rate = ist.Stream->r_frame_rate;
    result.push_back(rate.num != 0 && rate.den != 0 ? AVRational{rate.den, rate.num}
                                                    : AVRational{0, 1});
  }
  return result;
}

void TCustomTranscoder::NewStream(AVMediaType type) {
  if (files_->Outputs.empty()) throw EngineException("No output file for a new stream");
  const int file = static_cast<int>(files_->Outputs.size()) - 1;
  if (type == AVMEDIA_TYPE_VIDEO)
    NewVideoStream(file);
  else if (type == AVMEDIA_TYPE_AUDIO)
    NewAudioStream(file);
  else
    NewSubtitleStream(file);
}

// --- Inputs ------------------------------------------------------------------

namespace {

const AVCodec* LookUpDecoder(const std::string& name, AVMediaType type, const OptionStore& store,
                             std::string& error) {
  const TCodecLookup found =
      FindCodec(name, type, false, store.CodecOptions(type)->strict_std_compliance);
  if (!found.Ok) error = found.ErrorText;
  return found.Codec;
}

void SetDictionaryInt(AVDictionary** dictionary, const char* key, int64_t value) {
  lib::av_dict_set_int(dictionary, key, value, 0);
}

}  // namespace

bool TCustomTranscoder::OpenInput(const std::string& fileName) {
  auto& files = *files_;
  if (files.Inputs.size() >= static_cast<size_t>(kMaxFiles))
    throw EngineException("Too many input files");
  const AVInputFormat* format = nullptr;
  if (!state_.FileFormat.empty()) {
    format = lib::av_find_input_format(state_.FileFormat.c_str());
    if (format == nullptr)
      throw EngineException::Format("Unknown input format: \"%s\"", state_.FileFormat.c_str());
    state_.FileFormat.clear();
  }
  AVFormatContext* raw = lib::avformat_alloc_context();
  if (raw == nullptr) throw EngineException("avformat_alloc_context failed");
  store_.ApplyStoredOptions(raw, store_.FormatOptions(), AV_OPT_FLAG_DECODING_PARAM);

  // Parameters for raw inputs and capture devices (only when a format is
  // forced: a probed file brings its own).
  AVDictionary* parameters = nullptr;
  if (format != nullptr) {
    SetDictionaryInt(&parameters, "sample_rate", state_.AudioSampleRate);
    SetDictionaryInt(&parameters, "channels", state_.AudioChannels);
    if (state_.FrameRate.num > 0)
      lib::av_dict_set(&parameters, "framerate",
                       FormatText("%d/%d", state_.FrameRate.num, state_.FrameRate.den).c_str(), 0);
    if (state_.FrameWidth > 0 && state_.FrameHeight > 0)
      lib::av_dict_set(&parameters, "video_size",
                       FormatText("%dx%d", state_.FrameWidth, state_.FrameHeight).c_str(), 0);
    if (state_.FramePixFmt != AV_PIX_FMT_NONE)
      lib::av_dict_set(&parameters, "pixel_format", lib::av_get_pix_fmt_name(state_.FramePixFmt),
                       0);
    if (!state_.VideoStandard.empty())
      lib::av_dict_set(&parameters, "standard", state_.VideoStandard.c_str(), 0);
  }

  auto fail = [&](const std::string& text) {
    lib::av_dict_free(&parameters);
    errorText_ = text;
    state_.VideoCodecName.clear();
    state_.AudioCodecName.clear();
    state_.SubtitleCodecName.clear();
    return false;
  };

  std::string lookupError;
  const AVCodec* forced[3] = {
      LookUpDecoder(state_.VideoCodecName, AVMEDIA_TYPE_VIDEO, store_, lookupError), nullptr,
      nullptr};
  if (lookupError.empty())
    forced[1] = LookUpDecoder(state_.AudioCodecName, AVMEDIA_TYPE_AUDIO, store_, lookupError);
  if (lookupError.empty())
    forced[2] = LookUpDecoder(state_.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, store_, lookupError);
  if (!lookupError.empty()) {
    lib::avformat_free_context(raw);
    return fail(lookupError);
  }
  if (forced[0]) raw->video_codec_id = forced[0]->id;
  if (forced[1]) raw->audio_codec_id = forced[1]->id;
  if (forced[2]) raw->subtitle_codec_id = forced[2]->id;
  raw->flags |= AVFMT_FLAG_NONBLOCK;

  std::string libraryName;
  try {
    libraryName = ToLibraryFileName(fileName);
  } catch (const FileNameTooLong& e) {
    lib::avformat_free_context(raw);
    return fail(e.what());
  }
  const int opened = OpenLibraryInput(&raw, libraryName, format, &parameters);
  if (opened < 0) return fail(LibraryErrorText(fileName, opened));  // raw freed on failure
  InputContextPtr context(raw);
  lib::av_dict_free(&parameters);

  if (state_.ProgramId != 0) {
    bool found = false;
    for (unsigned i = 0; i < raw->nb_streams; ++i) raw->streams[i]->discard = AVDISCARD_ALL;
    for (unsigned p = 0; p < raw->nb_programs; ++p) {
      AVProgram* program = raw->programs[p];
      if (program->id == state_.ProgramId) {
        found = true;
        for (unsigned s = 0; s < program->nb_stream_indexes; ++s)
          raw->streams[program->stream_index[s]]->discard = AVDISCARD_DEFAULT;
      } else {
        program->discard = AVDISCARD_ALL;
      }
    }
    state_.ProgramId = 0;
    if (!found) return fail("Specified program id not found");
  }

  int infoResult;
  {
    std::lock_guard<std::recursive_mutex> lock(CodecLock());
    infoResult = lib::avformat_find_stream_info(raw, nullptr);
  }
  if (infoResult < 0 && state_.Verbose >= 0) {
    const std::string text = FormatText("%s: could not find codec parameters", fileName.c_str());
    EngineLog().LogMessage(this, llVerbose, text);
    return fail(text);
  }

  int64_t seekTarget = state_.StartTime;
  if (raw->start_time != AV_NOPTS_VALUE) seekTarget += raw->start_time;
  if (state_.StartTime != 0) {
    if (lib::av_seek_frame(raw, -1, seekTarget, AVSEEK_FLAG_BACKWARD) < 0 && state_.Verbose > 0)
      EngineLog().LogFormat(this, llVerbose, "%s: could not seek to position %0.3f",
                            fileName.c_str(), static_cast<double>(seekTarget) / AV_TIME_BASE);
  }
  state_.StartTime = 0;

  TInputFile input;
  input.FileName = fileName;
  input.FirstStream = static_cast<int>(files.InputStreams.size());
  const int fileIndex = static_cast<int>(files.Inputs.size());
  for (unsigned i = 0; i < raw->nb_streams; ++i) {
    AVStream* stream = raw->streams[i];
    AVCodecParameters* par = stream->codecpar;
    TInputStream ist;
    ist.FileIndex = fileIndex;
    ist.Stream = stream;
    switch (par->codec_type) {
      case AVMEDIA_TYPE_VIDEO: {
        state_.FrameWidth = par->width;
        state_.FrameHeight = par->height;
        AVRational sar = stream->sample_aspect_ratio.num ? stream->sample_aspect_ratio
                                                         : par->sample_aspect_ratio;
        double aspect = sar.num && sar.den ? av_q2d(sar) : 0.0;
        if (par->width * par->height != 0)
          aspect = aspect != 0 ? par->width * aspect / par->height
                               : static_cast<double>(par->width) / par->height;
        else if (aspect == 0)
          aspect = 4.0 / 3.0;
        state_.FrameAspectRatio = aspect;
        state_.FramePixFmt = par->format < 0 ? static_cast<AVPixelFormat>(0)
                                             : static_cast<AVPixelFormat>(par->format);
        state_.FrameRate = stream->r_frame_rate;
        ist.ForcedDecoder = forced[0];
        if (state_.VideoDisable)
          stream->discard = AVDISCARD_ALL;
        else if (state_.VideoDiscard)
          stream->discard = static_cast<AVDiscard>(state_.VideoDiscard);
        break;
      }
      case AVMEDIA_TYPE_AUDIO:
        state_.AudioChannelLayout =
            par->ch_layout.order == AV_CHANNEL_ORDER_NATIVE ? par->ch_layout.u.mask : 0;
        state_.AudioChannels = par->ch_layout.nb_channels;
        state_.AudioSampleRate = par->sample_rate;
        state_.AudioSampleFmt = static_cast<AVSampleFormat>(par->format);
        ist.ForcedDecoder = forced[1];
        if (state_.AudioDisable) stream->discard = AVDISCARD_ALL;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ist.ForcedDecoder = forced[2];
        if (state_.SubtitleDisable) stream->discard = AVDISCARD_ALL;
        break;
      default:
        break;
    }
    files.InputStreams.push_back(std::move(ist));
  }
  if (raw->duration != AV_NOPTS_VALUE && raw->duration > totalDuration_)
    totalDuration_ = raw->duration;
  input.TsOffset = state_.CopyTs ? state_.InputTsOffset : state_.InputTsOffset - seekTarget;
  input.Context = std::move(context);
  if (state_.Verbose >= 0) lib::av_dump_format(raw, fileIndex, libraryName.c_str(), 0);
  files.Inputs.push_back(std::move(input));
  state_.VideoChannel = -1;
  state_.VideoCodecName.clear();
  state_.AudioCodecName.clear();
  state_.SubtitleCodecName.clear();
  return true;
}

// --- Outputs -----------------------------------------------------------------

int TCustomTranscoder::OpenOutput(const std::string& fileName, bool join) {
  auto& files = *files_;
  if (files.Join) {
    errorText_ = "Cannot join more than one output file.";
    return -1;
  }
  if (files.Outputs.size() >= static_cast<size_t>(kMaxFiles))
    throw EngineException("Too many output files");
  const std::string libraryName = ToLibraryFileName(fileName);
  const AVOutputFormat* format = nullptr;
  if (!state_.FileFormat.empty()) {
    format = lib::av_guess_format(state_.FileFormat.c_str(), nullptr, nullptr);
    if (format == nullptr)
      throw EngineException::Format("Requested output format '%s' is not a suitable output format",
                                    state_.FileFormat.c_str());
  } else {
    format = lib::av_guess_format(nullptr, fileName.c_str(), nullptr);
    if (format == nullptr)
      throw EngineException::Format("Unable to find a suitable output format for '%s'",
                                    fileName.c_str());
  }
  state_.FileFormat.clear();
  AVFormatContext* raw = nullptr;
  if (lib::avformat_alloc_output_context2(&raw, format, nullptr, nullptr) < 0 || raw == nullptr)
    throw EngineException("avformat_alloc_context failed");
  raw->url = lib::av_strdup(libraryName.c_str());

  TOutputFile output;
  output.Context.reset(raw);
  output.FileName = fileName;
  const int fileIndex = static_cast<int>(files.Outputs.size());

  // Which streams to create.
  bool useVideo = state_.VideoStreamCopy || format->video_codec != AV_CODEC_ID_NONE ||
                  !state_.VideoCodecName.empty();
  bool useAudio = state_.AudioStreamCopy || format->audio_codec != AV_CODEC_ID_NONE ||
                  !state_.AudioCodecName.empty();
  bool useSubtitle = state_.SubtitleStreamCopy || format->subtitle_codec != AV_CODEC_ID_NONE ||
                     !state_.SubtitleCodecName.empty();
  if (!files.Inputs.empty()) {
    bool hasVideo = false, hasAudio = false, hasSubtitle = false;
    const size_t last = join ? std::min<size_t>(1, files.Inputs.size()) : files.Inputs.size();
    for (const auto& ist : files.InputStreams) {
      if (static_cast<size_t>(ist.FileIndex) >= last) continue;
      const AVMediaType type = ist.Stream->codecpar->codec_type;
      hasVideo |= type == AVMEDIA_TYPE_VIDEO;
      hasAudio |= type == AVMEDIA_TYPE_AUDIO;
      hasSubtitle |= type == AVMEDIA_TYPE_SUBTITLE;
    }
    useVideo &= hasVideo;
    useAudio &= hasAudio;
    useSubtitle &= hasSubtitle;
  }
  if (state_.AudioDisable) useAudio = false;
  if (state_.VideoDisable) useVideo = false;
  if (state_.SubtitleDisable) useSubtitle = false;

  output.Settings = state_;
  files.Outputs.push_back(std::move(output));
  auto dropOutput = [&] { files.Outputs.pop_back(); };
  try {
    if (useVideo) {
      try {
        NewVideoStream(fileIndex);
      } catch (const EngineException& e) {
        throw EngineException::Format("new_video_stream fail: %s", e.what());
      }
    }
    if (useAudio) {
      try {
        NewAudioStream(fileIndex);
      } catch (const EngineException& e) {
        throw EngineException::Format("new_audio_stream fail: %s", e.what());
      }
    }
    if (useSubtitle) {
      try {
        NewSubtitleStream(fileIndex);
      } catch (const EngineException& e) {
        throw EngineException::Format("new_subtitle_stream fail: %s", e.what());
      }
    }
  } catch (...) {
    dropOutput();
    throw;
  }

  raw->max_delay = static_cast<int>(state_.MuxMaxDelay * AV_TIME_BASE);
  for (auto it = state_.Metadata.rbegin(); it != state_.Metadata.rend(); ++it)
    lib::av_dict_set(&raw->metadata, it->first.c_str(), it->second.c_str(), 0);
  state_.Metadata.clear();

  if ((format->flags & AVFMT_NEEDNUMBER) && !lib::av_filename_number_test(fileName.c_str())) {
    errorText_ = LibraryErrorText(fileName, AVERROR(EINVAL));
    dropOutput();
    return -1;
  }
  if (!(format->flags & AVFMT_NOFILE)) {
    const int result = OpenLibraryIo(&raw->pb, libraryName, AVIO_FLAG_WRITE);
    if (result < 0) {
      errorText_ = LibraryErrorText(fileName, result);
      dropOutput();
      return -1;
    }
  }
  store_.ApplyStoredOptions(raw, store_.FormatOptions(), AV_OPT_FLAG_ENCODING_PARAM);
  files.Outputs.back().Settings = state_;

  if (join && files.Inputs.size() > 1) {
    files.Join = true;
    files.Outputs.back().Join = true;
    int64_t sum = 0;
    for (const auto& input : files.Inputs)
      if (input.Context->duration != AV_NOPTS_VALUE) sum += input.Context->duration;
    totalDuration_ = sum == 0 ? -1 : sum;
  }
  return static_cast<int>(files.Outputs.size());
}

namespace {

TOutputStream& AddStream(TTranscodeFiles& files, int file, AVMediaType type,
                         const TOptionState& state, TBitstreamFilterChain& chain) {
  if (file < 0 || file >= static_cast<int>(files.Outputs.size()))
    throw EngineException("Invalid output file index");
  TOutputFile& output = files.Outputs[file];
  if (output.Streams.size() >= static_cast<size_t>(kMaxStreams))
    throw EngineException("Could not alloc stream");
  AVStream* stream = lib::avformat_new_stream(output.Context.get(), nullptr);
  if (stream == nullptr) throw EngineException("Could not alloc stream");
  const int index = static_cast<int>(output.Streams.size());
  if (StreamIdFor(state, index) != 0) stream->id = StreamIdFor(state, index);
  TOutputStream ost;
  ost.FileIndex = file;
  ost.Index = index;
  ost.Type = type;
  ost.Stream = stream;
  stream->codecpar->codec_type = type;
  for (const auto& filter : chain) {
    AVBSFContext* bsf = nullptr;
    if (lib::av_bsf_alloc(filter.Filter, &bsf) < 0) throw EngineException("Out of memory");
    ost.Filters.emplace_back(bsf);
  }
  chain.clear();
  output.Streams.push_back(std::move(ost));
  return output.Streams.back();
}

// The encoder for a stream: by name through the codec lookup, else the
// format's guess for the file name.
const AVCodec* ChooseEncoder(const std::string& name, AVMediaType type, const OptionStore& store,
                             const TOutputFile& output) {
  if (!name.empty()) {
    const TCodecLookup found =
        FindCodec(name, type, true, store.CodecOptions(type)->strict_std_compliance);
    if (!found.Ok) throw EngineException(found.ErrorText);
    return found.Codec;
  }
  const AVCodecID id =
      lib::av_guess_codec(output.Context->oformat, nullptr, output.FileName.c_str(), nullptr, type);
  const AVCodec* codec = lib::avcodec_find_encoder(id);
  if (codec == nullptr)
    throw EngineException::Format("Encoder (codec id %d) not found", static_cast<int>(id));
  return codec;
}

void AllocateEncoder(TOutputStream& ost, const AVCodec* codec) {
  ost.Encoder = codec;
  ost.EncoderContext.reset(lib::avcodec_alloc_context3(codec));
  if (!ost.EncoderContext) throw EngineException("Out of memory");
}

void SetLanguage(AVStream* stream, std::string& language) {
  if (!language.empty()) lib::av_dict_set(&stream->metadata, "language", language.c_str(), 0);
  language.clear();
}

AVRational AspectToSar(double aspect, int width, int height) {
  const double sar = width * height != 0 ? aspect * height / width : aspect * 3.0 / 4.0;
  return lib::av_d2q(sar, 255);
}

}  // namespace

void TCustomTranscoder::NewVideoStream(int file) {
  TOutputStream& ost =
      AddStream(*files_, file, AVMEDIA_TYPE_VIDEO, state_, state_.VideoBitstreamFilters);
  TOutputFile& output = files_->Outputs[file];
  ost.Video.TopBand = state_.FrameTopBand;
  ost.Video.BottomBand = state_.FrameBottomBand;
  ost.Video.LeftBand = state_.FrameLeftBand;
  ost.Video.RightBand = state_.FrameRightBand;
  if (state_.VideoStreamCopy) {
    ost.Copy = true;
    ost.Stream->sample_aspect_ratio =
        AspectToSar(state_.FrameAspectRatio, state_.FrameWidth, state_.FrameHeight);
  } else {
    AllocateEncoder(ost, ChooseEncoder(state_.VideoCodecName, AVMEDIA_TYPE_VIDEO, store_, output));
    AVCodecContext* enc = ost.EncoderContext.get();
    store_.ApplyStoredOptions(enc, store_.CodecOptions(AVMEDIA_TYPE_VIDEO),
                              AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    enc->thread_count = state_.ThreadCount;
    AVRational rate =
        state_.FrameRate.num > 0 && state_.FrameRate.den > 0 ? state_.FrameRate : AVRational{25, 1};
    if (ost.Encoder->supported_framerates && !state_.ForceFps)
      rate = ost.Encoder->supported_framerates[lib::av_find_nearest_q_idx(
          rate, ost.Encoder->supported_framerates)];
    enc->framerate = rate;
    enc->time_base = AVRational{rate.den, rate.num};
    enc->width = state_.FrameWidth;
    enc->height = state_.FrameHeight;
    enc->sample_aspect_ratio = ost.Stream->sample_aspect_ratio =
        AspectToSar(state_.FrameAspectRatio, state_.FrameWidth, state_.FrameHeight);
    AVPixelFormat pixFmt =
        state_.FramePixFmt == AV_PIX_FMT_NONE ? AV_PIX_FMT_YUV420P : state_.FramePixFmt;
    if (ost.Encoder->pix_fmts) {
      bool supported = false;
      for (const AVPixelFormat* p = ost.Encoder->pix_fmts; *p != AV_PIX_FMT_NONE; ++p)
        supported |= *p == pixFmt;
      if (!supported) pixFmt = ost.Encoder->pix_fmts[0];
    }
    enc->pix_fmt = pixFmt;
    if (state_.IntraOnly) enc->gop_size = 0;
    if (state_.VideoQScale > 0 || state_.SameQuality) {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = static_cast<int>(FF_QP2LAMBDA * state_.VideoQScale);
    }
    if (enc->rc_initial_buffer_occupancy == 0)
      enc->rc_initial_buffer_occupancy = enc->rc_buffer_size * 3 / 4;
    enc->intra_dc_precision = state_.IntraDcPrecision - 8;
    if (state_.DoPsnr) enc->flags |= AV_CODEC_FLAG_PSNR;
    if (state_.DoPass == 1) enc->flags |= AV_CODEC_FLAG_PASS1;
    if (state_.DoPass == 2) enc->flags |= AV_CODEC_FLAG_PASS2;
    if ((state_.VideoGlobalHeader & 1) ||
        (state_.VideoGlobalHeader == 0 && (output.Context->oformat->flags & AVFMT_GLOBALHEADER)))
      enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (state_.VideoGlobalHeader & 2) enc->flags2 |= AV_CODEC_FLAG2_LOCAL_HEADER;
    if (state_.VideoCodecTag) enc->codec_tag = state_.VideoCodecTag;
  }
  SetLanguage(ost.Stream, state_.VideoLanguage);
  state_.VideoDisable = false;
  state_.VideoCodecName.clear();
  state_.VideoStreamCopy = false;
  state_.FramePixFmt = AV_PIX_FMT_NONE;
}

void TCustomTranscoder::NewAudioStream(int file) {
  TOutputStream& ost =
      AddStream(*files_, file, AVMEDIA_TYPE_AUDIO, state_, state_.AudioBitstreamFilters);
  TOutputFile& output = files_->Outputs[file];
  if (state_.AudioStreamCopy) {
    ost.Copy = true;
  } else {
    AllocateEncoder(ost, ChooseEncoder(state_.AudioCodecName, AVMEDIA_TYPE_AUDIO, store_, output));
    AVCodecContext* enc = ost.EncoderContext.get();
    store_.ApplyStoredOptions(enc, store_.CodecOptions(AVMEDIA_TYPE_AUDIO),
                              AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
    enc->thread_count = state_.ThreadCount;
    if (state_.AudioQScale > -99999) {
      enc->flags |= AV_CODEC_FLAG_QSCALE;
      enc->global_quality = static_cast<int>(FF_QP2LAMBDA * state_.AudioQScale);
    }
    const int channels = state_.AudioChannels > 0 ? state_.AudioChannels : 2;
    lib::av_channel_layout_uninit(&enc->ch_layout);
    AVChannelLayout layout{};
    if (state_.AudioChannelLayout != 0 &&
        lib::av_channel_layout_from_mask(&layout, state_.AudioChannelLayout) == 0 &&
        layout.nb_channels == channels)
      enc->ch_layout = layout;
    else
      lib::av_channel_layout_default(&enc->ch_layout, channels);
    AVSampleFormat sampleFmt =
        state_.AudioSampleFmt == AV_SAMPLE_FMT_NONE ? AV_SAMPLE_FMT_S16 : state_.AudioSampleFmt;
    if (ost.Encoder->sample_fmts) {
      bool supported = false;
      for (const AVSampleFormat* f = ost.Encoder->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        supported |= *f == sampleFmt;
      if (!supported) sampleFmt = ost.Encoder->sample_fmts[0];
    }
    enc->sample_fmt = sampleFmt;
    int rate = state_.AudioSampleRate;
    if (ost.Encoder->supported_samplerates) {
      int best = 0;
      for (const int* r = ost.Encoder->supported_samplerates; *r != 0; ++r)
        if (best == 0 || std::abs(*r - rate) < std::abs(best - rate)) best = *r;
      if (best != rate) {
        EngineLog().LogFormat(this, llWarning,
                              "Requested sampling rate unsupported using closest supported (%d)",
                              best);
        rate = best;
      }
    }
    enc->sample_rate = rate;
    enc->time_base = AVRational{1, rate};
    if (output.Context->oformat->flags & AVFMT_GLOBALHEADER)
      enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if (state_.AudioCodecTag) enc->codec_tag = state_.AudioCodecTag;
  }
  SetLanguage(ost.Stream, state_.AudioLanguage);
  state_.AudioDisable = false;
  state_.AudioCodecName.clear();
  state_.AudioStreamCopy = false;
}

void TCustomTranscoder::NewSubtitleStream(int file) {
  TOutputStream& ost =
      AddStream(*files_, file, AVMEDIA_TYPE_SUBTITLE, state_, state_.SubtitleBitstreamFilters);
  TOutputFile& output = files_->Outputs[file];
  if (state_.SubtitleStreamCopy) {
    ost.Copy = true;
  } else {
    AllocateEncoder(ost,
                    ChooseEncoder(state_.SubtitleCodecName, AVMEDIA_TYPE_SUBTITLE, store_, output));
    store_.ApplyStoredOptions(ost.EncoderContext.get(), store_.CodecOptions(AVMEDIA_TYPE_SUBTITLE),
                              AV_OPT_FLAG_SUBTITLE_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  }
  SetLanguage(ost.Stream, state_.SubtitleLanguage);
  state_.SubtitleDisable = false;
  state_.SubtitleCodecName.clear();
  state_.SubtitleStreamCopy = false;
}

// --- Frame-hook plug-ins -----------------------------------------------------------

namespace {

std::mutex& HookLibraryMutex() {
  static std::mutex mutex;
  return mutex;
}

// Loaded plug-ins stay loaded for the life of the process, once per path.
std::map<std::string, void*>& HookLibraries() {
  static std::map<std::string, void*> libraries;
  return libraries;
}

}  // namespace

int TCustomTranscoder::AddFrameHook(const std::vector<std::string>& arguments) {
  if (arguments.empty()) return -1;
  const std::string& path = arguments[0];
  void* library = nullptr;
  {
    std::lock_guard<std::mutex> lock(HookLibraryMutex());
    auto found = HookLibraries().find(path);
    if (found != HookLibraries().end()) {
      library = found->second;
    } else {
      library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (library == nullptr) {
        const char* error = dlerror();
        lib::av_log(nullptr, AV_LOG_ERROR, "%s\n", error ? error : path.c_str());
        return -1;
      }
      HookLibraries()[path] = library;
    }
  }
  TFrameHook hook;
  hook.Library = library;
  auto configure = reinterpret_cast<TFrameHook::ConfigureFn>(dlsym(library, "Configure"));
  hook.Process = reinterpret_cast<TFrameHook::ProcessFn>(dlsym(library, "Process"));
  hook.Release = reinterpret_cast<TFrameHook::ReleaseFn>(dlsym(library, "Release"));
  if (hook.Process == nullptr) {
    lib::av_log(nullptr, AV_LOG_ERROR, "Failed to find Process entrypoint in %s\n", path.c_str());
    return -2;
  }
  if (configure == nullptr && arguments.size() > 1) {
    lib::av_log(nullptr, AV_LOG_ERROR, "Failed to find Configure entrypoint in %s\n", path.c_str());
    return -2;
  }
  if (configure != nullptr) {
    std::vector<std::string> copies(arguments);
    std::vector<char*> argv;
    for (auto& text : copies) argv.push_back(text.data());
    argv.push_back(nullptr);
    if (configure(&hook.Context, static_cast<int>(copies.size()), argv.data()) != 0) {
      lib::av_log(nullptr, AV_LOG_ERROR, "Failed to Configure %s\n", path.c_str());
      return -22;
    }
  }
  files_->FrameHooks.push_back(hook);
  return 0;
}

void ReleaseFrameHooks(TTranscodeFiles& files) {
  for (auto& hook : files.FrameHooks)
    if (hook.Release != nullptr) hook.Release(hook.Context);
  files.FrameHooks.clear();
}

}  // namespace media
