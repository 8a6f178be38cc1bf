#include "cli/json_writer.h"

#include <cmath>
#include <cstdio>

namespace cli {

std::string JsonWriter::Escape(const std::string& value) {
  std::string out = "\"";
  for (unsigned char c : value) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (c < 0x20) {
          char buf[8];
          std::snprintf(buf, sizeof buf, "\\u%04x", c);
          out += buf;
        } else {
          out += static_cast<char>(c);  // UTF-8 passes through
        }
    }
  }
  return out + "\"";
}

void JsonWriter::Prefix(const char* key) {
  if (!hasItems_.empty()) {
    if (hasItems_.back()) text_ += ",";
    hasItems_.back() = true;
    text_ += "\n" + std::string(hasItems_.size() * 2, ' ');
  }
  if (key) text_ += Escape(key) + ": ";
}

void JsonWriter::BeginObject(const char* key) {
  Prefix(key);
  text_ += "{";
  hasItems_.push_back(false);
}

void JsonWriter::EndObject() {
  bool items = hasItems_.back();
  hasItems_.pop_back();
  if (items) text_ += "\n" + std::string(hasItems_.size() * 2, ' ');
  text_ += "}";
}

void JsonWriter::BeginArray(const char* key) {
  Prefix(key);
  text_ += "[";
  hasItems_.push_back(false);
}

void JsonWriter::EndArray() {
  bool items = hasItems_.back();
  hasItems_.pop_back();
  if (items) text_ += "\n" + std::string(hasItems_.size() * 2, ' ');
  text_ += "]";
}

void JsonWriter::String(const char* key, const std::string& value) {
  Prefix(key);
  text_ += Escape(value);
}

void JsonWriter::Integer(const char* key, int64_t value) {
  Prefix(key);
  text_ += std::to_string(value);
}

void JsonWriter::Real(const char* key, double value) {
  Prefix(key);
  if (!std::isfinite(value)) {
    text_ += "null";
    return;
  }
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.6g", value);
  text_ += buf;
}

}  // namespace cli
