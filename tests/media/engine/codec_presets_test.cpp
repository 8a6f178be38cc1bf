// Codec presets: the built-in table, the lookup order, preset files and
// their errors, and libx264 taking every built-in preset.
#include "media/engine/codec_presets.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "media/binding/entry_table.h"
#include "tests/media/engine/option_test_fixture.h"
#include "tests/support/fixtures.h"

namespace {

using enginetest::OptionTest;

TEST(BuiltinPresetsTest, HoldsTheFortyNamesInTableOrder) {
  const std::vector<std::string> expected = {"libx264-baseline",
                                             "libx264-default",
                                             "libx264-fast",
                                             "libx264-fast_firstpass",
                                             "libx264-faster",
                                             "libx264-faster_firstpass",
                                             "libx264-fastfirstpass",
                                             "libx264-hq",
                                             "libx264-ipod320",
                                             "libx264-ipod640",
                                             "libx264-lossless_fast",
                                             "libx264-lossless_max",
                                             "libx264-lossless_medium",
                                             "libx264-lossless_slow",
                                             "libx264-lossless_slower",
                                             "libx264-lossless_ultrafast",
                                             "libx264-main",
                                             "libx264-max",
                                             "libx264-medium",
                                             "libx264-medium_firstpass",
                                             "libx264-normal",
                                             "libx264-placebo",
                                             "libx264-placebo_firstpass",
                                             "libx264-slow",
                                             "libx264-slow_firstpass",
                                             "libx264-slower",
                                             "libx264-slower_firstpass",
                                             "libx264-slowfirstpass",
                                             "libx264-superfast",
                                             "libx264-superfast_firstpass",
                                             "libx264-ultrafast",
                                             "libx264-ultrafast_firstpass",
                                             "libx264-veryfast",
                                             "libx264-veryfast_firstpass",
                                             "libx264-veryslow",
                                             "libx264-veryslow_firstpass",
                                             "libx264-psp",
                                             "libx264-ps3",
                                             "libx264-ipod",
                                             "libx264-mp4"};
  std::vector<std::string> names;
  for (const auto& preset : media::BuiltinPresets()) {
    names.push_back(preset.Name);
    const std::string text = preset.Text;
    EXPECT_TRUE(!text.empty() && text.back() == '\n') << preset.Name;
  }
  EXPECT_EQ(names, expected);
  EXPECT_STREQ(media::FindBuiltinPreset("LibX264-MP4")->Name, "libx264-mp4");
  EXPECT_EQ(media::FindBuiltinPreset("libx264-mp"), nullptr);
}

// Which preset a kind and name resolve to, given the codec names set.
struct LookupCase {
  const char* label;
  const char* kind;
  const char* name;
  const char* videoCodec;
  const char* audioCodec;
  const char* subtitleCodec;
  const char* found;  // null: "Preset ... not found"
  friend void PrintTo(const LookupCase& c, std::ostream* out) { *out << c.label; }
};

class PresetLookupTest : public ::testing::TestWithParam<LookupCase> {
 protected:
  void SetUp() override { testsupport::LoadRealLibraries(); }  // files are read through libc
};

TEST_P(PresetLookupTest, FindsThePreset) {
  media::TOptionState state;
  state.VideoCodecName = GetParam().videoCodec;
  state.AudioCodecName = GetParam().audioCodec;
  state.SubtitleCodecName = GetParam().subtitleCodec;
  if (GetParam().found) {
    EXPECT_EQ(media::FindPreset(state, GetParam().kind, GetParam().name).Name, GetParam().found);
  } else {
    try {
      media::FindPreset(state, GetParam().kind, GetParam().name);
      ADD_FAILURE() << "no exception";
    } catch (const media::EngineException& e) {
      EXPECT_EQ(e.what(), "Preset \"" + std::string(GetParam().name) + "\" not found");
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Order, PresetLookupTest,
    ::testing::Values(
        LookupCase{"video_codec_prefix", "vpre", "mp4", "libx264", "", "", "libx264-mp4"},
        LookupCase{"full_name_any_case", "vpre", "LIBX264-Main", "", "", "", "libx264-main"},
        LookupCase{"table_before_prefix", "vpre", "libx264-hq", "mpeg4", "", "", "libx264-hq"},
        LookupCase{"audio_codec_prefix", "apre", "ipod", "mpeg4", "libx264", "", "libx264-ipod"},
        LookupCase{"video_kind_ignores_audio_codec", "vpre", "ipod", "", "libx264", "", nullptr},
        LookupCase{"subtitle_codec_for_any_kind", "vpre", "psp", "", "", "libx264", "libx264-psp"},
        LookupCase{"other_codec_has_no_such_preset", "vpre", "mp4", "libx265", "", "", nullptr},
        LookupCase{"file_kind_skips_the_table", "fpre", "libx264-mp4", "", "", "", nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

class PresetFileTest : public OptionTest {
 protected:
  std::string Write(const std::string& text) {
    const std::string path = testsupport::TempFolder("presets") + "/test.ffpreset";
    std::ofstream(path, std::ios::binary) << text;
    return path;
  }
  std::string ErrorOfPreset(const std::string& kind, const std::string& name) {
    try {
      media::ApplyPreset(context, kind, name);
    } catch (const media::EngineException& e) {
      return e.what();
    }
    return "";
  }
};

TEST_F(PresetFileTest, AppliesEveryLine) {
  const std::string path =
      Write("\r\n  VCODEC=mpeg4 \r\ng=12\r\n\r\n  bf=2\nAcodec=mp2\nscodec=copy");
  Apply("fpre", path);
  EXPECT_EQ(state.VideoCodecName, "mpeg4");
  EXPECT_EQ(state.AudioCodecName, "mp2");
  EXPECT_TRUE(state.SubtitleStreamCopy);
  EXPECT_EQ(VideoOptions()->gop_size, 12);
  EXPECT_EQ(VideoOptions()->max_b_frames, 2);
}

TEST_F(PresetFileTest, NameNotInTheTableIsAFile) {
  const std::string path = Write("g=7\n");
  Apply("vcodec", "libx264");
  Apply("vpre", path);
  EXPECT_EQ(VideoOptions()->gop_size, 7);
}

TEST_F(PresetFileTest, EmptyKindOrNameDoesNothing) {
  EXPECT_EQ(ErrorOfPreset("", "libx264-mp4"), "");
  EXPECT_EQ(ErrorOfPreset("vpre", ""), "");
  EXPECT_TRUE(store.StoredNames().empty());
}

struct SyntaxCase {
  const char* label;
  std::string text;
  std::string errorAfterPath;  // the text after "<path>: "
  friend void PrintTo(const SyntaxCase& c, std::ostream* out) { *out << c.label; }
};

class PresetSyntaxTest : public PresetFileTest, public ::testing::WithParamInterface<SyntaxCase> {};

TEST_P(PresetSyntaxTest, RaisesWithTheFileName) {
  const std::string path = Write(GetParam().text);
  EXPECT_EQ(ErrorOfPreset("fpre", path), path + ": " + GetParam().errorAfterPath);
}

INSTANTIATE_TEST_SUITE_P(
    Errors, PresetSyntaxTest,
    ::testing::Values(
        SyntaxCase{"no_equals", "g=12\nbogus\n", "Invalid syntax: \"bogus\""},
        SyntaxCase{"empty_value", "g=", "Invalid syntax: \"g=\""},
        SyntaxCase{"empty_key", "  =5  ", "Invalid syntax: \"=5\""},
        SyntaxCase{"unknown_option", "nosuchoption=1",
                   "Invalid option or argument: \"nosuchoption=1\", parsed as \"nosuchoption\" "
                   "= \"1\""},
        SyntaxCase{"rejected_value", "g=often",
                   "Invalid option or argument: \"g=often\", parsed as \"g\" = \"often\""},
        SyntaxCase{"blank_in_key", "g =12",
                   "Invalid option or argument: \"g =12\", parsed as \"g \" = \"12\""}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(PresetFileTest, SyntaxErrorAppliesNoLine) {
  const std::string path = Write("g=12\nvcodec=mpeg4\nbogus\n");
  EXPECT_NE(ErrorOfPreset("fpre", path), "");
  EXPECT_TRUE(store.StoredNames().empty());
  EXPECT_EQ(state.VideoCodecName, "");
}

TEST_F(PresetFileTest, MissingFileAndDirectory) {
  EXPECT_EQ(ErrorOfPreset("fpre", "/nonexistent/x.ffpreset"),
            "Preset \"/nonexistent/x.ffpreset\" not found");
  const std::string folder = testsupport::TempFolder("preset-folder");
  EXPECT_EQ(ErrorOfPreset("fpre", folder), "Preset \"" + folder + "\" not found");
}

// --- libx264 and the built-in presets --------------------------------------

// The x264 settings an encoded stream reports about itself: the options
// of its SEI text, and profile and level of its sequence parameter set.
struct X264Report {
  std::map<std::string, std::string> options;
  int profile = -1;
  int level = -1;
};

X264Report ReadReport(const std::vector<uint8_t>& stream) {
  X264Report report;
  const std::string bytes(stream.begin(), stream.end());
  for (size_t i = 0; i + 7 < bytes.size(); ++i) {
    if (bytes.compare(i, 4, std::string("\0\0\1", 3) + "\x67") == 0) {
      report.profile = static_cast<uint8_t>(bytes[i + 4]);
      report.level = static_cast<uint8_t>(bytes[i + 6]);
      break;
    }
  }
  const size_t text = bytes.find("options: ");
  if (text != std::string::npos) {
    std::istringstream words(bytes.substr(text + 9, bytes.find('\0', text) - text - 9));
    for (std::string word; words >> word;) {
      const size_t equals = word.find('=');
      if (equals != std::string::npos)
        report.options[word.substr(0, equals)] = word.substr(equals + 1);
    }
  }
  return report;
}

// Opens libx264 on a 64x64 picture with the lines given, encodes one
// picture and returns what the encoder wrote.
std::vector<uint8_t> EncodeWithLines(const std::string& presetName,
                                     const std::vector<media::TOptionLine>& lines) {
  std::vector<uint8_t> stream;
  const AVCodec* codec = lib::avcodec_find_encoder_by_name("libx264");
  AVCodecContext* context = lib::avcodec_alloc_context3(codec);
  context->width = 64;
  context->height = 64;
  context->pix_fmt = AV_PIX_FMT_YUV420P;
  context->time_base = AVRational{1, 25};
  for (const auto& line : lines) {
    EXPECT_EQ(
        lib::av_opt_set(context, line.Key.c_str(), line.Value.c_str(), AV_OPT_SEARCH_CHILDREN), 0)
        << presetName << ": " << line.Key << "=" << line.Value;
  }
  EXPECT_EQ(lib::avcodec_open2(context, codec, nullptr), 0) << presetName;

  AVFrame* frame = lib::av_frame_alloc();
  frame->format = AV_PIX_FMT_YUV420P;
  frame->width = 64;
  frame->height = 64;
  frame->pts = 0;
  EXPECT_EQ(lib::av_frame_get_buffer(frame, 0), 0);
  for (int plane = 0; plane < 3; ++plane) {
    std::memset(frame->data[plane], 128,
                static_cast<size_t>(frame->linesize[plane]) * (plane ? 32 : 64));
  }
  AVPacket* packet = lib::av_packet_alloc();
  if (context->codec) {
    lib::avcodec_send_frame(context, frame);
    lib::avcodec_send_frame(context, nullptr);
    while (lib::avcodec_receive_packet(context, packet) == 0) {
      stream.insert(stream.end(), packet->data, packet->data + packet->size);
      lib::av_packet_unref(packet);
    }
  }
  lib::av_packet_free(&packet);
  lib::av_frame_free(&frame);
  lib::avcodec_free_context(&context);
  return stream;
}

// libx264 reports x264-params it cannot parse only in its log, as a
// warning; the fixture collects those and every error line.
class X264PresetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::LoadRealLibraries();
    if (!lib::avcodec_find_encoder_by_name("libx264")) GTEST_SKIP() << "no libx264 encoder";
    auto& log = media::EngineLog();
    log.SetTriggerEventInMainThread(false);
    log.SetOnLog([this](media::TMediaComponent*, uint32_t, media::TLogLevel level,
                        const std::string& message) {
      if (level <= media::llError || message.find("Error parsing option") != std::string::npos) {
        libraryErrors.push_back(message);
      }
    });
  }
  void TearDown() override { media::EngineLog().SetOnLog(nullptr); }

  std::vector<std::string> libraryErrors;
};

TEST_F(X264PresetTest, EncoderAcceptsEveryLineOfEveryPreset) {
  for (const auto& preset : media::BuiltinPresets()) {
    const std::vector<uint8_t> stream =
        EncodeWithLines(preset.Name, media::ParsePresetText(preset.Name, preset.Text));
    const X264Report report = ReadReport(stream);
    ASSERT_FALSE(report.options.empty()) << preset.Name;
    EXPECT_EQ(libraryErrors, std::vector<std::string>{}) << preset.Name;
    libraryErrors.clear();
    const std::string name = preset.Name;
    if (name.find("lossless") != std::string::npos) {
      EXPECT_EQ(report.options.at("qp"), "0") << name;
    }
    if (name.find("_firstpass") != std::string::npos || name == "libx264-fastfirstpass") {
      EXPECT_EQ(report.options.at("ref"), "1") << name;
      EXPECT_EQ(report.options.at("8x8dct"), "0") << name;
      EXPECT_LE(std::stoi(report.options.at("subme")), 2) << name;
    }
  }
}

// The values the device presets must keep. -1: not checked.
struct DeviceCase {
  const char* name;
  int bitRate;  // kbit/s; 0 = constant quality (no bit rate)
  int maxRate;  // kbit/s
  int bufSize;  // kbit
  int gop;
  int bFrames;
  int refs;
  int level;
  int profile;  // 66 baseline, 77 main
  int cabac;
  friend void PrintTo(const DeviceCase& c, std::ostream* out) { *out << c.name; }
};

class X264DevicePresetTest : public X264PresetTest,
                             public ::testing::WithParamInterface<DeviceCase> {};

TEST_P(X264DevicePresetTest, KeepsItsRatesAndStructure) {
  const DeviceCase& c = GetParam();
  const media::TBuiltinPreset* preset = media::FindBuiltinPreset(c.name);
  ASSERT_NE(preset, nullptr);
  const X264Report report =
      ReadReport(EncodeWithLines(c.name, media::ParsePresetText(c.name, preset->Text)));
  ASSERT_FALSE(report.options.empty());
  const auto option = [&](const char* key) {
    const auto found = report.options.find(key);
    return found == report.options.end() ? std::string("(none)") : found->second;
  };
  if (c.bitRate > 0) {
    EXPECT_EQ(option("bitrate"), std::to_string(c.bitRate));
  } else if (c.bitRate == 0) {
    EXPECT_EQ(option("rc"), "crf");
  }
  if (c.maxRate >= 0) {
    EXPECT_EQ(option("vbv_maxrate"), std::to_string(c.maxRate));
  }
  if (c.bufSize >= 0) {
    EXPECT_EQ(option("vbv_bufsize"), std::to_string(c.bufSize));
  }
  if (c.gop >= 0) {
    EXPECT_EQ(option("keyint"), std::to_string(c.gop));
  }
  if (c.bFrames >= 0) {
    EXPECT_EQ(option("bframes"), std::to_string(c.bFrames));
  }
  if (c.refs >= 0) {
    EXPECT_EQ(option("ref"), std::to_string(c.refs));
  }
  if (c.cabac >= 0) {
    EXPECT_EQ(option("cabac"), std::to_string(c.cabac));
  }
  if (c.level >= 0) {
    EXPECT_EQ(report.level, c.level);
  }
  if (c.profile >= 0) {
    EXPECT_EQ(report.profile, c.profile);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Devices, X264DevicePresetTest,
    ::testing::Values(DeviceCase{"libx264-mp4", 1250, 1500, 4000, 250, 3, 1, 30, 77, 1},
                      DeviceCase{"libx264-psp", 1250, 1500, 4000, 250, 3, 1, 30, 77, 1},
                      DeviceCase{"libx264-ps3", 0, 3500, 4000, 250, 3, 1, 30, 77, 1},
                      DeviceCase{"libx264-ipod", 1000, 1250, 4000, 250, 0, 1, 30, 66, 0},
                      DeviceCase{"libx264-baseline", -1, -1, -1, -1, 0, -1, -1, 66, 0},
                      DeviceCase{"libx264-main", -1, -1, -1, -1, -1, -1, -1, 77, -1},
                      DeviceCase{"libx264-ipod320", 0, 768, 3000, -1, 0, -1, 13, 66, 0},
                      DeviceCase{"libx264-ipod640", 0, 10000, 10000, -1, 0, 1, 30, 66, 0}),
    [](const auto& info) {
      std::string label = info.param.name;
      for (char& ch : label) ch = ch == '-' ? '_' : ch;
      return label;
    });

// Through the whole path: vpre with the codec prefix into the option store,
// the stored options handed to a libx264 context.
TEST_F(OptionTest, VideoPresetReachesTheEncoderThroughTheStore) {
  if (!store.SetGenericOption("preset", "medium")) {
    GTEST_SKIP() << "the option store does not take encoder-private options yet";
  }
  Apply("vcodec", "libx264");
  Apply("vpre", "mp4");
  const AVCodec* codec = lib::avcodec_find_encoder_by_name("libx264");
  AVCodecContext* encoder = lib::avcodec_alloc_context3(codec);
  store.ApplyStoredOptions(encoder, VideoOptions(),
                           AV_OPT_FLAG_VIDEO_PARAM | AV_OPT_FLAG_ENCODING_PARAM);
  EXPECT_EQ(encoder->bit_rate, 1250000);
  EXPECT_EQ(encoder->rc_max_rate, 1500000);
  EXPECT_EQ(encoder->gop_size, 250);
  lib::avcodec_free_context(&encoder);
}

}  // namespace
