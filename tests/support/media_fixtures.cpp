#include "tests/support/media_fixtures.h"

#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "tests/support/fixtures.h"

namespace testsupport {
namespace fs = std::filesystem;

namespace {

std::string WriteOnce(const std::string& name, const std::string& content) {
  fs::path path = fs::path(VVC_TEST_FIXTURE_DIR) / name;
  fs::create_directories(path.parent_path());
  if (!fs::exists(path)) {
    fs::path partial = path;
    partial += ".part" + std::to_string(::getpid());
    { std::ofstream(partial, std::ios::binary) << content; }
    fs::rename(partial, path);
  }
  return path.string();
}

}  // namespace

std::string Mp4H264Aac() {
  return Fixture("h264-aac.mp4",
                 {"-f",       "lavfi",     "-i",       "testsrc=size=320x240:rate=25:duration=2",
                  "-f",       "lavfi",     "-i",       "sine=frequency=440:duration=2",
                  "-ac",      "2",         "-c:v",     "libx264",
                  "-preset",  "ultrafast", "-pix_fmt", "yuv420p",
                  "-c:a",     "aac",       "-b:a",     "96k",
                  "-shortest"});
}

std::string MkvWithSubtitle() {
  std::string srt = WriteOnce("subtitle.srt",
                              "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n"
                              "2\n00:00:01,000 --> 00:00:02,000\nWorld\n\n");
  return Fixture("with-subtitle.mkv", {"-f",
                                       "lavfi",
                                       "-i",
                                       "testsrc=size=176x144:rate=25:duration=2",
                                       "-f",
                                       "lavfi",
                                       "-i",
                                       "sine=duration=2",
                                       "-i",
                                       srt,
                                       "-map",
                                       "0",
                                       "-map",
                                       "1",
                                       "-map",
                                       "2",
                                       "-c:v",
                                       "mpeg4",
                                       "-c:a",
                                       "aac",
                                       "-c:s",
                                       "srt",
                                       "-metadata:s:a:0",
                                       "language=eng",
                                       "-metadata:s:s:0",
                                       "language=ger",
                                       "-metadata",
                                       "title=Matroska Title"});
}

std::string AviMpeg4Mp3() {
  return Fixture("mpeg4-mp3.avi",
                 {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25:duration=2", "-f", "lavfi",
                  "-i", "sine=duration=2", "-c:v", "mpeg4", "-c:a", "libmp3lame", "-shortest"});
}

std::string Mp3WithTitle() {
  return Fixture("titled.mp3", {"-f", "lavfi", "-i", "sine=duration=1", "-c:a", "libmp3lame",
                                "-id3v2_version", "3", "-metadata", "title=Probe Title"});
}

std::string Wav() {
  return Fixture("tone-1s.wav", {"-f", "lavfi", "-i", "sine=frequency=440:duration=1", "-ac", "1"});
}

std::string Ac3Surround() {
  return Fixture("surround.ac3", {"-f", "lavfi", "-i", "sine=duration=1", "-ac", "6", "-c:a", "ac3",
                                  "-b:a", "384k"});
}

std::string MpegTs() {
  return Fixture("ntsc.ts", {"-f", "lavfi", "-i", "testsrc=size=352x240:rate=30000/1001:duration=1",
                             "-f", "lavfi", "-i", "sine=duration=1", "-c:v", "mpeg2video", "-c:a",
                             "mp2", "-metadata:s:a:0", "language=eng", "-shortest"});
}

std::string TextFile() {
  return WriteOnce("notes.txt", "These are not the frames you are looking for.\n");
}

std::string EmptyFile() {
  return WriteOnce("empty.mp4", "");
}

std::string TruncatedMp4() {
  fs::path path = fs::path(VVC_TEST_FIXTURE_DIR) / "truncated.mp4";
  if (!fs::exists(path)) {
    std::ifstream in(Mp4H264Aac(), std::ios::binary);
    std::string head(3000, '\0');
    in.read(head.data(), static_cast<std::streamsize>(head.size()));
    head.resize(static_cast<size_t>(in.gcount()));
    return WriteOnce("truncated.mp4", head);
  }
  return path.string();
}

}  // namespace testsupport
