// Placeholder: the global object (being written).
#pragma once
#include <string>
namespace app {
inline constexpr const char* kProductTitle = "Vey Video Converter";
std::string GetVersionText();
}  // namespace app
