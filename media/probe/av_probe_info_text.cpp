// The probe's multi-line description of a file: container lines, then a
// line per stream (grouped by program), each followed by its metadata.
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "media/binding/entry_table.h"
#include "media/binding/media_text.h"
#include "media/binding/process_helpers.h"
#include "media/probe/av_probe.h"
#include "media/probe/metadata_keys.h"

namespace media {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...) {
  char buffer[1024];
  va_list args;
  va_start(args, format);
  std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  return buffer;
}

// "S.UUUUUU" for a time in microseconds; a negative time keeps its sign in
// front instead of on the remainder.
std::string SecondsText(int64_t us) {
  const char* sign = us < 0 ? "-" : "";
  int64_t a = std::llabs(us);
  return Format("%s%lld.%.6lld", sign, static_cast<long long>(a / 1000000),
                static_cast<long long>(a % 1000000));
}

// A rate such as 29.97 with two decimals, 25 without, 90000 as "90k".
std::string RateText(double value, const char* unit) {
  long long v = std::llrint(value * 100);
  if (v % 100 != 0) return Format(", %3.2f %s", value, unit);
  if (v % (100 * 1000) != 0) return Format(", %1.0f %s", value, unit);
  return Format(", %1.0fk %s", value / 1000, unit);
}

void AppendMetadata(std::vector<std::string>& lines, const AVDictionary* dict,
                    const std::string& prefix) {
  int count = dict ? lib::av_dict_count(dict) : 0;
  if (count == 0) return;
  if (count == 1 && lib::av_dict_get(dict, "language", nullptr, AV_DICT_MATCH_CASE)) return;
  lines.push_back(prefix + "Metadata:");
  const AVDictionaryEntry* e = nullptr;
  while ((e = lib::av_dict_get(dict, "", e, AV_DICT_IGNORE_SUFFIX)) != nullptr) {
    if (std::string(e->key) == "language") continue;
    lines.push_back(
        Format("%s  %-16s: %s", prefix.c_str(), MetadataDisplayName(e->key).c_str(), e->value));
  }
}

// avcodec_string of the stream's parameters, as a decoder would see them.
std::string CodecDescription(const AVStream* st) {
  char buffer[256] = {};
  AVCodecContext* avctx = lib::avcodec_alloc_context3(nullptr);
  if (avctx == nullptr) return "";
  if (lib::avcodec_parameters_to_context(avctx, st->codecpar) >= 0) {
    avctx->framerate = st->avg_frame_rate;
    lib::avcodec_string(buffer, sizeof buffer, avctx, 0);
  }
  lib::avcodec_free_context(&avctx);
  return buffer;
}

std::string StreamLine(const AVFormatContext* ctx, int i) {
  const AVStream* st = ctx->streams[i];
  const AVCodecParameters* par = st->codecpar;
  std::string line = Format("Stream #%d", i);
  if (ctx->iformat && (ctx->iformat->flags & AVFMT_SHOW_IDS)) line += Format("[0x%x]", st->id);
  const AVDictionaryEntry* lang = lib::av_dict_get(st->metadata, "language", nullptr, 0);
  if (lang && lang->value && *lang->value) line += Format("(%s)", lang->value);
  int64_t g = lib::av_gcd(st->time_base.num, st->time_base.den);
  if (g == 0) g = 1;
  line += Format(", %lld/%lld", static_cast<long long>(st->time_base.num / g),
                 static_cast<long long>(st->time_base.den / g));
  line += ": " + CodecDescription(st);

  const AVRational sar = st->sample_aspect_ratio;
  if (sar.num != 0 && int64_t{sar.num} * par->sample_aspect_ratio.den !=
                          int64_t{par->sample_aspect_ratio.num} * sar.den) {
    int dn = 0, dd = 0;
    lib::av_reduce(&dn, &dd, int64_t{par->width} * sar.num, int64_t{par->height} * sar.den,
                   1024 * 1024);
    line += Format(", PAR %d:%d DAR %d:%d", sar.num, sar.den, dn, dd);
  }
  if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
    const struct {
      AVRational rate;
      const char* unit;
    } rates[] = {
        {st->avg_frame_rate, "fps"}, {st->r_frame_rate, "tbr"}, {av_inv_q(st->time_base), "tbn"}};
    for (const auto& r : rates)
      if (r.rate.num != 0 && r.rate.den != 0) line += RateText(av_q2d(r.rate), r.unit);
  }
  if (st->start_time != AV_NOPTS_VALUE)
    line += ", StartTime: " +
            SecondsText(lib::av_rescale_q(st->start_time, st->time_base, AVRational{1, 1000000}));
  if (st->duration == AV_NOPTS_VALUE)
    line += ", Duration: N/A";
  else
    line += ", Duration: " +
            FormatDuration(lib::av_rescale_q(st->duration, st->time_base, AVRational{1, 1000000}));
  return line;
}

}  // namespace

std::string TCustomAVProbe::GetInfoText() {
  AVFormatContext* ctx = FormatContext();
  if (ctx == nullptr) {
    ReportError(AV_LOG_WARNING, "file not loaded.");
    return "";
  }
  std::vector<std::string> lines;
  lines.push_back("File Name: " + GetFileName());
  lines.push_back(Format("Format Name: %s", ctx->iformat->name));
  lines.push_back(
      Format("Format Long Name: %s", ctx->iformat->long_name ? ctx->iformat->long_name : ""));
  lines.push_back("File Size: " + FormatFileSize(FileSize()));

  TFileStreamInfo info;
  GetFileStreamInfo(info);
  lines.push_back(info.Duration < 0 ? "Duration: N/A"
                                    : "Duration: " + FormatDuration(info.Duration));
  if (info.StartTime >= 0) lines.push_back("StartTime: " + SecondsText(info.StartTime));
  lines.push_back(info.BitRate < 1 ? "Bit Rate: N/A"
                                   : Format("Bit Rate: %d kb/s", info.BitRate / 1000));
  if (info.TimeStamp > 0)
    lines.push_back("Time Stamp: " +
                    FormatDateTime("yyyy-mm-dd hh:nn:ss", UnixToLocalDateTime(info.TimeStamp)));
  AppendMetadata(lines, ctx->metadata, "");

  std::vector<bool> shown(ctx->nb_streams, false);
  for (unsigned p = 0; p < ctx->nb_programs; ++p) {
    const AVProgram* program = ctx->programs[p];
    // Today's demuxers name these "service_provider" and "service_name".
    auto value = [&](const char* key, const char* currentKey) {
      const AVDictionaryEntry* e = lib::av_dict_get(program->metadata, key, nullptr, 0);
      if (e == nullptr) e = lib::av_dict_get(program->metadata, currentKey, nullptr, 0);
      return std::string(e && e->value ? e->value : "N/A");
    };
    lines.push_back(Format("Program %d %s@%s", program->id,
                           value("provider_name", "service_provider").c_str(),
                           value("name", "service_name").c_str()));
    AppendMetadata(lines, program->metadata, "  ");
    for (unsigned k = 0; k < program->nb_stream_indexes; ++k) {
      unsigned s = program->stream_index[k];
      if (s >= ctx->nb_streams) continue;
      lines.push_back(StreamLine(ctx, static_cast<int>(s)));
      AppendMetadata(lines, ctx->streams[s]->metadata, "  ");
      shown[s] = true;
    }
  }
  for (unsigned s = 0; s < ctx->nb_streams; ++s) {
    if (shown[s]) continue;
    lines.push_back(StreamLine(ctx, static_cast<int>(s)));
    AppendMetadata(lines, ctx->streams[s]->metadata, "  ");
  }

  std::string text;
  for (const auto& l : lines) text += l + "\r\n";
  return text;
}

}  // namespace media
