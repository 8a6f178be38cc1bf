#include "media/probe/av_probe.h"

#include <climits>
#include <cstdlib>
#include <stdexcept>

#include "media/binding/engine_log.h"
#include "media/binding/entry_table.h"
#include "media/binding/library_loader.h"
#include "media/binding/media_text.h"
#include "media/binding/process_helpers.h"
#include "media/binding/unicode_protocol.h"
#include "platform/folders.h"

namespace media {
namespace {

constexpr int kWarningLevel = AV_LOG_WARNING;  // 24
constexpr int kErrorLevel = AV_LOG_ERROR;      // 16
constexpr const char* kNotLoaded = "file not loaded.";

std::string MetadataValue(const AVDictionary* dict, const char* key) {
  const AVDictionaryEntry* e = lib::av_dict_get(dict, key, nullptr, 0);
  return e && e->value ? e->value : "";
}

int32_t ClampToInt32(int64_t v) {
  return static_cast<int32_t>(v > INT32_MAX ? INT32_MAX : v < INT32_MIN ? INT32_MIN : v);
}

// Leading decimal number of a text such as "2009-05-01" or "3/12"; 0 when
// there is none.
int32_t LeadingNumber(const std::string& text) {
  return text.empty() ? 0 : static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 10));
}

// Repairs a time base with a zero denominator in place (num/num, or 1/1 when
// the numerator is zero too) so that conversions never divide by zero.
AVRational& FixedTimeBase(AVStream* st) {
  if (st->time_base.den == 0) st->time_base.den = st->time_base.num != 0 ? st->time_base.num : 1;
  if (st->time_base.num == 0 && st->time_base.den == 0) st->time_base = {1, 1};
  return st->time_base;
}

int64_t ToMicroseconds(int64_t value, AVRational timeBase) {
  if (value == AV_NOPTS_VALUE) return -1;
  return lib::av_rescale_q(value, timeBase, AVRational{1, 1000000});
}

// The fields audio and video stream records share.
template <typename Info>
void FillStreamCommon(AVStream* st, Info& info) {
  const AVRational tb = FixedTimeBase(st);
  info.Language = MetadataValue(st->metadata, "language");
  info.CodecName = CodecNameText(st->codecpar->codec_id, st->codecpar->codec_tag, false);
  info.StreamStartTime = st->start_time;
  info.StartTime = ToMicroseconds(st->start_time, tb);
  info.StreamDuration = st->duration;
  info.Duration = ToMicroseconds(st->duration, tb);
  info.BitRate = ClampToInt32(st->codecpar->bit_rate);
}

}  // namespace

TCustomAVProbe::TCustomAVProbe() : TMediaComponent("AVProbe") {
  TCustomAVProbe::CollectInfo();
}

TCustomAVProbe::~TCustomAVProbe() {
  TCustomAVProbe::CloseFile();
}

void TCustomAVProbe::CheckLibraries() {
  const struct {
    TLibraryId id;
    const char* text;
  } needed[] = {{libAVCodec, "LibAVCodec not loaded."},
                {libAVFormat, "LibAVFormat not loaded."},
                {libAVUtil, "LibAVUtil not loaded."},
                {libSwScale, "LibSwScale not loaded."}};
  for (const auto& n : needed)
    if (!LibraryLoader().LibLoaded(n.id)) throw std::runtime_error(n.text);
}

void TCustomAVProbe::ReportError(int level, const std::string& message) {
  EngineLog().LogMessage(this, LibraryToLogLevel(level), message);
  lastErrMsg_ = message;
}

bool TCustomAVProbe::RequireFile() {
  if (context_ != nullptr) return true;
  ReportError(kWarningLevel, kNotLoaded);
  return false;
}

bool TCustomAVProbe::LoadFile(const std::string& fileName, const std::string& forcedFormat) {
  CheckLibraries();
  CloseFile();
  const AVInputFormat* format = nullptr;
  if (!forcedFormat.empty()) {
    format = lib::av_find_input_format(forcedFormat.c_str());
    if (format == nullptr) {
      lastErrMsg_ = "Unknown input format: " + forcedFormat;
      return false;
    }
  }
  std::string libraryName;
  try {
    libraryName = ToLibraryFileName(fileName);
  } catch (const FileNameTooLong& e) {
    ReportError(kErrorLevel, e.what());
    return false;
  }
  AVFormatContext* ctx = nullptr;
  int rc = OpenLibraryInput(&ctx, libraryName, format, nullptr);
  if (rc < 0) {
    ReportError(kErrorLevel, LibraryErrorText(fileName, rc));
    CloseFile();
    return false;
  }
  context_ = ctx;
  ownsContext_ = true;
  // Stream-information reading opens decoders; serialise it with the
  // conversions that may run on worker threads meanwhile.
  {
    std::lock_guard lock(CodecLock());
    rc = lib::avformat_find_stream_info(context_, nullptr);
  }
  if (rc < 0) {
    lastErrMsg_ = fileName + ": could not find codec parameters";
    CloseFile();
    return false;
  }
  CollectInfo();
  forcedFormat_ = forcedFormat;
  return true;
}

void TCustomAVProbe::CloseFile() {
  forcedFormat_.clear();
  if (context_ != nullptr && ownsContext_) CloseLibraryInput(&context_);
  context_ = nullptr;
  ownsContext_ = false;
  CollectInfo();
}

void TCustomAVProbe::AttachFormatContext(AVFormatContext* context) {
  CheckLibraries();
  CloseFile();
  context_ = context;
  ownsContext_ = false;
  CollectInfo();
}

void TCustomAVProbe::CollectInfo() {
  fileSize_ = streamCount_ = programCount_ = -1;
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = -1;
  firstAudioStream_ = firstVideoStream_ = firstSubtitleStream_ = -1;
  if (context_ == nullptr) return;

  int64_t size = context_->pb ? lib::avio_size(context_->pb) : 0;
  if (size > 0) {
    fileSize_ = size;
  } else {
    const std::string name = FromLibraryFileName(context_->url ? context_->url : "");
    fileSize_ = platform::FileExists(name) ? FileSizeOnDisk(name) : (size < 0 ? -1 : size);
  }

  streamCount_ = static_cast<int>(context_->nb_streams);
  programCount_ = static_cast<int>(context_->nb_programs);
  audioStreamCount_ = videoStreamCount_ = subtitleStreamCount_ = 0;
  for (int i = 0; i < streamCount_; ++i) {
    switch (context_->streams[i]->codecpar->codec_type) {
      case AVMEDIA_TYPE_VIDEO:
        ++videoStreamCount_;
        if (firstVideoStream_ < 0) firstVideoStream_ = i;
        break;
      case AVMEDIA_TYPE_AUDIO:
        ++audioStreamCount_;
        if (firstAudioStream_ < 0) firstAudioStream_ = i;
        break;
      case AVMEDIA_TYPE_SUBTITLE:
        ++subtitleStreamCount_;
        if (firstSubtitleStream_ < 0) firstSubtitleStream_ = i;
        break;
      default:
        break;
    }
  }
}

void TCustomAVProbe::GetFileStreamInfo(TFileStreamInfo& info) {
  info = TFileStreamInfo{};
  if (!RequireFile()) return;
  const AVDictionary* md = context_->metadata;
  info.StartTime = context_->start_time == AV_NOPTS_VALUE ? -1 : context_->start_time;
  info.Duration = context_->duration == AV_NOPTS_VALUE ? -1 : context_->duration;
  info.BitRate = ClampToInt32(context_->bit_rate);
  // Today's containers keep creation time, year and track as metadata.
  info.TimeStamp = 0;
  const std::string created = MetadataValue(md, "creation_time");
  int64_t us = 0;
  if (!created.empty() && lib::av_parse_time(&us, created.c_str(), 0) >= 0 && us > 0)
    info.TimeStamp = us / 1000000;
  std::string year = MetadataValue(md, "year");
  if (year.empty()) year = MetadataValue(md, "date");
  info.Year = LeadingNumber(year);
  info.Track = LeadingNumber(MetadataValue(md, "track"));
  info.Title = MetadataValue(md, "title");
  info.Author = MetadataValue(md, "author");
  if (info.Author.empty()) info.Author = MetadataValue(md, "artist");
  info.Copyright = MetadataValue(md, "copyright");
  info.Comment = MetadataValue(md, "comment");
  info.Album = MetadataValue(md, "album");
  info.Genre = MetadataValue(md, "genre");
}

bool TCustomAVProbe::CheckStream(int& index, int kind, int first, const char* noneText,
                                 const char* notText) {
  if (!RequireFile()) return false;
  if (index < 0) {
    if (first < 0) {
      ReportError(kErrorLevel, noneText);
      return false;
    }
    index = first;
  }
  if (index >= streamCount_) {
    ReportError(kErrorLevel, "stream index #" + std::to_string(index) + " is invalid.");
    return false;
  }
  if (context_->streams[index]->codecpar->codec_type != kind) {
    ReportError(kErrorLevel, "stream #" + std::to_string(index) + notText);
    return false;
  }
  return true;
}

void TCustomAVProbe::GetAudioStreamInfo(int index, TAudioStreamInfo& info) {
  info = TAudioStreamInfo{};
  if (!CheckStream(index, AVMEDIA_TYPE_AUDIO, firstAudioStream_, "no audio stream.",
                   " is not audio stream."))
    return;
  AVStream* st = context_->streams[index];
  const AVCodecParameters* par = st->codecpar;
  FillStreamCommon(st, info);
  info.Channels = par->ch_layout.nb_channels;
  info.SampleRate = par->sample_rate;
  info.SampleFormat = par->format;
}

void TCustomAVProbe::GetVideoStreamInfo(int index, TVideoStreamInfo& info) {
  info = TVideoStreamInfo{};
  if (!CheckStream(index, AVMEDIA_TYPE_VIDEO, firstVideoStream_, "no video stream.",
                   " is not video stream."))
    return;
  AVStream* st = context_->streams[index];
  const AVCodecParameters* par = st->codecpar;
  FillStreamCommon(st, info);
  info.Height = par->height;
  info.Width = par->width;
  const AVRational sar = par->sample_aspect_ratio;
  info.DisplayAspectRatio = (sar.num == 0 || sar.den == 0 || par->height == 0)
                                ? 0.0f
                                : static_cast<float>(av_q2d(sar) * par->width / par->height);
  info.PixelFormat = par->format;
  info.FrameRateNum = st->r_frame_rate.num;
  info.FrameRateDen = st->r_frame_rate.den;
}

std::string TCustomAVProbe::GetFileName() {
  if (!RequireFile()) return "";
  return FromLibraryFileName(context_->url ? context_->url : "");
}

std::string TCustomAVProbe::GetFormatName() {
  if (!RequireFile()) return "";
  return context_->iformat && context_->iformat->name ? context_->iformat->name : "";
}

bool TCustomAVProbe::IsStreamOfKind(int index, int kind) {
  if (!RequireFile()) return false;
  if (index < 0 || index >= streamCount_) {
    ReportError(kErrorLevel, "stream index #" + std::to_string(index) + " is invalid.");
    return false;
  }
  return context_->streams[index]->codecpar->codec_type == kind;
}

bool TCustomAVProbe::IsAudioStream(int index) {
  return IsStreamOfKind(index, AVMEDIA_TYPE_AUDIO);
}

bool TCustomAVProbe::IsVideoStream(int index) {
  return IsStreamOfKind(index, AVMEDIA_TYPE_VIDEO);
}

TAVProbe::TAVProbe() {
  TAVProbe::CollectInfo();
}

TAVProbe::~TAVProbe() {
  TAVProbe::CloseFile();
}

void TAVProbe::CloseFile() {
  mainStream_ = -1;
  mainStartTime_ = -1;
  TCustomAVProbe::CloseFile();
}

void TAVProbe::CollectInfo() {
  TCustomAVProbe::CollectInfo();
  mainStream_ = FirstVideoStream() >= 0   ? FirstVideoStream()
                : FirstAudioStream() >= 0 ? FirstAudioStream()
                                          : -1;
  AVFormatContext* ctx = FormatContext();
  if (ctx == nullptr) return;
  int64_t start = mainStream_ >= 0 ? ctx->streams[mainStream_]->start_time : ctx->start_time;
  mainStartTime_ = start == AV_NOPTS_VALUE ? 0 : start;
}

}  // namespace media
