// The generic option store: named options for the libraries' option system
// are set on option sets kept for the purpose (a codec context per media
// type, a format context, a scaler context), and the names set so far are
// remembered so the engine can copy the values onto the contexts it opens.
//
// One store belongs to one engine instance at a time; it owns its option
// sets and frees them in Free() or its destructor. Needs avcodec, avformat,
// avutil and swscale loaded while it holds option sets.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace media {

class OptionStore {
 public:
  // Media types of the codec option sets, in the libraries' order.
  static constexpr int kCodecSetCount = 5;  // video, audio, data, subtitle, attachment

  OptionStore() = default;  // empty: no option sets, no names
  ~OptionStore();
  OptionStore(const OptionStore&) = delete;
  OptionStore& operator=(const OptionStore&) = delete;

  // Frees what the store holds, then allocates the five codec sets, the
  // container set and a 16 x 16 YUV420P scaler set with scalerFlags. False
  // (and an empty store) when an allocation fails.
  bool Create(int scalerFlags);
  // Frees every option set and forgets the stored names; the store is empty.
  void Free();

  // Sets option name to value on the first kind of option set that has it
  // (codec sets by media type, then container, then scaler, then the rest of
  // a name starting with "a", "v" or "s" on the audio, video or subtitle
  // codec set) and remembers its name. "b" is the video bit rate only (the
  // audio set takes "ab"), so a preset's video rate never reaches an audio
  // encoder. A name no generic set knows is kept as a private option when
  // some encoder, decoder, muxer or demuxer has it (PrivateOptions). False for an empty name or
  // value, an unknown option, or a value the option refuses (logged through av_log as "Invalid
  // value \"%s\" for option \"%s\"\n"). Setting "debug" on the video codec or container set turns
  // the engine log to llDebug.
  bool SetGenericOption(const std::string& name, const std::string& value);

  // For every stored name whose option in source carries all of `flags`,
  // copies its value from source to target (both objects with an AVClass).
  // When source is one of the store's codec sets or its container set, the
  // private options kept for that media type (or the container) are then
  // set on target and its children (an encoder's or muxer's own options);
  // a name the target does not know is logged as unused, as the ffmpeg
  // tool reports it.
  void ApplyStoredOptions(void* target, void* source, int flags) const;

  // Private options (name, value) kept for a codec set's media type, or for
  // the container when type is AVMEDIA_TYPE_UNKNOWN, in the order set.
  const std::vector<std::pair<std::string, std::string>>& PrivateOptions(AVMediaType type) const;

  // The codec option set of a media type (AVMEDIA_TYPE_VIDEO ...
  // AVMEDIA_TYPE_ATTACHMENT); null for others or before Create.
  AVCodecContext* CodecOptions(AVMediaType type) const;
  AVFormatContext* FormatOptions() const { return formatOptions_; }
  SwsContext* ScalerOptions() const { return scalerOptions_; }
  // Names of the options set so far, in the order they were set.
  const std::vector<std::string>& StoredNames() const { return names_; }

 private:
  bool SetPrivateOption(const std::string& name, const std::string& value);

  std::vector<std::string> names_;
  // Encoder- and muxer-private options: not on the generic option sets, so
  // kept as text per media type and for the container.
  std::vector<std::pair<std::string, std::string>> privateOptions_[kCodecSetCount];
  std::vector<std::pair<std::string, std::string>> formatPrivateOptions_;
  AVCodecContext* codecOptions_[kCodecSetCount] = {};
  AVFormatContext* formatOptions_ = nullptr;
  SwsContext* scalerOptions_ = nullptr;
};

// Reads a whole file into a new av_malloc'ed buffer with a 0 byte after the
// data (the caller frees it with lib::av_free); size counts the 0 byte.
// Returns 0, -1 when the file cannot be opened or its size not be told, or
// AVERROR(ENOMEM) (-12) when the buffer cannot be allocated. Files larger
// than the libraries' largest allocation are refused with AVERROR(ENOMEM).
int ReadWholeFile(const std::string& fileName, char*& buffer, int64_t& size);

}  // namespace media
