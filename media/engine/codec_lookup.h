// Finding the encoder or decoder a stream asks for by name.
//
// Encoder names of the old library generation that no longer exist are
// resolved here, once for all callers: "libfaac" -> "aac", "vorbis" ->
// "libvorbis" (when that encoder is present), "libamr_nb" ->
// "libopencore_amrnb" (when present). A rename is logged at llInfo.
#pragma once

#include <cstdint>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavutil/avutil.h>
}

#include <string>

namespace media {

class TMediaComponent;

struct TCodecLookup {
  bool Ok = true;
  const AVCodec* Codec = nullptr;  // null for an empty name
  AVCodecID Id = AV_CODEC_ID_NONE;
  std::string ErrorText;  // the reason when !Ok; becomes the task's error text
};

// Looks `name` up as an encoder or decoder of media type `type`. An empty
// name succeeds with no codec. Fails with "Unknown %s '%s'", "Invalid %s
// type '%s'", or, for an experimental codec while `strictness` is -1 or
// more, the experimental text (naming a non-experimental alternative when
// the codec id has one).
TCodecLookup FindCodec(const std::string& name, AVMediaType type, bool encoder, int strictness,
                       TMediaComponent* logSender = nullptr);

// The encoder name to look up for `name`: the new name of an old encoder
// when the new one is present, else `name` itself.
std::string ResolveEncoderName(const std::string& name);

// True when an encoder of that name (after renaming) is in the loaded
// libraries; the format catalogue uses it to hide unusable entries.
bool EncoderAvailable(const std::string& name);

}  // namespace media
