#include "media/binding/media_text.h"

#include <cerrno>
#include <charconv>
#include <string_view>

#include "media/binding/entry_table.h"

namespace media {
namespace {

// Delphi-style trim: drops control characters and blanks at both ends.
std::string Trim(std::string_view text) {
  size_t begin = 0, end = text.size();
  while (begin < end && static_cast<unsigned char>(text[begin]) <= ' ') ++begin;
  while (end > begin && static_cast<unsigned char>(text[end - 1]) <= ' ') --end;
  return std::string(text.substr(begin, end - begin));
}

// A decimal number with at least `digits` digits, the sign in front ("%.Nd").
std::string Padded(int64_t value, int digits) {
  std::string magnitude = std::to_string(value);
  const bool negative = value < 0;
  if (negative) magnitude.erase(0, 1);
  if (magnitude.size() < static_cast<size_t>(digits))
    magnitude.insert(0, static_cast<size_t>(digits) - magnitude.size(), '0');
  return negative ? "-" + magnitude : magnitude;
}

// "%.2f"
std::string TwoDecimals(double value) {
  char buffer[64];
  auto [end, error] =
      std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::fixed, 2);
  return error == std::errc() ? std::string(buffer, end) : std::string();
}

// "%04X" / "%04x"
std::string Hex4(uint32_t value, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), digits[value & 0xF]);
    value >>= 4;
  } while (value != 0);
  if (text.size() < 4) text.insert(0, 4 - text.size(), '0');
  return text;
}

// `knownName` stands for the old context's own codec name field, which
// FFmpeg 5.1 no longer has.
std::string CodecText(AVCodecID codecId, uint32_t codecTag, bool encoder, const char* knownName) {
  const AVCodec* codec =
      encoder ? lib::avcodec_find_encoder(codecId) : lib::avcodec_find_decoder(codecId);
  if (codec != nullptr) {
    const std::string name = codec->name != nullptr ? codec->name : "";
    const std::string longName = Trim(codec->long_name != nullptr ? codec->long_name : "");
    return longName.empty() ? name : name + "(" + longName + ")";
  }
  if (codecId == AV_CODEC_ID_MPEG2TS) return "mpeg2ts";
  if (knownName != nullptr) {
    const std::string name = Trim(std::string_view(knownName).substr(0, 32));
    if (!name.empty()) return name;
  }
  unsigned char c[4];
  bool printable = true;
  for (int i = 0; i < 4; ++i) {
    c[i] = static_cast<unsigned char>((codecTag >> (8 * i)) & 0xFF);
    if (c[i] < 32 || c[i] > 126) printable = false;
  }
  if (printable)
    return std::string(reinterpret_cast<const char*>(c), 4) + " / 0x" + Hex4(codecTag, true);
  return "0x" + Hex4(codecTag, false);
}

// The name the libraries' codec descriptor table gives the id (also for ids
// this build has no codec for); null when it has none.
const char* DescriptorName(AVCodecID codecId) {
  const AVCodecDescriptor* descriptor = lib::avcodec_descriptor_get(codecId);
  return descriptor != nullptr ? descriptor->name : nullptr;
}

}  // namespace

std::string LibraryErrorText(const std::string& fileName, int code) {
  static const struct {
    int code;
    const char* text;
  } kTexts[] = {
      {AVERROR(ENOENT), "No such file or directory"},
      {AVERROR(EIO), "I/O error"},
      {AVERROR(ENOMEM), "Not enough memory"},
      {AVERROR_INVALIDDATA, "Invalid data found when processing input"},
      {AVERROR_EOF, "End of file"},
      {AVERROR(EDOM), "Number syntax expected in filename"},
      {AVERROR_DEMUXER_NOT_FOUND, "Unknown format"},
      {AVERROR_PROTOCOL_NOT_FOUND, "Unsupported network protocol"},
      {AVERROR_PATCHWELCOME, "Not yet implemented in FFmpeg"},
      // File-system failures a user meets on this system, named so that the
      // message says what to fix instead of showing a bare number.
      {AVERROR(EACCES), "Permission denied"},
      {AVERROR(EISDIR), "Is a directory"},
      {AVERROR(ENOSPC), "No space left on device"},
      {AVERROR(EFBIG), "File too large"},
      {AVERROR(EROFS), "Read-only file system"},
  };
  for (const auto& t : kTexts)
    if (t.code == code) return fileName + ": " + t.text;
  return fileName + ": Error number " + std::to_string(code) + " occurred";
}

std::string FormatDuration(int64_t microseconds) {
  if (microseconds == AV_NOPTS_VALUE) return "N/A";
  const int64_t s = microseconds / 1000000;
  const int64_t ms = (microseconds % 1000000) * 1000 / 1000000;
  return Padded(s / 3600, 2) + ":" + Padded((s / 60) % 60, 2) + ":" + Padded(s % 60, 2) + "." +
         Padded(ms, 3);
}

std::string FormatFileSize(int64_t bytes) {
  const double b = static_cast<double>(bytes);
  if (bytes > (int64_t{1} << 30)) return TwoDecimals(b / (1 << 30)) + " GB";
  if (bytes > (int64_t{1} << 20)) return TwoDecimals(b / (1 << 20)) + " MB";
  if (bytes > (int64_t{1} << 10)) return TwoDecimals(b / (1 << 10)) + " KB";
  return std::to_string(bytes) + " Byte";
}

std::string CodecNameText(AVCodecID codecId, uint32_t codecTag, bool encoder) {
  return CodecText(codecId, codecTag, encoder, DescriptorName(codecId));
}

std::string CodecNameText(const AVCodecContext* context, bool encoder) {
  if (context == nullptr) return "";
  const char* known = context->codec != nullptr && context->codec->name != nullptr
                          ? context->codec->name
                          : DescriptorName(context->codec_id);
  return CodecText(context->codec_id, context->codec_tag, encoder, known);
}

std::string MediaTypeName(int type) {
  switch (type) {
    case AVMEDIA_TYPE_VIDEO:
      return "Video";
    case AVMEDIA_TYPE_AUDIO:
      return "Audio";
    case AVMEDIA_TYPE_DATA:
      return "Data";
    case AVMEDIA_TYPE_SUBTITLE:
      return "Subtitle";
    case AVMEDIA_TYPE_ATTACHMENT:
      return "Attachment";
    default:
      return "Unknown";
  }
}

}  // namespace media
