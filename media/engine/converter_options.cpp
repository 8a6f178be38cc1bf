#include "media/engine/converter_options.h"

extern "C" {
#include <libavutil/avutil.h>
}

namespace media {

static_assert(kNoTimestamp == AV_NOPTS_VALUE);

void ResetStreamInfo(TStreamInfo& info) {
  info = TStreamInfo{};
}
void ResetInputOptions(TInputOptions& options) {
  options = TInputOptions{};
}
void ResetOutputOptions(TOutputOptions& options) {
  options = TOutputOptions{};
}

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= 0x20;
}

char LowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

std::string TrimText(std::string_view text) {
  size_t first = 0;
  size_t last = text.size();
  while (first < last && IsBlank(text[first])) ++first;
  while (last > first && IsBlank(text[last - 1])) --last;
  return std::string(text.substr(first, last - first));
}

std::string UnifyLineBreaks(std::string_view text) {
  std::string result;
  result.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r') {
      result += '\n';
      if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      result += text[i];
    }
  }
  return result;
}

std::vector<TOptionLine> ParseOptionLines(std::string_view text) {
  const std::string unified = UnifyLineBreaks(TrimText(text));
  static constexpr std::string_view kMarker = "<CRLF>";
  std::string lines;
  lines.reserve(unified.size());
  for (size_t at = 0; at < unified.size();) {
    if (unified.compare(at, kMarker.size(), kMarker) == 0) {
      lines += '\n';
      at += kMarker.size();
    } else {
      lines += unified[at++];
    }
  }

  std::vector<TOptionLine> result;
  std::string_view rest = lines;
  while (!rest.empty()) {
    const size_t end = rest.find('\n');
    const std::string_view line = rest.substr(0, end);
    rest = end == std::string_view::npos ? std::string_view{} : rest.substr(end + 1);

    TOptionLine option;
    const size_t equals = line.find('=');
    option.Key = std::string(line.substr(0, equals));
    if (equals != std::string_view::npos) option.Value = std::string(line.substr(equals + 1));
    for (char& c : option.Key) c = LowerAscii(c);
    result.push_back(std::move(option));
  }
  return result;
}

}  // namespace media
