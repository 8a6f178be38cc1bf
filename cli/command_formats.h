// vvc-cli formats: the output format catalogue by category, with each
// entry's code and name, marking the entries the loaded media libraries
// cannot produce.
#pragma once

#include <string>
#include <vector>

namespace cli {

int RunFormatsCommand(const std::vector<std::string>& args);

}  // namespace cli
