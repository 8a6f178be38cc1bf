#include "media/engine/codec_presets.h"

#include <cstdio>
#include <memory>

#include "media/binding/entry_table.h"
#include "media/binding/option_store.h"
#include "media/engine/engine_exception.h"

namespace media {

namespace {

// The x264 tunings, written with the options today's libx264 takes: its
// own presets for the speed and quality steps, qp=0 for the lossless ones,
// and x264-params for the finer settings of the device presets. A first
// pass keeps the step's preset and takes x264's fast first-pass settings.
#define VVC_FIRST_PASS(subme) \
  "x264-params=ref=1:8x8dct=0:partitions=none:me=dia:subme=" subme ":trellis=0:fast-pskip=1\n"

// The MP4 / PSP tuning: main profile, level 3.0, CABAC, three B-frames, one
// reference, GOP 250 (at least 25), scene cut 40, UMH search over 16,
// sub-pel quality 7, trellis 2, spatial direct prediction.
#define VVC_MP4_TUNING                                                                        \
  "profile=main\n"                                                                            \
  "coder=1\n"                                                                                 \
  "level=30\n"                                                                                \
  "g=250\n"                                                                                   \
  "bf=3\n"                                                                                    \
  "refs=1\n"                                                                                  \
  "x264-params=keyint-min=25:scenecut=40:ipratio=1.41:b-adapt=1:qcomp=0.6:qpmin=10:qpmax=51:" \
  "qpstep=4:direct=spatial:trellis=2:me=umh:subme=7:merange=16:partitions=i4x4,p8x8,b8x8\n"

// Baseline profile: CAVLC, no B-frames, no weighted prediction, no 8x8
// transform.
#define VVC_BASELINE   \
  "profile=baseline\n" \
  "coder=0\n"          \
  "bf=0\n"             \
  "weightb=0\n"        \
  "weightp=0\n"        \
  "8x8dct=0\n"

const std::vector<TBuiltinPreset> kBuiltinPresets = {
    {"libx264-baseline", VVC_BASELINE},
    {"libx264-default", "preset=medium\n"},
    {"libx264-fast", "preset=fast\n"},
    {"libx264-fast_firstpass", "preset=fast\n" VVC_FIRST_PASS("2")},
    {"libx264-faster", "preset=faster\n"},
    {"libx264-faster_firstpass", "preset=faster\n" VVC_FIRST_PASS("2")},
    {"libx264-fastfirstpass", "preset=medium\n" VVC_FIRST_PASS("2")},
    {"libx264-hq", "preset=slow\n"},
    {"libx264-ipod320", VVC_BASELINE "level=13\nmaxrate=768000\nbufsize=3000000\n"},
    {"libx264-ipod640", VVC_BASELINE "refs=1\nlevel=30\nmaxrate=10000000\nbufsize=10000000\n"},
    {"libx264-lossless_fast", "preset=fast\nqp=0\n"},
    {"libx264-lossless_max", "preset=placebo\nqp=0\n"},
    {"libx264-lossless_medium", "preset=medium\nqp=0\n"},
    {"libx264-lossless_slow", "preset=slow\nqp=0\n"},
    {"libx264-lossless_slower", "preset=slower\nqp=0\n"},
    {"libx264-lossless_ultrafast", "preset=ultrafast\nqp=0\n"},
    {"libx264-main", "profile=main\n8x8dct=0\n"},
    {"libx264-max", "preset=placebo\n"},
    {"libx264-medium", "preset=medium\n"},
    {"libx264-medium_firstpass", "preset=medium\n" VVC_FIRST_PASS("2")},
    {"libx264-normal", "preset=fast\n"},
    {"libx264-placebo", "preset=placebo\n"},
    {"libx264-placebo_firstpass", "preset=placebo\n" VVC_FIRST_PASS("2")},
    {"libx264-slow", "preset=slow\n"},
    {"libx264-slow_firstpass", "preset=slow\n" VVC_FIRST_PASS("2")},
    {"libx264-slower", "preset=slower\n"},
    {"libx264-slower_firstpass", "preset=slower\n" VVC_FIRST_PASS("2")},
    {"libx264-slowfirstpass", "preset=slow\n"},
    {"libx264-superfast", "preset=superfast\n"},
    {"libx264-superfast_firstpass", "preset=superfast\n" VVC_FIRST_PASS("1")},
    {"libx264-ultrafast", "preset=ultrafast\n"},
    {"libx264-ultrafast_firstpass", "preset=ultrafast\n" VVC_FIRST_PASS("0")},
    {"libx264-veryfast", "preset=veryfast\n"},
    {"libx264-veryfast_firstpass", "preset=veryfast\n" VVC_FIRST_PASS("2")},
    {"libx264-veryslow", "preset=veryslow\n"},
    {"libx264-veryslow_firstpass", "preset=veryslow\n" VVC_FIRST_PASS("2")},
    {"libx264-psp", VVC_MP4_TUNING "b=1250000\nmaxrate=1500000\nbufsize=4000000\nbt=256000\n"},
    {"libx264-ps3", VVC_MP4_TUNING "maxrate=3500000\nbufsize=4000000\nbt=256000\n"},
    {"libx264-ipod",
     "profile=baseline\n"
     "coder=0\n"
     "bf=0\n"
     "level=30\n"
     "g=250\n"
     "refs=1\n"
     "b=1000000\n"
     "maxrate=1250000\n"
     "bufsize=4000000\n"
     "bt=256000\n"
     "x264-params=keyint-min=25:scenecut=40:ipratio=1.41:qcomp=0.6:qpmin=10:qpmax=51:qpstep=4:"
     "trellis=2:me=umh:subme=7:merange=16:partitions=i4x4,p8x8\n"},
    {"libx264-mp4", VVC_MP4_TUNING "b=1250000\nmaxrate=1500000\nbufsize=4000000\nbt=256000\n"},
};

#undef VVC_FIRST_PASS
#undef VVC_MP4_TUNING
#undef VVC_BASELINE

bool SameText(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

bool ReadPresetFile(const std::string& path, std::string& text) {
  char* buffer = nullptr;
  int64_t size = 0;
  if (ReadWholeFile(path, buffer, size) != 0 || !buffer) return false;
  // size counts the closing 0 byte.
  text.assign(buffer, size > 0 ? static_cast<size_t>(size - 1) : 0);
  lib::av_free(buffer);
  return true;
}

}  // namespace

TPresetSource FindPreset(const TOptionState& state, const std::string& kind,
                         const std::string& name) {
  if (kind[0] != 'f') {
    if (const TBuiltinPreset* preset = FindBuiltinPreset(name)) return {preset->Name, preset->Text};
    const std::string* codec = nullptr;
    if (kind[0] == 'v' && !state.VideoCodecName.empty()) {
      codec = &state.VideoCodecName;
    } else if (kind[0] == 'a' && !state.AudioCodecName.empty()) {
      codec = &state.AudioCodecName;
    } else if (!state.SubtitleCodecName.empty()) {
      codec = &state.SubtitleCodecName;
    }
    if (codec) {
      if (const TBuiltinPreset* preset = FindBuiltinPreset(*codec + "-" + name)) {
        return {preset->Name, preset->Text};
      }
    }
  }
  TPresetSource source{name, {}};
  if (!ReadPresetFile(name, source.Text)) {
    throw EngineException::Format("Preset \"%s\" not found", name.c_str());
  }
  return source;
}

const std::vector<TBuiltinPreset>& BuiltinPresets() {
  return kBuiltinPresets;
}

const TBuiltinPreset* FindBuiltinPreset(std::string_view name) {
  for (const TBuiltinPreset& preset : kBuiltinPresets) {
    if (SameText(preset.Name, name)) return &preset;
  }
  return nullptr;
}

std::vector<TOptionLine> ParsePresetText(const std::string& presetName, std::string_view text) {
  std::vector<TOptionLine> result;
  const std::string lines = UnifyLineBreaks(TrimText(text));
  std::string_view rest = lines;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string line = TrimText(rest.substr(0, end));
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);
    if (line.empty()) continue;
    const size_t equals = line.find('=');
    if (equals == std::string::npos || equals == 0 || equals + 1 == line.size()) {
      throw EngineException::Format("%s: Invalid syntax: \"%s\"", presetName.c_str(), line.c_str());
    }
    result.push_back({line.substr(0, equals), line.substr(equals + 1)});
  }
  return result;
}

void ApplyPreset(TOptionContext& context, const std::string& kind, const std::string& name) {
  if (kind.empty() || name.empty()) return;
  const TPresetSource source = FindPreset(context.State, kind, name);
  for (const TOptionLine& line : ParsePresetText(source.Name, source.Text)) {
    if (SameText(line.Key, "acodec")) {
      SetCodecName(context.State, AVMEDIA_TYPE_AUDIO, line.Value);
    } else if (SameText(line.Key, "vcodec")) {
      SetCodecName(context.State, AVMEDIA_TYPE_VIDEO, line.Value);
    } else if (SameText(line.Key, "scodec")) {
      SetCodecName(context.State, AVMEDIA_TYPE_SUBTITLE, line.Value);
    } else if (!context.Store.SetGenericOption(line.Key, line.Value)) {
      const std::string text = line.Key + "=" + line.Value;
      throw EngineException::Format(
          "%s: Invalid option or argument: \"%s\", parsed as \"%s\" = \"%s\"", source.Name.c_str(),
          text.c_str(), line.Key.c_str(), line.Value.c_str());
    }
  }
}

}  // namespace media
