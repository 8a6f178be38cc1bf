#include "media/engine/engine_exception.h"

#include <cstdarg>
#include <cstdio>

namespace media {

namespace {

std::string FormatList(const char* format, va_list args) {
  va_list copy;
  va_copy(copy, args);
  const int length = std::vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string text;
  if (length > 0) {
    text.resize(static_cast<size_t>(length) + 1);
    std::vsnprintf(text.data(), text.size(), format, args);
    text.resize(static_cast<size_t>(length));
  }
  return text;
}

}  // namespace

EngineException EngineException::Format(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatList(format, args);
  va_end(args);
  return EngineException(text);
}

std::string FormatText(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = FormatList(format, args);
  va_end(args);
  return text;
}

}  // namespace media
