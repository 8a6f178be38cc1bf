// The generic option store: which option set takes a named option, the
// error paths, copying stored options onto contexts, and ReadWholeFile.
#include "media/binding/option_store.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "media/binding/engine_log.h"
#include "media/binding/entry_table.h"
#include "tests/support/fixtures.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;

class OptionStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::LoadRealLibraries();
    ASSERT_TRUE(store.Create(SWS_BICUBIC));
  }
  AVCodecContext* Codec(AVMediaType type) { return store.CodecOptions(type); }
  OptionStore store;
};

TEST_F(OptionStoreTest, CodecOptionsGoToTheSetsOfTheirMediaTypes) {
  const int64_t defaultRate = Codec(AVMEDIA_TYPE_SUBTITLE)->bit_rate;
  const int defaultGop = Codec(AVMEDIA_TYPE_AUDIO)->gop_size;

  // "g" is a video option: video, and the sets that take any option.
  ASSERT_TRUE(store.SetGenericOption("g", "30"));
  EXPECT_EQ(Codec(AVMEDIA_TYPE_VIDEO)->gop_size, 30);
  EXPECT_EQ(Codec(AVMEDIA_TYPE_AUDIO)->gop_size, defaultGop);
  EXPECT_EQ(Codec(AVMEDIA_TYPE_DATA)->gop_size, 30);
  EXPECT_EQ(Codec(AVMEDIA_TYPE_SUBTITLE)->gop_size, defaultGop);
  EXPECT_EQ(Codec(AVMEDIA_TYPE_ATTACHMENT)->gop_size, 30);

  // "b" carries the audio flag too, but it is the video bit rate: the
  // audio set keeps its own ("ab").
  ASSERT_TRUE(store.SetGenericOption("b", "1000k"));
  for (AVMediaType t : {AVMEDIA_TYPE_VIDEO, AVMEDIA_TYPE_DATA, AVMEDIA_TYPE_ATTACHMENT})
    EXPECT_EQ(Codec(t)->bit_rate, 1000000) << t;
  EXPECT_EQ(Codec(AVMEDIA_TYPE_AUDIO)->bit_rate, defaultRate);
  EXPECT_EQ(Codec(AVMEDIA_TYPE_SUBTITLE)->bit_rate, defaultRate);

  // A name known nowhere with a media-type prefix: the rest of the name on
  // the codec set of that type only.
  ASSERT_TRUE(store.SetGenericOption("vg", "40"));
  EXPECT_EQ(Codec(AVMEDIA_TYPE_VIDEO)->gop_size, 40);
  EXPECT_EQ(Codec(AVMEDIA_TYPE_DATA)->gop_size, 30);
  ASSERT_TRUE(store.SetGenericOption("sb", "64k"));
  EXPECT_EQ(Codec(AVMEDIA_TYPE_SUBTITLE)->bit_rate, 64000);
  EXPECT_EQ(Codec(AVMEDIA_TYPE_AUDIO)->bit_rate, defaultRate);

  EXPECT_EQ(store.StoredNames(), (std::vector<std::string>{"g", "b", "g", "b"}));
}

TEST_F(OptionStoreTest, ContainerAndScalerOptions) {
  ASSERT_TRUE(store.SetGenericOption("probesize", "1234567"));
  EXPECT_EQ(store.FormatOptions()->probesize, 1234567);
  ASSERT_TRUE(store.SetGenericOption("fflags", "+genpts"));
  EXPECT_TRUE(store.FormatOptions()->flags & AVFMT_FLAG_GENPTS);

  ASSERT_TRUE(store.SetGenericOption("sws_flags", "lanczos"));
  int64_t flags = 0;
  ASSERT_GE(lib::av_opt_get_int(store.ScalerOptions(), "sws_flags", 0, &flags), 0);
  EXPECT_EQ(flags, SWS_LANCZOS);
  EXPECT_EQ(store.StoredNames(), (std::vector<std::string>{"probesize", "fflags", "sws_flags"}));
}

TEST_F(OptionStoreTest, RefusesUnknownOptionsEmptyTextsAndBadValues) {
  std::vector<std::pair<TLogLevel, std::string>> logged;
  EngineLog().SetTriggerEventInMainThread(false);
  EngineLog().SetOnLog([&](TMediaComponent*, uint32_t, TLogLevel level, const std::string& text) {
    logged.emplace_back(level, text);
  });

  const struct {
    const char* name;
    const char* value;
  } refused[] = {{"nosuchoption", "1"}, {"", "1"},    {"  ", "1"}, {"g", ""},
                 {"g", " \t"},          {"g", "abc"}, {"vg", "x"}};
  for (const auto& r : refused)
    EXPECT_FALSE(store.SetGenericOption(r.name, r.value)) << r.name << "=" << r.value;
  EXPECT_TRUE(store.StoredNames().empty());

  const auto has = [&](const std::string& text) {
    return std::any_of(logged.begin(), logged.end(),
                       [&](const auto& l) { return l.first == llError && l.second == text; });
  };
  EXPECT_TRUE(has("Invalid value \"abc\" for option \"g\""));
  EXPECT_TRUE(has("Invalid value \"x\" for option \"vg\""));
  EXPECT_FALSE(has("Invalid value \"1\" for option \"nosuchoption\""));
}

TEST_F(OptionStoreTest, DebugOptionTurnsTheEngineLogToDebug) {
  EngineLog().SetLogLevel(llInfo);
  ASSERT_TRUE(store.SetGenericOption("bf", "2"));
  EXPECT_EQ(EngineLog().LogLevel(), llInfo);
  ASSERT_TRUE(store.SetGenericOption("debug", "pict"));
  EXPECT_EQ(EngineLog().LogLevel(), llDebug);
  EXPECT_EQ(LibraryLogLevel(), AV_LOG_DEBUG);
}

TEST_F(OptionStoreTest, AppliesStoredOptionsWithTheGivenFlags) {
  ASSERT_TRUE(store.SetGenericOption("g", "30"));
  ASSERT_TRUE(store.SetGenericOption("b", "1000k"));
  ASSERT_TRUE(store.SetGenericOption("ab", "128k"));  // the audio set's own bit rate

  AVCodecContext* audio = lib::avcodec_alloc_context3(nullptr);
  AVCodecContext* video = lib::avcodec_alloc_context3(nullptr);
  ASSERT_TRUE(audio && video);
  const int defaultGop = audio->gop_size;

  store.ApplyStoredOptions(audio, Codec(AVMEDIA_TYPE_AUDIO),
                           AV_OPT_FLAG_AUDIO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(audio->bit_rate, 128000);
  EXPECT_EQ(audio->gop_size, defaultGop);  // "g" carries no audio flag

  store.ApplyStoredOptions(video, Codec(AVMEDIA_TYPE_VIDEO),
                           AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(video->gop_size, 30);
  EXPECT_EQ(video->bit_rate, Codec(AVMEDIA_TYPE_VIDEO)->bit_rate);

  lib::avcodec_free_context(&audio);
  lib::avcodec_free_context(&video);
}

// Options only some encoder or muxer has are kept per media type and reach
// the encoder (or muxer) they are applied to; one the target lacks is
// reported, not fatal.
TEST_F(OptionStoreTest, PrivateOptionsReachTheEncoderAndMuxer) {
  const struct {
    const char* name;
    const char* value;
    AVMediaType type;  // AVMEDIA_TYPE_UNKNOWN: the container
  } kept[] = {{"preset", "veryfast", AVMEDIA_TYPE_VIDEO},
              {"x264-params", "ref=2", AVMEDIA_TYPE_VIDEO},
              {"scan_offset", "1", AVMEDIA_TYPE_VIDEO},
              {"muxrate", "2000000", AVMEDIA_TYPE_UNKNOWN}};
  for (const auto& k : kept) {
    ASSERT_TRUE(store.SetGenericOption(k.name, k.value)) << k.name;
    const auto& list = store.PrivateOptions(k.type);
    EXPECT_NE(
        std::find(list.begin(), list.end(), std::pair<std::string, std::string>(k.name, k.value)),
        list.end())
        << k.name;
  }
  EXPECT_TRUE(store.PrivateOptions(AVMEDIA_TYPE_SUBTITLE).empty());

  AVCodecContext* x264 = lib::avcodec_alloc_context3(lib::avcodec_find_encoder_by_name("libx264"));
  ASSERT_NE(x264, nullptr);
  store.ApplyStoredOptions(x264, Codec(AVMEDIA_TYPE_VIDEO),
                           AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  uint8_t* value = nullptr;
  ASSERT_GE(lib::av_opt_get(x264, "preset", AV_OPT_SEARCH_CHILDREN, &value), 0);
  EXPECT_STREQ(reinterpret_cast<char*>(value), "veryfast");
  lib::av_free(value);
  lib::avcodec_free_context(&x264);

  AVFormatContext* ts = nullptr;
  ASSERT_GE(lib::avformat_alloc_output_context2(&ts, nullptr, "mpegts", nullptr), 0);
  store.ApplyStoredOptions(ts, store.FormatOptions(), AV_OPT_FLAG_ENCODING_PARAM);
  int64_t rate = 0;
  ASSERT_GE(lib::av_opt_get_int(ts, "muxrate", AV_OPT_SEARCH_CHILDREN, &rate), 0);
  EXPECT_EQ(rate, 2000000);
  lib::avformat_free_context(ts);

  // mpeg4 has no "preset": applying it only reports the unused option.
  AVCodecContext* mpeg4 = lib::avcodec_alloc_context3(lib::avcodec_find_encoder_by_name("mpeg4"));
  ASSERT_NE(mpeg4, nullptr);
  store.ApplyStoredOptions(mpeg4, Codec(AVMEDIA_TYPE_VIDEO),
                           AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  lib::avcodec_free_context(&mpeg4);
}

TEST_F(OptionStoreTest, FreeEmptiesTheStore) {
  ASSERT_TRUE(store.SetGenericOption("g", "30"));
  store.Free();
  EXPECT_EQ(store.CodecOptions(AVMEDIA_TYPE_VIDEO), nullptr);
  EXPECT_EQ(store.FormatOptions(), nullptr);
  EXPECT_EQ(store.ScalerOptions(), nullptr);
  EXPECT_TRUE(store.StoredNames().empty());
  EXPECT_FALSE(store.SetGenericOption("g", "30"));
  ASSERT_TRUE(store.Create(SWS_BILINEAR));  // and can be created again
  EXPECT_TRUE(store.SetGenericOption("g", "30"));
}

TEST(ReadWholeFileTest, ReadsTheFileWithAFinalZero) {
  testsupport::LoadRealLibraries();
  const std::string folder = testsupport::TempFolder("read_whole_file");
  const struct {
    const char* name;
    std::string content;
  } files[] = {{"text.log", "frame 1\nframe 2\n"},
               {"empty.log", ""},
               {"binary.bin", std::string("a\0b\xff", 4)}};
  for (const auto& f : files) {
    const std::string path = folder + "/" + f.name;
    std::ofstream(path, std::ios::binary) << f.content;
    char* buffer = nullptr;
    int64_t size = -5;
    ASSERT_EQ(ReadWholeFile(path, buffer, size), 0) << f.name;
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(size, static_cast<int64_t>(f.content.size()) + 1) << f.name;
    EXPECT_EQ(std::string(buffer, f.content.size()), f.content) << f.name;
    EXPECT_EQ(buffer[f.content.size()], '\0') << f.name;
    lib::av_free(buffer);
  }

  for (const std::string& path : {folder + "/missing.log", folder}) {
    char* buffer = reinterpret_cast<char*>(1);
    int64_t size = 7;
    EXPECT_EQ(ReadWholeFile(path, buffer, size), -1) << path;
    EXPECT_EQ(buffer, nullptr);
    EXPECT_EQ(size, 0);
  }
}

}  // namespace
