#include "cli/command_info.h"

#include <iostream>

#include "cli/json_writer.h"
#include "cli/media_libraries.h"
#include "cli/usage.h"
#include "media/probe/av_probe.h"

namespace cli {
namespace {

// The probe's lines end in CR LF; a terminal wants LF.
std::string WithLineFeeds(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i)
    if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
  return out;
}

// The fields audio and video stream records share.
template <typename Info>
void WriteStreamCommon(JsonWriter& json, const Info& s) {
  json.String("language", s.Language);
  json.String("codec", s.CodecName);
  json.Integer("stream_start_time", s.StreamStartTime);
  json.Integer("start_time", s.StartTime);
  json.Integer("stream_duration", s.StreamDuration);
  json.Integer("duration", s.Duration);
  json.Integer("bit_rate", s.BitRate);
}

void WriteJson(JsonWriter& json, media::TAVProbe& probe) {
  media::TFileStreamInfo file;
  probe.GetFileStreamInfo(file);
  json.String("file", probe.GetFileName());
  json.String("format", probe.GetFormatName());
  json.Integer("size", probe.FileSize());
  json.BeginObject("info");
  json.Integer("start_time", file.StartTime);
  json.Integer("duration", file.Duration);
  json.Integer("bit_rate", file.BitRate);
  json.Integer("time_stamp", file.TimeStamp);
  json.Integer("year", file.Year);
  json.Integer("track", file.Track);
  json.String("title", file.Title);
  json.String("author", file.Author);
  json.String("copyright", file.Copyright);
  json.String("comment", file.Comment);
  json.String("album", file.Album);
  json.String("genre", file.Genre);
  json.EndObject();
  json.BeginArray("audio");
  for (int i = 0; i < probe.StreamCount(); ++i) {
    if (!probe.IsAudioStream(i)) continue;
    media::TAudioStreamInfo a;
    probe.GetAudioStreamInfo(i, a);
    json.BeginObject();
    json.Integer("index", i);
    WriteStreamCommon(json, a);
    json.Integer("channels", a.Channels);
    json.Integer("sample_rate", a.SampleRate);
    json.Integer("sample_format", a.SampleFormat);
    json.EndObject();
  }
  json.EndArray();
  json.BeginArray("video");
  for (int i = 0; i < probe.StreamCount(); ++i) {
    if (!probe.IsVideoStream(i)) continue;
    media::TVideoStreamInfo v;
    probe.GetVideoStreamInfo(i, v);
    json.BeginObject();
    json.Integer("index", i);
    WriteStreamCommon(json, v);
    json.Integer("width", v.Width);
    json.Integer("height", v.Height);
    json.Real("display_aspect_ratio", v.DisplayAspectRatio);
    json.Integer("pixel_format", v.PixelFormat);
    json.Integer("frame_rate_num", v.FrameRateNum);
    json.Integer("frame_rate_den", v.FrameRateDen);
    json.EndObject();
  }
  json.EndArray();
}

}  // namespace

int RunInfoCommand(const std::vector<std::string>& args) {
  bool asJson = false;
  std::string folder = DefaultLibraryFolder();
  std::vector<std::string> files;
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--json") {
      asJson = true;
    } else if (args[i] == "--library-dir" && i + 1 < args.size()) {
      folder = args[++i];
    } else if (args[i] == "--") {
      files.insert(files.end(), args.begin() + static_cast<long>(i) + 1, args.end());
      break;
    } else if (args[i].size() > 1 && args[i][0] == '-') {
      return UsageError("info: unknown option '" + args[i] + "'");
    } else {
      files.push_back(args[i]);
    }
  }
  if (files.empty()) return UsageError("info: no file given");
  if (!LoadMediaLibraries(media::ConverterLibraries, folder)) return 1;

  media::TAVProbe probe;
  bool failed = false;
  bool shownAny = false;
  JsonWriter json;
  if (asJson) json.BeginArray();
  for (size_t n = 0; n < files.size(); ++n) {
    if (!probe.LoadFile(files[n])) {
      std::cerr << probe.LastErrMsg() << "\n";
      failed = true;
      continue;
    }
    if (asJson) {
      json.BeginObject();
      WriteJson(json, probe);
      json.EndObject();
    } else {
      if (shownAny) std::cout << "\n";
      std::cout << WithLineFeeds(probe.GetInfoText());
      shownAny = true;
    }
    probe.CloseFile();
  }
  if (asJson) {
    json.EndArray();
    std::cout << json.Text() << "\n";
  }
  return failed ? 1 : 0;
}

}  // namespace cli
