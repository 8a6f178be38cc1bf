#include "cli/command_transcode.h"

#include <iostream>

#include "cli/media_libraries.h"
#include "cli/usage.h"
#include "media/binding/engine_log.h"
#include "media/engine/converter_options.h"
#include "media/engine/engine_exception.h"
#include "media/engine/transcoder.h"

namespace cli {
namespace {

void ApplyLines(media::TCustomTranscoder& task, const std::string& lines) {
  for (const auto& line : media::ParseOptionLines(lines))
    if (!line.Key.empty()) task.ApplyOption(line.Key, line.Value);
}

}  // namespace

int RunTranscodeCommand(const std::vector<std::string>& args) {
  std::string input, output, inputOptions, outputOptions;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (i + 1 >= args.size()) return UsageError("transcode: " + arg + " needs a value");
    const std::string& value = args[++i];
    if (arg == "-i")
      input = value;
    else if (arg == "-o")
      output = value;
    else if (arg == "--input-options")
      inputOptions = value;
    else if (arg == "--output-options")
      outputOptions = value;
    else
      return UsageError("transcode: unknown argument '" + arg + "'");
  }
  if (input.empty() || output.empty()) return UsageError("transcode: -i IN and -o OUT are needed");
  if (!LoadMediaLibraries(media::ConverterLibraries, DefaultLibraryFolder())) return 1;
  media::EngineLog().SetTriggerEventInMainThread(false);
  try {
    media::TCustomTranscoder task;
    task.ApplyOption("v", "0");
    ApplyLines(task, inputOptions);
    if (!task.OpenInput(input)) {
      std::cerr << task.ErrorText() << "\n";
      return 1;
    }
    ApplyLines(task, outputOptions);
    if (task.OpenOutput(output, false) < 0) {
      std::cerr << task.ErrorText() << "\n";
      return 1;
    }
    task.OnProgress = [](media::TProgressInfo& info) {
      std::cerr << "\rframe=" << info.CurrentFrame << " fps=" << info.CurrentFPS
                << " size=" << info.CurrentSize / 1024
                << "kB time=" << info.CurrentDuration / 10000 / 100.0 << " bitrate=" << info.BitRate
                << "kbits/s" << std::flush;
    };
    task.Transcode();
    std::cerr << "\n";
  } catch (const media::EngineException& e) {
    std::cerr << "\n" << e.what() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace cli
