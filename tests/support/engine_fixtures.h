// Clips and a task runner for the transcoding engine's tests.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "media/engine/transcoder.h"

namespace testsupport {

std::string Clip30sAv();        // 320x240 25 fps MPEG-4 + 48 kHz stereo AAC, 30 s (MP4)
std::string Clip10sAv();        // as Clip30sAv, 10 s
std::string Clip5sAv();         // as Clip30sAv, 5 s
std::string Clip4sGrey25fps();  // 160x120 flat grey 25 fps MPEG-4, 4 s, no audio (AVI)

// Option lines for one side of a task.
struct TaskFiles {
  std::vector<std::string> Inputs;
  std::string InputOptions;  // applied before every input
  std::string Output;
  std::string OutputOptions;
  bool Join = false;
};

// Opens the inputs and the output of a task (failing the test when one
// does not open); `prepare` may set events before it runs.
void OpenTask(media::TCustomTranscoder& task, const TaskFiles& files);

// Seconds of the container as ffprobe reports them.
double ProbeDuration(const std::string& file, const std::string& stream = "");

}  // namespace testsupport
