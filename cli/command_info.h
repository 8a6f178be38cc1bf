// `vvc-cli info [--json] FILE...`: the probe's description of each file.
// Files that cannot be opened print the probe's error on stderr; the others
// are still shown; the exit code is 1 when any failed.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunInfoCommand(const std::vector<std::string>& args);

}  // namespace cli
