#include "media/engine/option_state.h"

#include <charconv>
#include <cmath>
#include <ctime>
#include <limits>
#include <string_view>

#include "media/binding/engine_log.h"
#include "media/binding/entry_table.h"
#include "media/binding/option_store.h"
#include "media/engine/codec_presets.h"
#include "media/engine/converter_options.h"
#include "media/engine/engine_exception.h"
#include "media/engine/target_presets.h"
#include "platform/folders.h"

namespace media {

void ResetOptionState(TOptionState& state) {
  state = TOptionState{};
}

int StreamIdFor(const TOptionState& state, int index) {
  return index >= 0 && index < kMaxStreams ? state.StreamIds[static_cast<size_t>(index)] : 0;
}

// --- Number conversions ------------------------------------------------------

namespace {

[[noreturn]] void RaiseInvalidNumber(const std::string& name, const std::string& value,
                                     const char* expected) {
  throw EngineException::Format("Invalid value \"%s\" for option \"%s\": %s is expected",
                                value.c_str(), name.c_str(), expected);
}

// Drops one leading "+"; false when a second sign follows it.
bool SkipPlus(std::string_view& text) {
  if (text.empty() || text.front() != '+') return true;
  text.remove_prefix(1);
  return text.empty() || (text.front() != '+' && text.front() != '-');
}

// Reads a whole decimal integer (optional sign) from `text`; false when the
// text is anything else or out of range.
template <typename T>
bool ReadWholeInteger(std::string_view text, T& out) {
  if (!SkipPlus(text)) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), out);
  return error == std::errc() && end == text.data() + text.size();
}

// Reads a leading decimal integer (optional sign) and moves `text` past it.
bool ReadLeadingInteger(std::string_view& text, long long& out) {
  std::string_view digits = text;
  if (!SkipPlus(digits)) return false;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), out);
  if (error != std::errc()) return false;
  text.remove_prefix(static_cast<size_t>(end - text.data()));
  return true;
}

bool ReadWholeFloat(std::string_view text, double& out) {
  if (!SkipPlus(text)) return false;
  const auto [end, error] =
      std::from_chars(text.data(), text.data() + text.size(), out, std::chars_format::general);
  return error == std::errc() && end == text.data() + text.size() && std::isfinite(out);
}

}  // namespace

int ParseIntValue(const std::string& name, const std::string& value) {
  int result = 0;
  if (!ReadWholeInteger(TrimText(value), result)) RaiseInvalidNumber(name, value, "an integer");
  return result;
}

int64_t ParseInt64Value(const std::string& name, const std::string& value) {
  int64_t result = 0;
  if (!ReadWholeInteger(TrimText(value), result)) RaiseInvalidNumber(name, value, "an integer");
  return result;
}

float ParseFloatValue(const std::string& name, const std::string& value) {
  double result = 0;
  if (!ReadWholeFloat(TrimText(value), result) ||
      std::fabs(result) > std::numeric_limits<float>::max()) {
    RaiseInvalidNumber(name, value, "a number");
  }
  return static_cast<float>(result);
}

void SetCodecName(TOptionState& state, AVMediaType type, const std::string& value) {
  if (value.empty()) return;
  std::string* name = &state.VideoCodecName;
  bool* copy = &state.VideoStreamCopy;
  if (type == AVMEDIA_TYPE_AUDIO) {
    name = &state.AudioCodecName;
    copy = &state.AudioStreamCopy;
  } else if (type == AVMEDIA_TYPE_SUBTITLE) {
    name = &state.SubtitleCodecName;
    copy = &state.SubtitleStreamCopy;
  }
  name->clear();
  if (value == "copy") {
    *copy = true;
  } else {
    *name = value;
  }
}

// --- Option handlers -----------------------------------------------------------

namespace {

using THandler = void (*)(TOptionContext& context, const std::string& name,
                          const std::string& value);

void Log(TOptionContext& context, TLogLevel level, const std::string& text) {
  EngineLog().LogMessage(context.LogSender, level, text);
}

// Field setters by value kind: "flag" is true unless the value is exactly
// "0"; "any" sets true whatever the value.
template <bool TOptionState::*Field>
void Flag(TOptionContext& context, const std::string&, const std::string& value) {
  context.State.*Field = value != "0";
}
template <bool TOptionState::*Field>
void AnyTrue(TOptionContext& context, const std::string&, const std::string&) {
  context.State.*Field = true;
}
template <int TOptionState::*Field>
void Int(TOptionContext& context, const std::string& name, const std::string& value) {
  context.State.*Field = ParseIntValue(name, value);
}
template <int TOptionState::*Field>
void PositiveInt(TOptionContext& context, const std::string& name, const std::string& value) {
  const int number = ParseIntValue(name, value);
  if (number > 0) context.State.*Field = number;
}
template <float TOptionState::*Field>
void Float(TOptionContext& context, const std::string& name, const std::string& value) {
  context.State.*Field = ParseFloatValue(name, value);
}
template <std::string TOptionState::*Field>
void Text(TOptionContext& context, const std::string&, const std::string& value) {
  context.State.*Field = value;
}

int64_t ParseTime(const std::string& name, const std::string& value, bool duration) {
  int64_t microseconds = 0;
  if (lib::av_parse_time(&microseconds, value.c_str(), duration ? 1 : 0) < 0) {
    throw EngineException::Format("Invalid %s specification for %s: %s",
                                  duration ? "duration" : "date", name.c_str(), value.c_str());
  }
  return microseconds;
}

template <int64_t TOptionState::*Field>
void Duration(TOptionContext& context, const std::string& name, const std::string& value) {
  context.State.*Field = ParseTime(name, value, true);
}

void DoNothing(TOptionContext& context, const std::string& name, const std::string&) {
  Log(context, llInfo, "Do nothing: option - " + name);
}

void LogLevel(TOptionContext&, const std::string& name, const std::string& value) {
  try {
    EngineLog().SetLogLevelByName(value);
  } catch (const std::exception&) {
    RaiseInvalidNumber(name, value, "a level name or an integer");
  }
}

void TimeLimit(TOptionContext& context, const std::string&, const std::string&) {
  Log(context, llWarning, "Warning: -timelimit not implemented on Windows");
}

void Todo(TOptionContext&, const std::string& name, const std::string&) {
  throw EngineException("TODO: option - " + name);
}

void ForcedFormat(TOptionContext& context, const std::string&, const std::string& value) {
  if (value == "pgmyuv") {
    context.State.FileFormat = "image2";
    context.State.PgmyuvCompatibility = true;
    Log(context, llInfo, "pgmyuv format is deprecated, use image2");
  } else {
    context.State.FileFormat = value;
  }
}

// Reads "number", then (when more follows) one separator character and the
// next number, `count` numbers at most; false on anything else.
bool ReadNumberList(std::string_view text, long long* numbers, int count, int& read) {
  read = 0;
  while (read < count) {
    if (!ReadLeadingInteger(text, numbers[read])) return false;
    ++read;
    if (text.empty()) return true;
    text.remove_prefix(1);  // the separator
  }
  return false;  // text left over
}

[[noreturn]] void RaiseSyntax(const std::string& name, const std::string& value,
                              const char* syntax) {
  throw EngineException::Format("Invalid value \"%s\" for option \"%s\", required syntax is \"%s\"",
                                value.c_str(), name.c_str(), syntax);
}

bool AllInRange(const long long* numbers, int count, long long low, long long high) {
  for (int i = 0; i < count; ++i) {
    if (numbers[i] < low || numbers[i] > high) return false;
  }
  return true;
}

void Map(TOptionContext& context, const std::string& name, const std::string& value) {
  static constexpr const char* kSyntax = "file:stream[:syncfile:syncstream]";
  long long numbers[4] = {};
  int read = 0;
  if (!ReadNumberList(value, numbers, 4, read) || (read != 2 && read != 4) ||
      !AllInRange(numbers, read, 0, std::numeric_limits<int>::max())) {
    RaiseSyntax(name, value, kSyntax);
  }
  TStreamMap map;
  map.FileIndex = static_cast<int>(numbers[0]);
  map.StreamIndex = static_cast<int>(numbers[1]);
  map.SyncFileIndex = read == 4 ? static_cast<int>(numbers[2]) : map.FileIndex;
  map.SyncStreamIndex = read == 4 ? static_cast<int>(numbers[3]) : map.StreamIndex;
  context.State.StreamMaps.push_back(map);
}

void MapMetaData(TOptionContext& context, const std::string& name, const std::string& value) {
  long long numbers[2] = {};
  int read = 0;
  if (!ReadNumberList(value, numbers, 2, read) || read != 2 ||
      !AllInRange(numbers, read, 0, std::numeric_limits<int>::max())) {
    RaiseSyntax(name, value, "outfile:infile");
  }
  context.State.MetaDataMaps.push_back(
      TMetaDataMap{static_cast<int>(numbers[0]), static_cast<int>(numbers[1])});
}

void RecordingTime(TOptionContext& context, const std::string& name, const std::string& value) {
  context.State.RecordingTime = ParseTime(name, value, true);
  if (context.Host) context.Host->SetTotalDuration(context.State.RecordingTime);
}

void ItsScale(TOptionContext& context, const std::string& name, const std::string& value) {
  std::string_view rest = value;
  long long stream = 0;
  if (!ReadLeadingInteger(rest, stream) || rest.size() < 2 || stream < 0) {
    RaiseSyntax(name, value, "stream:scale");
  }
  if (stream >= kMaxStreams) {
    throw EngineException::Format("stream index over MAX_STREAMS(%d)", kMaxStreams);
  }
  rest.remove_prefix(1);  // the separator
  double scale = 0;
  if (!ReadWholeFloat(TrimText(rest), scale)) RaiseInvalidNumber(name, value, "a number");
  context.State.InputTsScale[static_cast<size_t>(stream)] = scale;
}

void Timestamp(TOptionContext& context, const std::string& name, const std::string& value) {
  const int64_t microseconds = ParseTime(name, value, false);
  context.State.RecordingTimestamp = static_cast<int64_t>(std::nearbyint(microseconds / 1e6));
}

void FileSizeLimit(TOptionContext& context, const std::string& name, const std::string& value) {
  context.State.LimitFilesize = ParseInt64Value(name, value);
}

void Metadata(TOptionContext& context, const std::string&, const std::string& value) {
  const size_t equals = value.find('=');
  if (equals == std::string::npos) throw EngineException("Missing =");
  context.State.Metadata.emplace_back(value.substr(0, equals), value.substr(equals + 1));
}

void Target(TOptionContext& context, const std::string&, const std::string& value) {
  std::string type = TrimText(value);
  std::string norm = "auto";
  for (const char* prefix : {"pal-", "ntsc-", "film-"}) {
    const std::string_view p = prefix;
    if (type.compare(0, p.size(), p) == 0) {
      norm = std::string(p.substr(0, p.size() - 1));
      type.erase(0, p.size());
      break;
    }
  }
  ApplyTarget(context, type, norm, "ntsc");
}

void BitstreamFilter(TOptionContext& context, const std::string& name, const std::string& value) {
  const std::string text = TrimText(value);
  if (text.empty() || text.front() == '=') return;
  const size_t equals = text.find('=');
  TBitstreamFilter filter;
  filter.Name = text.substr(0, equals);
  if (equals != std::string::npos) filter.Arguments = text.substr(equals + 1);
  filter.Filter = lib::av_bsf_get_by_name(filter.Name.c_str());
  if (!filter.Filter) throw EngineException("Unknown bitstream filter " + text);
  TBitstreamFilterChain& chain = name[0] == 'a'   ? context.State.AudioBitstreamFilters
                                 : name[0] == 'v' ? context.State.VideoBitstreamFilters
                                                  : context.State.SubtitleBitstreamFilters;
  chain.push_back(std::move(filter));
}

void Preset(TOptionContext& context, const std::string& name, const std::string& value) {
  ApplyPreset(context, name, value);
}

void BitRate(TOptionContext& context, const std::string& name, const std::string& value) {
  if (!context.Store.SetGenericOption(name, value)) return;
  const AVMediaType type = name[0] == 'a' ? AVMEDIA_TYPE_AUDIO : AVMEDIA_TYPE_VIDEO;
  const AVCodecContext* options = context.Store.CodecOptions(type);
  if (options && options->bit_rate < 1000) {
    Log(context, llWarning,
        "WARNING: The bitrate parameter is set too low. It takes bits/s as argument, not "
        "kbits/s");
  }
}

void FrameRate(TOptionContext& context, const std::string&, const std::string& value) {
  if (value.empty()) return;
  AVRational rate{0, 0};
  if (lib::av_parse_video_rate(&rate, value.c_str()) < 0) {
    throw EngineException("Incorrect frame rate");
  }
  context.State.FrameRate = rate;
}

void FrameSize(TOptionContext& context, const std::string&, const std::string& value) {
  if (value.empty()) return;
  int width = 0;
  int height = 0;
  if (lib::av_parse_video_size(&width, &height, value.c_str()) < 0) {
    throw EngineException("Incorrect frame size");
  }
  context.State.FrameWidth = width;
  context.State.FrameHeight = height;
}

void Aspect(TOptionContext& context, const std::string&, const std::string& value) {
  double ratio = 0;
  const size_t colon = value.find(':');
  if (colon != std::string::npos) {
    int width = 0;
    int height = 0;
    if (!ReadWholeInteger(TrimText(std::string_view(value).substr(0, colon)), width)) width = 0;
    if (!ReadWholeInteger(TrimText(std::string_view(value).substr(colon + 1)), height)) height = 0;
    ratio = height > 0 ? static_cast<double>(width) / height : 0;
  } else if (!ReadWholeFloat(TrimText(value), ratio)) {
    ratio = 0;
  }
  // A negative ratio would give a negative sample aspect ratio later on.
  if (!(ratio > 0)) throw EngineException("Incorrect aspect ratio specification.");
  context.State.FrameAspectRatio = ratio;
}

void PixelFormat(TOptionContext& context, const std::string&, const std::string& value) {
  if (value == "list") {
    Log(context, llInfo, "Pixel formats: name, components, bits of the first component");
    for (int i = 0; i < AV_PIX_FMT_NB; ++i) {
      const AVPixFmtDescriptor* descriptor =
          lib::av_pix_fmt_desc_get(static_cast<AVPixelFormat>(i));
      if (!descriptor) continue;
      Log(context, llInfo,
          std::string(descriptor->name) + " " + std::to_string(descriptor->nb_components) + " " +
              std::to_string(descriptor->comp[0].depth));
    }
    return;
  }
  const AVPixelFormat format = lib::av_get_pix_fmt(value.c_str());
  if (format == AV_PIX_FMT_NONE) {
    throw EngineException::Format("Unknown pixel format requested: %s", value.c_str());
  }
  context.State.FramePixFmt = format;
}

template <int TOptionState::*Band>
void CropVertical(TOptionContext& context, const std::string& name, const std::string& value) {
  const int band = ParseIntValue(name, value);
  if (band <= 0) return;
  if (band >= context.State.FrameHeight) {
    throw EngineException(
        "Vertical crop dimensions are outside the range of the original image.\n"
        "Remember to crop first and scale second.");
  }
  Log(context, llWarning, "CropXXX is deprecated in favor of the crop avfilter");
  context.State.*Band = band;
  context.State.FrameHeight -= band;
}

template <int TOptionState::*Band>
void CropHorizontal(TOptionContext& context, const std::string& name, const std::string& value) {
  const int band = ParseIntValue(name, value);
  if (band <= 0) return;
  if (band >= context.State.FrameWidth) {
    throw EngineException(
        "Horizontal crop dimensions are outside the range of the original image.\n"
        "Remember to crop first and scale second.");
  }
  Log(context, llWarning, "CropXXX is deprecated in favor of the crop avfilter");
  context.State.*Band = band;
  context.State.FrameWidth -= band;
}

void Pad(TOptionContext&, const std::string&, const std::string&) {
  throw EngineException("Please use vfilters=pad");
}

void QScale(TOptionContext& context, const std::string& name, const std::string& value) {
  const float quality = ParseFloatValue(name, value);
  if (quality <= 0 || quality > 255) throw EngineException("qscale must be > 0.0 and <= 255");
  context.State.VideoQScale = quality;
}

template <AVMediaType Type>
void Codec(TOptionContext& context, const std::string&, const std::string& value) {
  SetCodecName(context.State, Type, value);
}

void Pass(TOptionContext& context, const std::string& name, const std::string& value) {
  const int pass = ParseIntValue(name, value);
  if (pass != 1 && pass != 2) throw EngineException("pass number can be only 1 or 2");
  context.State.DoPass = pass;
}

void Vstats(TOptionContext& context, const std::string&, const std::string&) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char clock[16];
  std::strftime(clock, sizeof clock, "%H%M%S", &local);
  context.State.VstatsFilename = platform::ProgramFolder() + "vstats_" + clock + ".log";
}

void Vhook(TOptionContext& context, const std::string&, const std::string& value) {
  const char separator = value.find('|') != std::string::npos ? '|' : ' ';
  std::vector<std::string> arguments;
  size_t start = 0;
  while (start <= value.size()) {
    size_t end = value.find(separator, start);
    if (end == std::string::npos) end = value.size();
    if (end > start) arguments.push_back(value.substr(start, end - start));
    start = end + 1;
  }
  if (arguments.empty() || !context.Host || context.Host->AddFrameHook(arguments) != 0) {
    throw EngineException("Failed to add video hook function: " + value);
  }
  context.State.FrameHooksEnabled = true;
}

template <std::vector<uint16_t> TOptionState::*Matrix>
void QuantMatrix(TOptionContext& context, const std::string&, const std::string& value) {
  std::vector<uint16_t> coefficients;
  std::string_view rest = value;
  for (int i = 0; i < 64; ++i) {
    const size_t comma = rest.find(',');
    if (comma == std::string_view::npos && i < 63) {
      throw EngineException::Format("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
    }
    // A coefficient of 0 would make the encoder divide by zero.
    int coefficient = 0;
    if (!ReadWholeInteger(TrimText(rest.substr(0, comma)), coefficient) || coefficient < 1 ||
        coefficient > 65535) {
      throw EngineException::Format("Syntax error in matrix \"%s\" at coeff %d", value.c_str(), i);
    }
    coefficients.push_back(static_cast<uint16_t>(coefficient));
    if (comma != std::string_view::npos) rest.remove_prefix(comma + 1);
  }
  context.State.*Matrix = std::move(coefficients);
}

template <uint32_t TOptionState::*Tag>
void CodecTag(TOptionContext& context, const std::string& name, const std::string& value) {
  if (value.size() != 4) {
    const char* kind = name[0] == 'a' ? "audio" : name[0] == 'v' ? "video" : "subtitle";
    throw EngineException(std::string(kind) + " tag parameter must be 4 chars");
  }
  const auto byte = [&](size_t i) { return static_cast<uint32_t>(static_cast<uint8_t>(value[i])); };
  context.State.*Tag = byte(0) | (byte(1) << 8) | (byte(2) << 16) | (byte(3) << 24);
}

template <AVMediaType Type>
void NewStream(TOptionContext& context, const std::string&, const std::string&) {
  if (!context.Host || context.Host->OutputFileCount() == 0) {
    throw EngineException("At least one output file must be specified");
  }
  context.Host->NewStream(Type);
}

void StreamId(TOptionContext& context, const std::string& name, const std::string& value) {
  const size_t colon = value.find(':');
  if (colon == std::string::npos || colon == 0 || colon + 1 == value.size()) {
    RaiseSyntax(name, value, "index:value");
  }
  const int index = ParseIntValue(name, value.substr(0, colon));
  const int id = ParseIntValue(name, value.substr(colon + 1));
  if (index < 0) RaiseSyntax(name, value, "index:value");
  if (index >= kMaxStreams) {
    throw EngineException::Format("stream index over MAX_STREAMS(%d)", kMaxStreams);
  }
  context.State.StreamIds[static_cast<size_t>(index)] = id;
}

void SampleFormat(TOptionContext& context, const std::string&, const std::string& value) {
  if (value == "list") {
    Log(context, llInfo, "Sample formats: name, bytes per sample");
    for (int i = 0; i < AV_SAMPLE_FMT_NB; ++i) {
      const auto format = static_cast<AVSampleFormat>(i);
      const char* formatName = lib::av_get_sample_fmt_name(format);
      if (!formatName) continue;
      Log(context, llInfo,
          std::string(formatName) + " " + std::to_string(lib::av_get_bytes_per_sample(format)));
    }
    return;
  }
  context.State.AudioSampleFmt = lib::av_get_sample_fmt(value.c_str());
}

struct TOptionDef {
  const char* Name;
  THandler Handler;
};

// The option table: every name the engine handles itself. Names not listed
// go to the generic option store.
constexpr TOptionDef kOptions[] = {
    // General and logging
    {"L", DoNothing},
    {"h", DoNothing},
    {"version", DoNothing},
    {"formats", DoNothing},
    {"codecs", DoNothing},
    {"bsfs", DoNothing},
    {"protocols", DoNothing},
    {"filters", DoNothing},
    {"i", DoNothing},
    {"y", DoNothing},
    {"benchmark", DoNothing},
    {"loglevel", LogLevel},
    {"v", Int<&TOptionState::Verbose>},
    {"timelimit", TimeLimit},
    {"threads", Todo},
    {"dump", Flag<&TOptionState::DoPktDump>},
    {"hex", Flag<&TOptionState::DoHexDump>},
    {"xerror", AnyTrue<&TOptionState::ExitOnError>},
    // Files and timing
    {"f", ForcedFormat},
    {"map", Map},
    {"map_meta_data", MapMetaData},
    {"t", RecordingTime},
    {"ss", Duration<&TOptionState::StartTime>},
    {"itsoffset", Duration<&TOptionState::InputTsOffset>},
    {"itsscale", ItsScale},
    {"timestamp", Timestamp},
    {"fs", FileSizeLimit},
    {"metadata", Metadata},
    {"re", Flag<&TOptionState::RateEmu>},
    {"loop_input", Flag<&TOptionState::LoopInput>},
    {"loop_output", Int<&TOptionState::LoopOutput>},
    {"programid", Int<&TOptionState::ProgramId>},
    {"target", Target},
    {"dframes", Int<&TOptionState::MaxDataFrames>},
    {"copyts", AnyTrue<&TOptionState::CopyTs>},
    {"shortest", Flag<&TOptionState::Shortest>},
    {"copyinkf", Int<&TOptionState::CopyInitialNonkeyframes>},
    {"dts_delta_threshold", Float<&TOptionState::DtsDeltaThreshold>},
    {"vsync", Int<&TOptionState::VideoSyncMethod>},
    {"async", Int<&TOptionState::AudioSyncMethod>},
    {"adrift_threshold", Float<&TOptionState::AudioDriftThreshold>},
    {"isync", Flag<&TOptionState::InputSync>},
    {"muxdelay", Float<&TOptionState::MuxMaxDelay>},
    {"muxpreload", Float<&TOptionState::MuxPreload>},
    {"absf", BitstreamFilter},
    {"vbsf", BitstreamFilter},
    {"sbsf", BitstreamFilter},
    {"apre", Preset},
    {"vpre", Preset},
    {"spre", Preset},
    {"fpre", Preset},
    // Video
    {"b", BitRate},
    {"vb", BitRate},
    {"vframes", Int<&TOptionState::MaxVideoFrames>},
    {"r", FrameRate},
    {"s", FrameSize},
    {"aspect", Aspect},
    {"pix_fmt", PixelFormat},
    {"croptop", CropVertical<&TOptionState::FrameTopBand>},
    {"cropbottom", CropVertical<&TOptionState::FrameBottomBand>},
    {"cropleft", CropHorizontal<&TOptionState::FrameLeftBand>},
    {"cropright", CropHorizontal<&TOptionState::FrameRightBand>},
    {"padtop", Pad},
    {"padbottom", Pad},
    {"padleft", Pad},
    {"padright", Pad},
    {"padcolor", Pad},
    {"intra", Flag<&TOptionState::IntraOnly>},
    {"vn", Flag<&TOptionState::VideoDisable>},
    {"vdt", Int<&TOptionState::VideoDiscard>},
    {"qscale", QScale},
    {"rc_override", Text<&TOptionState::VideoRcOverride>},
    {"vcodec", Codec<AVMEDIA_TYPE_VIDEO>},
    {"me_threshold", Int<&TOptionState::MeThreshold>},
    {"sameq", Flag<&TOptionState::SameQuality>},
    {"pass", Pass},
    {"passlogfile", Text<&TOptionState::PassLogFilename>},
    {"deinterlace", Flag<&TOptionState::DoDeinterlace>},
    {"psnr", Flag<&TOptionState::DoPsnr>},
    {"vstats", Vstats},
    {"vstats_file", Text<&TOptionState::VstatsFilename>},
    {"vhook", Vhook},
    {"vfilters", Text<&TOptionState::VideoFilters>},
    {"vf", Text<&TOptionState::VideoFilters>},
    {"intra_matrix", QuantMatrix<&TOptionState::IntraMatrix>},
    {"inter_matrix", QuantMatrix<&TOptionState::InterMatrix>},
    {"top", Int<&TOptionState::TopFieldFirst>},
    {"dc", Int<&TOptionState::IntraDcPrecision>},
    {"vtag", CodecTag<&TOptionState::VideoCodecTag>},
    {"newvideo", NewStream<AVMEDIA_TYPE_VIDEO>},
    {"vlang", Text<&TOptionState::VideoLanguage>},
    {"qphist", Flag<&TOptionState::QpHistogram>},
    {"force_fps", Flag<&TOptionState::ForceFps>},
    {"streamid", StreamId},
    {"vc", Int<&TOptionState::VideoChannel>},
    {"tvstd", Text<&TOptionState::VideoStandard>},
    // Audio and subtitles
    {"ab", BitRate},
    {"aframes", Int<&TOptionState::MaxAudioFrames>},
    {"aq", Float<&TOptionState::AudioQScale>},
    {"ar", PositiveInt<&TOptionState::AudioSampleRate>},
    {"ac", PositiveInt<&TOptionState::AudioChannels>},
    {"an", Flag<&TOptionState::AudioDisable>},
    {"acodec", Codec<AVMEDIA_TYPE_AUDIO>},
    {"atag", CodecTag<&TOptionState::AudioCodecTag>},
    {"vol", Int<&TOptionState::AudioVolume>},
    {"newaudio", NewStream<AVMEDIA_TYPE_AUDIO>},
    {"alang", Text<&TOptionState::AudioLanguage>},
    {"sample_fmt", SampleFormat},
    {"sn", Flag<&TOptionState::SubtitleDisable>},
    {"scodec", Codec<AVMEDIA_TYPE_SUBTITLE>},
    {"newsubtitle", NewStream<AVMEDIA_TYPE_SUBTITLE>},
    {"slang", Text<&TOptionState::SubtitleLanguage>},
    {"stag", CodecTag<&TOptionState::SubtitleCodecTag>},
};

const TOptionDef* FindOption(const std::string& name) {
  for (const TOptionDef& option : kOptions) {
    if (name == option.Name) return &option;
  }
  return nullptr;
}

}  // namespace

bool IsEngineOption(const std::string& name) {
  return FindOption(name) != nullptr;
}

void ApplyOption(TOptionContext& context, const std::string& name, const std::string& value) {
  if (const TOptionDef* option = FindOption(name)) {
    option->Handler(context, name, value);
  } else {
    context.Store.SetGenericOption(name, value);
  }
}

}  // namespace media
