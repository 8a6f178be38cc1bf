#include "media/binding/option_store.h"

#include <climits>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "media/binding/engine_log.h"
#include "media/binding/entry_table.h"

namespace media {
namespace {

// The option flags an option must carry to be set in the codec set of each
// media type (data and attachment take any codec option).
constexpr int kTypeFlags[OptionStore::kCodecSetCount] = {
    AV_OPT_FLAG_VIDEO_PARAM, AV_OPT_FLAG_AUDIO_PARAM, 0, AV_OPT_FLAG_SUBTITLE_PARAM, 0};

bool BlankText(const std::string& text) {
  for (unsigned char c : text)
    if (c > ' ') return false;
  return true;
}

}  // namespace

OptionStore::~OptionStore() {
  Free();
}

bool OptionStore::Create(int scalerFlags) {
  Free();
  for (int type = 0; type < kCodecSetCount; ++type) {
    codecOptions_[type] = lib::avcodec_alloc_context3(nullptr);
    if (codecOptions_[type] == nullptr) {
      Free();
      return false;
    }
    codecOptions_[type]->codec_type = static_cast<AVMediaType>(type);
  }
  formatOptions_ = lib::avformat_alloc_context();
  scalerOptions_ = lib::sws_getContext(16, 16, AV_PIX_FMT_YUV420P, 16, 16, AV_PIX_FMT_YUV420P,
                                       scalerFlags, nullptr, nullptr, nullptr);
  if (formatOptions_ == nullptr || scalerOptions_ == nullptr) {
    Free();
    return false;
  }
  return true;
}

void OptionStore::Free() {
  for (auto& context : codecOptions_)
    if (context != nullptr) lib::avcodec_free_context(&context);
  if (formatOptions_ != nullptr) {
    lib::avformat_free_context(formatOptions_);
    formatOptions_ = nullptr;
  }
  if (scalerOptions_ != nullptr) {
    lib::sws_freeContext(scalerOptions_);
    scalerOptions_ = nullptr;
  }
  names_.clear();
  for (auto& list : privateOptions_) list.clear();
  formatPrivateOptions_.clear();
}

const std::vector<std::pair<std::string, std::string>>& OptionStore::PrivateOptions(
    AVMediaType type) const {
  if (type >= 0 && type < kCodecSetCount) return privateOptions_[type];
  return formatPrivateOptions_;
}

bool OptionStore::SetPrivateOption(const std::string& name, const std::string& value) {
  constexpr int kSearch = AV_OPT_SEARCH_CHILDREN | AV_OPT_SEARCH_FAKE_OBJ;
  const AVClass* codecClass = lib::avcodec_get_class();
  const AVOption* option = lib::av_opt_find(&codecClass, name.c_str(), nullptr, 0, kSearch);
  if (option != nullptr) {
    // Kept for every media type the option claims; one without a type
    // claim serves video and audio.
    const int flags = option->flags;
    bool kept = false;
    for (auto [type, flag] : {std::pair{AVMEDIA_TYPE_VIDEO, AV_OPT_FLAG_VIDEO_PARAM},
                              std::pair{AVMEDIA_TYPE_AUDIO, AV_OPT_FLAG_AUDIO_PARAM},
                              std::pair{AVMEDIA_TYPE_SUBTITLE, AV_OPT_FLAG_SUBTITLE_PARAM}}) {
      if ((flags & flag) != 0) {
        privateOptions_[type].emplace_back(name, value);
        kept = true;
      }
    }
    if (!kept) {
      privateOptions_[AVMEDIA_TYPE_VIDEO].emplace_back(name, value);
      privateOptions_[AVMEDIA_TYPE_AUDIO].emplace_back(name, value);
    }
    return true;
  }
  const AVClass* formatClass = lib::avformat_get_class();
  option = lib::av_opt_find(&formatClass, name.c_str(), nullptr, 0, kSearch);
  if (option != nullptr) {
    formatPrivateOptions_.emplace_back(name, value);
    return true;
  }
  return false;
}

AVCodecContext* OptionStore::CodecOptions(AVMediaType type) const {
  if (type < 0 || type >= kCodecSetCount) return nullptr;
  return codecOptions_[type];
}

bool OptionStore::SetGenericOption(const std::string& name, const std::string& value) {
  if (BlankText(name) || BlankText(value)) return false;
  if (codecOptions_[AVMEDIA_TYPE_VIDEO] == nullptr) return false;  // not created
  const char* optionName = name.c_str();
  const AVOption* found = nullptr;
  int result = 0;

  // Every codec set share one class, so the video set answers for all of them.
  for (int type = 0; type < kCodecSetCount && result >= 0; ++type) {
    // "b" is the video bit rate; the audio set takes its rate from "ab".
    if (name == "b" && type == AVMEDIA_TYPE_AUDIO) {
      if (lib::av_opt_find(codecOptions_[AVMEDIA_TYPE_VIDEO], optionName, nullptr, 0, 0)) continue;
    }
    const AVOption* option = lib::av_opt_find(codecOptions_[AVMEDIA_TYPE_VIDEO], optionName,
                                              nullptr, kTypeFlags[type], 0);
    if (option != nullptr) {
      found = option;
      result = lib::av_opt_set(codecOptions_[type], optionName, value.c_str(), 0);
    }
  }
  for (void* set : {static_cast<void*>(formatOptions_), static_cast<void*>(scalerOptions_)}) {
    if (found != nullptr) break;
    found = lib::av_opt_find(set, optionName, nullptr, 0, 0);
    if (found != nullptr) result = lib::av_opt_set(set, optionName, value.c_str(), 0);
  }
  if (found == nullptr && (name[0] == 'a' || name[0] == 'v' || name[0] == 's')) {
    AVCodecContext* set = codecOptions_[name[0] == 'a'   ? AVMEDIA_TYPE_AUDIO
                                        : name[0] == 'v' ? AVMEDIA_TYPE_VIDEO
                                                         : AVMEDIA_TYPE_SUBTITLE];
    const char* rest = optionName + 1;
    found = lib::av_opt_find(set, rest, nullptr, 0, 0);
    if (found != nullptr) result = lib::av_opt_set(set, rest, value.c_str(), 0);
  }

  if (found == nullptr) return SetPrivateOption(name, value);
  // A generic name whose value only an encoder's own option of that name
  // takes ("profile=main" for libx264) is kept as a private option.
  if (result < 0 && found->unit != nullptr && SetPrivateOption(name, value)) return true;
  if (result < 0) {
    lib::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
                optionName);
    return false;
  }
  names_.emplace_back(found->name);
  if (codecOptions_[AVMEDIA_TYPE_VIDEO]->debug != 0 || formatOptions_->debug != 0)
    EngineLog().SetLogLevel(llDebug);
  return true;
}

void OptionStore::ApplyStoredOptions(void* target, void* source, int flags) const {
  if (target == nullptr || source == nullptr) return;
  for (const auto& name : names_) {
    if (lib::av_opt_find(source, name.c_str(), nullptr, flags, 0) == nullptr) continue;
    uint8_t* value = nullptr;
    if (lib::av_opt_get(source, name.c_str(), 0, &value) >= 0 && value != nullptr)
      lib::av_opt_set(target, name.c_str(), reinterpret_cast<const char*>(value), 0);
    lib::av_free(value);
  }
  const std::vector<std::pair<std::string, std::string>>* privateList = nullptr;
  for (int type = 0; type < kCodecSetCount; ++type)
    if (source == codecOptions_[type]) privateList = &privateOptions_[type];
  if (source == formatOptions_) privateList = &formatPrivateOptions_;
  if (privateList == nullptr) return;
  // The codec's or muxer's own options first: a private name may shadow a
  // generic one ("profile").
  void* own = source == formatOptions_ ? static_cast<AVFormatContext*>(target)->priv_data
                                       : static_cast<AVCodecContext*>(target)->priv_data;
  for (const auto& [name, value] : *privateList) {
    int result = AVERROR_OPTION_NOT_FOUND;
    if (own != nullptr) result = lib::av_opt_set(own, name.c_str(), value.c_str(), 0);
    if (result == AVERROR_OPTION_NOT_FOUND)
      result = lib::av_opt_set(target, name.c_str(), value.c_str(), AV_OPT_SEARCH_CHILDREN);
    if (result == AVERROR_OPTION_NOT_FOUND) {
      lib::av_log(nullptr, AV_LOG_WARNING, "Option %s (value %s) was not used by %s.\n",
                  name.c_str(), value.c_str(),
                  source == formatOptions_ ? "the output format" : "the codec");
    } else if (result < 0) {
      lib::av_log(nullptr, AV_LOG_ERROR, "Invalid value \"%s\" for option \"%s\"\n", value.c_str(),
                  name.c_str());
    }
  }
}

int ReadWholeFile(const std::string& fileName, char*& buffer, int64_t& size) {
  buffer = nullptr;
  size = 0;
  std::error_code ec;
  if (std::filesystem::is_directory(fileName, ec)) return -1;
  FILE* file = lib::fopen(fileName.c_str(), "rb");
  if (file == nullptr) return -1;
  long length = -1;
  if (lib::fseek(file, 0, SEEK_END) == 0) length = lib::ftell(file);
  if (length < 0 || lib::fseek(file, 0, SEEK_SET) != 0) {
    lib::fclose(file);
    return -1;
  }
  // av_malloc refuses blocks above INT_MAX bytes anyway.
  if (length >= INT_MAX) {
    lib::fclose(file);
    return AVERROR(ENOMEM);
  }
  char* data = static_cast<char*>(lib::av_malloc(static_cast<size_t>(length) + 1));
  if (data == nullptr) {
    lib::fclose(file);
    return AVERROR(ENOMEM);
  }
  const size_t got = lib::fread(data, 1, static_cast<size_t>(length), file);
  data[got] = '\0';
  lib::fclose(file);
  buffer = data;
  size = static_cast<int64_t>(got) + 1;
  return 0;
}

}  // namespace media
