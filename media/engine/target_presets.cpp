#include "media/engine/target_presets.h"

#include <cmath>

#include "media/binding/engine_log.h"
#include "media/binding/option_store.h"
#include "media/engine/engine_exception.h"

namespace media {

namespace {

enum class TNorm { Pal, Ntsc, Film };

enum class TChannels { Unchanged, Stereo, StereoWhenMono };

// One target. Null texts and zero numbers leave the setting unchanged;
// the quoted options go through the generic option store.
struct TTargetDef {
  const char* Type;
  const char* VideoCodec;
  const char* AudioCodec;
  const char* Format;
  int PalWidth, PalHeight, OtherWidth, OtherHeight;
  const char* GopPal;
  const char* GopOther;
  const char* BitRate;       // "b"
  const char* MaxRate;       // "maxrate"
  const char* MinRate;       // "minrate"
  const char* BufSize;       // "bufsize"
  bool ScanOffset;           // SVCD scan offset user data
  const char* AudioBitRate;  // "ab"
  int SampleRate;
  TChannels Channels;
  const char* PacketSize;  // "packetsize"
  const char* MuxRate;     // "muxrate"
  float MuxPreload;        // seconds; 0 unchanged
  double AssumedAspect;    // when no aspect is set; 0 unchanged
  const char* AspectText;  // its log line
};

constexpr TTargetDef kTargets[] = {
    {"vcd",
     "mpeg1video",
     "mp2",
     "vcd",
     352,
     288,
     352,
     240,
     "15",
     "18",
     "1150000",
     "1150000",
     "1150000",
     "327680",
     false,
     "224000",
     44100,
     TChannels::Stereo,
     "2324",
     "1411200",
     0.44f,
     4.0 / 3.0,
     "Assuming 4:3 for aspect ratio"},
    {"svcd",
     "mpeg2video",
     "mp2",
     "svcd",
     480,
     576,
     480,
     480,
     "15",
     "18",
     "2040000",
     "2516000",
     "0",
     "1835008",
     true,
     "224000",
     44100,
     TChannels::StereoWhenMono,
     "2324",
     nullptr,
     0.0f,
     4.0 / 3.0,
     "Assuming 4:3 for aspect ratio"},
    {"dvd",
     "mpeg2video",
     "ac3",
     "dvd",
     720,
     576,
     720,
     480,
     "15",
     "18",
     "6000000",
     "9000000",
     "0",
     "1835008",
     false,
     "448000",
     48000,
     TChannels::StereoWhenMono,
     "2048",
     "10080000",
     0.0f,
     16.0 / 9.0,
     "Assuming 16:9 for aspect ratio"},
    {"dv",    nullptr,           nullptr, "dv",    720,     576,     720,    480,
     nullptr, nullptr,           nullptr, nullptr, nullptr, nullptr, false,  nullptr,
     48000,   TChannels::Stereo, nullptr, nullptr, 0.0f,    0.0,     nullptr},
    {"dv50",  nullptr,           nullptr, "dv",    720,     576,     720,    480,
     nullptr, nullptr,           nullptr, nullptr, nullptr, nullptr, false,  nullptr,
     48000,   TChannels::Stereo, nullptr, nullptr, 0.0f,    0.0,     nullptr},
};

// 1000 x a rate, rounded; 25000 means PAL, 29970 and 23976 NTSC.
bool NormFromMilliHertz(long milliHertz, TNorm& norm) {
  if (milliHertz == 25000) {
    norm = TNorm::Pal;
    return true;
  }
  if (milliHertz == 29970 || milliHertz == 23976) {
    norm = TNorm::Ntsc;
    return true;
  }
  return false;
}

TNorm DecideNorm(TOptionContext& context, const std::string& norm, const std::string& defaultNorm) {
  if (norm == "pal") return TNorm::Pal;
  if (norm == "ntsc") return TNorm::Ntsc;
  if (norm == "film") return TNorm::Film;

  const AVRational rate = context.State.FrameRate;
  if (rate.den == 0) throw EngineException("frame_rate is invalid.");
  TNorm decided = TNorm::Pal;
  bool found = NormFromMilliHertz(std::lrint(av_q2d(rate) * 1000), decided);
  if (!found && context.Host) {
    for (const AVRational timeBase : context.Host->InputVideoTimeBases()) {
      if (timeBase.num == 0) continue;
      found = NormFromMilliHertz(std::lrint(1000.0 * timeBase.den / timeBase.num), decided);
      if (found) break;
    }
  }
  if (!found) {
    decided = defaultNorm == "film"   ? TNorm::Film
              : defaultNorm == "ntsc" ? TNorm::Ntsc
                                      : TNorm::Pal;
  }
  if (context.State.Verbose > 0) {
    EngineLog().LogMessage(
        context.LogSender, llVerbose,
        decided == TNorm::Pal ? "Assuming PAL for target." : "Assuming NTSC for target.");
  }
  return decided;
}

void SetStored(TOptionContext& context, const char* name, const char* value) {
  if (value) context.Store.SetGenericOption(name, value);
}

}  // namespace

void ApplyTarget(TOptionContext& context, const std::string& type, const std::string& norm,
                 const std::string& defaultNorm) {
  const TNorm standard = DecideNorm(context, norm, defaultNorm);
  const TTargetDef* target = nullptr;
  for (const TTargetDef& candidate : kTargets) {
    if (type == candidate.Type) target = &candidate;
  }
  if (!target) throw EngineException("Unknown target type");

  TOptionState& state = context.State;
  const bool pal = standard == TNorm::Pal;
  if (target->VideoCodec) SetCodecName(state, AVMEDIA_TYPE_VIDEO, target->VideoCodec);
  if (target->AudioCodec) SetCodecName(state, AVMEDIA_TYPE_AUDIO, target->AudioCodec);
  state.FileFormat = target->Format;
  state.FrameWidth = pal ? target->PalWidth : target->OtherWidth;
  state.FrameHeight = pal ? target->PalHeight : target->OtherHeight;
  if (type == "dv50") {
    state.FramePixFmt = AV_PIX_FMT_YUV422P;
  } else if (type == "dv") {
    state.FramePixFmt = pal ? AV_PIX_FMT_YUV420P : AV_PIX_FMT_YUV411P;
  }
  state.FrameRate = standard == TNorm::Pal    ? AVRational{25, 1}
                    : standard == TNorm::Ntsc ? AVRational{30000, 1001}
                                              : AVRational{24000, 1001};
  SetStored(context, "g", pal ? target->GopPal : target->GopOther);
  SetStored(context, "b", target->BitRate);
  SetStored(context, "maxrate", target->MaxRate);
  SetStored(context, "minrate", target->MinRate);
  SetStored(context, "bufsize", target->BufSize);
  if (target->ScanOffset) SetStored(context, "scan_offset", "1");
  SetStored(context, "ab", target->AudioBitRate);
  state.AudioSampleRate = target->SampleRate;
  if (target->Channels == TChannels::Stereo ||
      (target->Channels == TChannels::StereoWhenMono && state.AudioChannels == 1)) {
    state.AudioChannels = 2;
  }
  SetStored(context, "packetsize", target->PacketSize);
  SetStored(context, "muxrate", target->MuxRate);
  if (target->MuxPreload > 0) state.MuxPreload = target->MuxPreload;
  if (target->AssumedAspect > 0 && state.FrameAspectRatio == 0) {
    state.FrameAspectRatio = target->AssumedAspect;
    EngineLog().LogMessage(context.LogSender, llInfo, target->AspectText);
  }
}

void ApplyTargetFields(TOptionContext& context, int target, int targetNorm, int targetDefaultNorm) {
  static constexpr const char* kTypes[] = {"vcd", "svcd", "dvd"};
  if (target < 1 || target > 3) return;
  const char* norm = targetNorm == 1 ? "pal" : targetNorm == 2 ? "ntsc" : "auto";
  ApplyTarget(context, kTypes[target - 1], norm, targetDefaultNorm == 1 ? "pal" : "ntsc");
}

}  // namespace media
