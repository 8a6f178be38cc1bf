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
         "  play FILE [--headless] [--start S] [--for S] [--seek-to S] [--snapshot FILE.bmp] [--volume 0..128] [--mute]   play a file\n"
         "  transcode -i IN [--input-options LINES] -o OUT [--output-options LINES]\n"
         "                                  convert one file (LINES: \"vcodec=mpeg4<CRLF>s=320x240\")\n"
         "  --version                       print the program name and version\n"
         "  --help                          print this text\n";
}

int UsageError(const std::string& problem) {
  if (!problem.empty()) std::cerr << "vvc-cli: " << problem << "\n";
  std::cerr << UsageText();
  return 2;
}

}  // namespace cli
