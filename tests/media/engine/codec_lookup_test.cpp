// The codec lookup: names, media types, experimental codecs and the renames
// of old encoder names.
#include "media/engine/codec_lookup.h"

#include <gtest/gtest.h>

#include <string>

#include "media/binding/entry_table.h"
#include "tests/media/engine/option_test_fixture.h"

namespace {

using enginetest::OptionTest;
using media::FindCodec;

bool HasEncoder(const char* name) {
  return lib::avcodec_find_encoder_by_name(name) != nullptr;
}

struct LookupCase {
  const char* label;
  const char* name;
  AVMediaType type;
  bool encoder;
  int strictness;
  const char* codec;  // the codec found, or null when the lookup fails
  const char* error;
  friend void PrintTo(const LookupCase& c, std::ostream* out) { *out << c.label; }
};

class CodecLookupTest : public OptionTest, public ::testing::WithParamInterface<LookupCase> {};

TEST_P(CodecLookupTest, FindsOrExplains) {
  const LookupCase& c = GetParam();
  const media::TCodecLookup result = FindCodec(c.name, c.type, c.encoder, c.strictness);
  if (c.codec) {
    ASSERT_TRUE(result.Ok) << result.ErrorText;
    ASSERT_NE(result.Codec, nullptr);
    EXPECT_STREQ(result.Codec->name, c.codec);
    EXPECT_EQ(result.Id, result.Codec->id);
    EXPECT_EQ(result.ErrorText, "");
  } else {
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.Codec, nullptr);
    EXPECT_EQ(result.ErrorText, c.error);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Names, CodecLookupTest,
    ::testing::Values(LookupCase{"encoder", "mpeg4", AVMEDIA_TYPE_VIDEO, true, 0, "mpeg4", nullptr},
                      LookupCase{"decoder", "h264", AVMEDIA_TYPE_VIDEO, false, 0, "h264", nullptr},
                      LookupCase{"unknown_encoder", "nosuch", AVMEDIA_TYPE_VIDEO, true, 0, nullptr,
                                 "Unknown encoder 'nosuch'"},
                      LookupCase{"unknown_decoder", "nosuch", AVMEDIA_TYPE_AUDIO, false, 0, nullptr,
                                 "Unknown decoder 'nosuch'"},
                      LookupCase{"decoder_only_name", "h264", AVMEDIA_TYPE_VIDEO, true, 0, nullptr,
                                 "Unknown encoder 'h264'"},
                      LookupCase{"wrong_type", "mpeg4", AVMEDIA_TYPE_AUDIO, true, 0, nullptr,
                                 "Invalid encoder type 'mpeg4'"},
                      LookupCase{"wrong_decoder_type", "mp3", AVMEDIA_TYPE_SUBTITLE, false, 0,
                                 nullptr, "Invalid decoder type 'mp3'"},
                      LookupCase{"old_faac_name", "libfaac", AVMEDIA_TYPE_AUDIO, true, 0, "aac",
                                 nullptr},
                      LookupCase{"old_name_as_decoder_stays", "vorbis", AVMEDIA_TYPE_AUDIO, false,
                                 0, "vorbis", nullptr}),
    [](const auto& info) { return std::string(info.param.label); });

TEST_F(OptionTest, EmptyNameSucceedsWithoutCodec) {
  const media::TCodecLookup result = FindCodec("", AVMEDIA_TYPE_VIDEO, true, 0);
  EXPECT_TRUE(result.Ok);
  EXPECT_EQ(result.Codec, nullptr);
  EXPECT_EQ(result.Id, AV_CODEC_ID_NONE);
}

TEST_F(OptionTest, RenamedEncoderIsLogged) {
  FindCodec("libfaac", AVMEDIA_TYPE_AUDIO, true, 0);
  EXPECT_TRUE(Logged(media::llInfo, "Encoder 'libfaac' is not available, using 'aac' instead"));
  EXPECT_TRUE(media::EncoderAvailable("libfaac"));
  EXPECT_FALSE(media::EncoderAvailable(""));
  EXPECT_FALSE(media::EncoderAvailable("nosuch"));
}

TEST_F(OptionTest, VorbisEncoderBecomesLibvorbisWhenPresent) {
  const media::TCodecLookup result = FindCodec("vorbis", AVMEDIA_TYPE_AUDIO, true, 0);
  if (HasEncoder("libvorbis")) {
    ASSERT_TRUE(result.Ok) << result.ErrorText;
    EXPECT_STREQ(result.Codec->name, "libvorbis");
  } else {
    // Only the experimental native encoder is left.
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.ErrorText.rfind("encoder 'vorbis' is experimental", 0), 0u);
  }
}

TEST_F(OptionTest, MissingAmrEncoderFailsUnderItsOwnName) {
  const media::TCodecLookup result = FindCodec("libamr_nb", AVMEDIA_TYPE_AUDIO, true, 0);
  if (HasEncoder("libopencore_amrnb")) {
    EXPECT_STREQ(result.Codec->name, "libopencore_amrnb");
  } else {
    EXPECT_FALSE(result.Ok);
    EXPECT_EQ(result.ErrorText, "Unknown encoder 'libamr_nb'");
    EXPECT_FALSE(media::EncoderAvailable("libamr_nb"));
  }
}

TEST_F(OptionTest, ExperimentalEncoderNeedsStrictExperimental) {
  const AVCodec* native = lib::avcodec_find_encoder_by_name("opus");
  if (!native || !(native->capabilities & AV_CODEC_CAP_EXPERIMENTAL)) {
    GTEST_SKIP() << "no experimental opus encoder";
  }
  std::string expected =
      "encoder 'opus' is experimental and might produce bad results.\r\n"
      "Add '-strict experimental' if you want to use it.";
  if (HasEncoder("libopus")) expected += "\r\nOr use the non experimental encoder 'libopus'.";
  EXPECT_EQ(FindCodec("opus", AVMEDIA_TYPE_AUDIO, true, -1).ErrorText, expected);
  EXPECT_EQ(FindCodec("opus", AVMEDIA_TYPE_AUDIO, true, 0).ErrorText, expected);
  const media::TCodecLookup allowed =
      FindCodec("opus", AVMEDIA_TYPE_AUDIO, true, FF_COMPLIANCE_EXPERIMENTAL);
  EXPECT_TRUE(allowed.Ok);
  EXPECT_EQ(allowed.Id, AV_CODEC_ID_OPUS);
}

}  // namespace
