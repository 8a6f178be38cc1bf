// `vvc-cli libraries [--library-dir DIR]`: loads the converter set, then the
// player set, and prints per library its file name and whether it loaded.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunLibrariesCommand(const std::vector<std::string>& args);

}  // namespace cli
