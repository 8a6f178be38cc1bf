#include "media/engine/codec_lookup.h"

#include <cstring>

#include "media/binding/engine_log.h"
#include "media/binding/entry_table.h"
#include "media/engine/engine_exception.h"

namespace media {

namespace {

struct TEncoderRename {
  const char* OldName;
  const char* NewName;
};

constexpr TEncoderRename kEncoderRenames[] = {
    {"libfaac", "aac"},
    {"vorbis", "libvorbis"},
    {"libamr_nb", "libopencore_amrnb"},
};

const char* RenamedEncoder(const std::string& name) {
  for (const TEncoderRename& rename : kEncoderRenames) {
    if (name == rename.OldName && lib::avcodec_find_encoder_by_name(rename.NewName)) {
      return rename.NewName;
    }
  }
  return nullptr;
}

bool Experimental(const AVCodec* codec) {
  return (codec->capabilities & AV_CODEC_CAP_EXPERIMENTAL) != 0;
}

}  // namespace

std::string ResolveEncoderName(const std::string& name) {
  const char* renamed = RenamedEncoder(name);
  return renamed ? renamed : name;
}

bool EncoderAvailable(const std::string& name) {
  return !name.empty() && lib::avcodec_find_encoder_by_name(ResolveEncoderName(name).c_str());
}

TCodecLookup FindCodec(const std::string& name, AVMediaType type, bool encoder, int strictness,
                       TMediaComponent* logSender) {
  TCodecLookup result;
  if (name.empty()) return result;

  const char* kind = encoder ? "encoder" : "decoder";
  std::string lookupName = name;
  if (encoder) {
    if (const char* renamed = RenamedEncoder(name)) {
      lookupName = renamed;
      EngineLog().LogMessage(
          logSender, llInfo,
          "Encoder '" + name + "' is not available, using '" + lookupName + "' instead");
    }
  }

  const AVCodec* codec = encoder ? lib::avcodec_find_encoder_by_name(lookupName.c_str())
                                 : lib::avcodec_find_decoder_by_name(lookupName.c_str());
  result.Ok = false;
  if (!codec) {
    result.ErrorText = FormatText("Unknown %s '%s'", kind, name.c_str());
    return result;
  }
  if (codec->type != type) {
    result.ErrorText = FormatText("Invalid %s type '%s'", kind, lookupName.c_str());
    return result;
  }
  if (Experimental(codec) && strictness > FF_COMPLIANCE_EXPERIMENTAL) {
    result.ErrorText = FormatText(
        "%s '%s' is experimental and might produce bad results.\r\n"
        "Add '-strict experimental' if you want to use it.",
        kind, codec->name);
    const AVCodec* standard =
        encoder ? lib::avcodec_find_encoder(codec->id) : lib::avcodec_find_decoder(codec->id);
    if (standard && !Experimental(standard)) {
      result.ErrorText += "\r\n";
      result.ErrorText += FormatText("Or use the non experimental %s '%s'.", kind, standard->name);
    }
    return result;
  }
  result.Ok = true;
  result.Codec = codec;
  result.Id = codec->id;
  return result;
}

}  // namespace media
