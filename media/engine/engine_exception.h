// The transcoding engine's one exception class. Every configuration check
// of the engine raises it with the text the caller shows; the converter
// component turns it into LastErrMsg (or a task's termination record) and
// it never leaves the component.
#pragma once

#include <stdexcept>
#include <string>

namespace media {

class EngineException : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;

  // An exception with a printf-formatted text.
  [[nodiscard]] static EngineException Format(const char* format, ...)
      __attribute__((format(printf, 1, 2)));
};

// printf into a std::string of whatever length the text needs.
std::string FormatText(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace media
