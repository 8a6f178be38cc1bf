// vvc-cli: the command-line front end of the converter engine.
#include <iostream>
#include <string>
#include <vector>

#include "app/global_object.h"
#include "cli/command_libraries.h"
#include "cli/usage.h"

int main(int argc, char** argv) {
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
  return cli::UsageError("unknown command '" + command + "'");
}
