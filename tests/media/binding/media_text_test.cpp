// Texts for error codes, durations, file sizes, codec names and media types.
#include "media/binding/media_text.h"

#include <gtest/gtest.h>

#include "media/binding/entry_table.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;

TEST(LibraryErrorTextTest, NamesTheFileAndTheCodesMeaning) {
  const struct {
    int code;
    const char* text;
  } cases[] = {
      {-2, "a.avi: No such file or directory"},
      {AVERROR(EIO), "a.avi: I/O error"},
      {AVERROR(ENOMEM), "a.avi: Not enough memory"},
      {AVERROR_INVALIDDATA, "a.avi: Invalid data found when processing input"},
      {AVERROR_EOF, "a.avi: End of file"},
      {AVERROR(EDOM), "a.avi: Number syntax expected in filename"},
      {AVERROR_DEMUXER_NOT_FOUND, "a.avi: Unknown format"},
      {AVERROR_PROTOCOL_NOT_FOUND, "a.avi: Unsupported network protocol"},
      {AVERROR_PATCHWELCOME, "a.avi: Not yet implemented in FFmpeg"},
      {AVERROR(EISDIR), "a.avi: Is a directory"},
      {AVERROR(ENOSPC), "a.avi: No space left on device"},
      {-7, "a.avi: Error number -7 occurred"},
      {AVERROR(EINVAL), "a.avi: Error number -22 occurred"},
      {0, "a.avi: Error number 0 occurred"},
  };
  for (const auto& c : cases) EXPECT_EQ(LibraryErrorText("a.avi", c.code), c.text) << c.code;
}

TEST(FormatDurationTest, HoursMinutesSecondsMilliseconds) {
  const struct {
    int64_t microseconds;
    const char* text;
  } cases[] = {
      {0, "00:00:00.000"},
      {AV_NOPTS_VALUE, "N/A"},
      {int64_t{100} * 3600 * 1000000, "100:00:00.000"},
      {3723456789, "01:02:03.456"},
      {999, "00:00:00.000"},
      {59999999, "00:00:59.999"},
      {int64_t{86400} * 1000000 * 3, "72:00:00.000"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatDuration(c.microseconds), c.text) << c.microseconds;
}

TEST(FormatFileSizeTest, PicksTheUnitAboveEachPowerOf1024) {
  const struct {
    int64_t bytes;
    const char* text;
  } cases[] = {
      {0, "0 Byte"},
      {-1, "-1 Byte"},
      {1024, "1024 Byte"},
      {1025, "1.00 KB"},
      {1536, "1.50 KB"},
      {1048576, "1024.00 KB"},
      {1048577, "1.00 MB"},
      {1073741824, "1024.00 MB"},
      {1073741825, "1.00 GB"},
      {int64_t{5} * 1073741824 + 536870912, "5.50 GB"},
      {int64_t{4096} * 1073741824, "4096.00 GB"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatFileSize(c.bytes), c.text) << c.bytes;
}

TEST(MediaTypeNameTest, NamesEveryType) {
  const struct {
    int type;
    const char* name;
  } cases[] = {{AVMEDIA_TYPE_VIDEO, "Video"},
               {AVMEDIA_TYPE_AUDIO, "Audio"},
               {AVMEDIA_TYPE_DATA, "Data"},
               {AVMEDIA_TYPE_SUBTITLE, "Subtitle"},
               {AVMEDIA_TYPE_ATTACHMENT, "Attachment"},
               {AVMEDIA_TYPE_UNKNOWN, "Unknown"},
               {5, "Unknown"}};
  for (const auto& c : cases) EXPECT_EQ(MediaTypeName(c.type), c.name) << c.type;
}

constexpr uint32_t kXvid = MKTAG('X', 'V', 'I', 'D');

TEST(CodecNameTextTest, CodecNamesAndFallbacks) {
  testsupport::LoadRealLibraries();
  const struct {
    AVCodecID id;
    uint32_t tag;
    bool encoder;
    const char* text;
  } cases[] = {
      {AV_CODEC_ID_H264, 0, false, "h264(H.264 / AVC / MPEG-4 AVC / MPEG-4 part 10)"},
      {AV_CODEC_ID_PCM_S16LE, 0, true, "pcm_s16le(PCM signed 16-bit little-endian)"},
      {AV_CODEC_ID_MPEG2TS, kXvid, false, "mpeg2ts"},
      // No codec in the libraries, but a known name for the id.
      {AV_CODEC_ID_SMPTE_KLV, kXvid, false, "klv"},
      {AV_CODEC_ID_NONE, kXvid, false, "XVID / 0x44495658"},
      {AV_CODEC_ID_NONE, MKTAG('d', 'i', 'v', 'x'), true, "divx / 0x78766964"},
      {AV_CODEC_ID_NONE, MKTAG('a', 'b', 'c', 0x7F), false, "0x7f636261"},
      {AV_CODEC_ID_NONE, 1, false, "0x0001"},
      {AV_CODEC_ID_NONE, 0, false, "0x0000"},
  };
  AVCodecContext* context = lib::avcodec_alloc_context3(nullptr);
  ASSERT_NE(context, nullptr);
  for (const auto& c : cases) {
    EXPECT_EQ(CodecNameText(c.id, c.tag, c.encoder), c.text) << c.id;
    context->codec_id = c.id;
    context->codec_tag = c.tag;
    EXPECT_EQ(CodecNameText(context, c.encoder), c.text) << "context " << c.id;
  }
  lib::avcodec_free_context(&context);
  EXPECT_EQ(CodecNameText(nullptr, false), "");
}

}  // namespace
