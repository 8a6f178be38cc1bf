// Texts for library error codes, durations, file sizes, codec names and
// media types. Pure functions on the calling thread; CodecNameText needs
// avcodec loaded, the others need no library.
#pragma once

#include <cstdint>
#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
}

struct AVCodecContext;

namespace media {

// fileName + ": " + the text for the code ("No such file or directory" for
// AVERROR(ENOENT), ...; "Error number %d occurred" for codes without one).
std::string LibraryErrorText(const std::string& fileName, int code);

// "hh:mm:ss.zzz" with hours not limited to 24; "N/A" for AV_NOPTS_VALUE.
std::string FormatDuration(int64_t microseconds);

// "%.2f GB" / "%.2f MB" / "%.2f KB" above 2^30 / 2^20 / 2^10 bytes, else
// "%d Byte".
std::string FormatFileSize(int64_t bytes);

// The encoder's (encoder true) or decoder's name, with its long name in
// brackets when it has one. Without such a codec: "mpeg2ts" for
// AV_CODEC_ID_MPEG2TS, else the name the libraries know for the codec id,
// else the codec tag as four characters and hex ("XVID / 0x44495658") when
// all four are printable, else the tag in hex ("0x0001").
std::string CodecNameText(AVCodecID codecId, uint32_t codecTag, bool encoder);
// The same for a codec context; a codec attached to the context names it
// when no encoder or decoder is found for its id. "" for no context.
std::string CodecNameText(const AVCodecContext* context, bool encoder);

// "Video", "Audio", "Data", "Subtitle", "Attachment", else "Unknown".
std::string MediaTypeName(int type);

}  // namespace media
