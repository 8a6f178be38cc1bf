#include "tests/support/engine_fixtures.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "media/engine/converter_options.h"
#include "tests/support/fixtures.h"

namespace testsupport {
namespace {

std::string AvClip(const std::string& name, int seconds) {
  const std::string duration = std::to_string(seconds);
  return Fixture(name, {"-f", "lavfi", "-i", "testsrc=size=320x240:rate=25", "-f", "lavfi", "-i",
                        "sine=frequency=440:sample_rate=48000", "-ac", "2", "-t", duration, "-c:v",
                        "mpeg4", "-q:v", "5", "-c:a", "aac"});
}

}  // namespace

std::string Clip30sAv() {
  return AvClip("engine_av_30s.mp4", 30);
}
std::string Clip10sAv() {
  return AvClip("engine_av_10s.mp4", 10);
}
std::string Clip5sAv() {
  return AvClip("engine_av_5s.mp4", 5);
}
std::string Clip4sGrey25fps() {
  return Fixture("engine_grey_4s.avi", {"-f", "lavfi", "-i", "color=c=gray:size=160x120:rate=25",
                                        "-t", "4", "-c:v", "mpeg4", "-q:v", "2"});
}

void OpenTask(media::TCustomTranscoder& task, const TaskFiles& files) {
  task.ApplyOption("v", "-1");
  for (const auto& input : files.Inputs) {
    for (const auto& line : media::ParseOptionLines(files.InputOptions))
      if (!line.Key.empty()) task.ApplyOption(line.Key, line.Value);
    ASSERT_TRUE(task.OpenInput(input)) << task.ErrorText();
  }
  for (const auto& line : media::ParseOptionLines(files.OutputOptions))
    if (!line.Key.empty()) task.ApplyOption(line.Key, line.Value);
  ASSERT_GT(task.OpenOutput(files.Output, files.Join), 0) << task.ErrorText();
}

double ProbeDuration(const std::string& file, const std::string& stream) {
  const std::string text =
      FfprobeEntries(file, stream.empty() ? "format=duration" : "stream=duration", stream);
  const auto at = text.find('=');
  return at == std::string::npos ? -1.0 : std::atof(text.c_str() + at + 1);
}

}  // namespace testsupport
