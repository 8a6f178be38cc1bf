// vvc-cli transcode: runs one conversion task inline.
#pragma once

#include <string>
#include <vector>

namespace cli {

// transcode -i IN [--input-options LINES] -o OUT [--output-options LINES]
// LINES use the option-line syntax ("vcodec=mpeg4<CRLF>s=320x240"). Prints
// the progress line while converting; an error prints the task's message
// and gives 1; bad arguments give 2.
int RunTranscodeCommand(const std::vector<std::string>& args);

}  // namespace cli
