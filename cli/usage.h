// Usage text of the command-line front end.
#pragma once

#include <string>

namespace cli {

std::string UsageText();

// Prints the usage text to stderr, with an optional first line; returns 2.
int UsageError(const std::string& problem);

}  // namespace cli
