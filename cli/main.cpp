// vvc-cli: the command-line front end of the converter engine.
#include <clocale>
#include <iostream>
#include <string>
#include <vector>

#include "app/global_object.h"
#include "cli/command_formats.h"
#include "cli/command_info.h"
#include "cli/command_libraries.h"
#include "cli/command_transcode.h"
#include "cli/command_play.h"
#include "cli/usage.h"

int main(int argc, char** argv) {
  // File names are handed on in the locale's character set.
  std::setlocale(LC_ALL, "");
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return cli::UsageError("no command given");
  const std::string command = args.front();
  std::vector<std::string> rest(args.begin() + 1, args.end());
  if (command == "--version" && rest.empty()) {
    std::cout << app::kProductTitle << app::GetVersionText() << "\n";
    return 0;
  }
  if ((command == "--help" || command == "-h") && rest.empty()) {
    std::cout << cli::UsageText();
    return 0;
  }
  if (command == "libraries") return cli::RunLibrariesCommand(rest);
  if (command == "formats") return cli::RunFormatsCommand(rest);
  if (command == "info") return cli::RunInfoCommand(rest);
  if (command == "transcode") return cli::RunTranscodeCommand(rest);
  if (command == "play") return cli::RunPlayCommand(rest);
  return cli::UsageError("unknown command '" + command + "'");
}
