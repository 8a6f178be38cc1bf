#include "cli/usage.h"

#include <iostream>

namespace cli {

std::string UsageText() {
  return "usage: vvc-cli COMMAND [OPTIONS]\n"
         "\n"
         "commands:\n"
         "  libraries [--library-dir DIR]   load the media libraries and show each one\n"
         "  formats [--library-dir DIR]     list the output formats, marking unavailable ones\n"
         "  info [--json] FILE...            describe media files (container, streams)\n"
         "  --version                       print the program name and version\n"
         "  --help                          print this text\n";
}

int UsageError(const std::string& problem) {
  if (!problem.empty()) std::cerr << "vvc-cli: " << problem << "\n";
  std::cerr << UsageText();
  return 2;
}

}  // namespace cli
