// A minimal JSON writer for the command line's --json output: objects,
// arrays, strings (escaped), integers and reals, written in order.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace cli {

class JsonWriter {
 public:
  void BeginObject(const char* key = nullptr);
  void EndObject();
  void BeginArray(const char* key = nullptr);
  void EndArray();
  void String(const char* key, const std::string& value);
  void Integer(const char* key, int64_t value);
  void Real(const char* key, double value);
  const std::string& Text() const { return text_; }

  static std::string Escape(const std::string& value);

 private:
  void Prefix(const char* key);
  std::string text_;
  std::vector<bool> hasItems_;  // one per open container
};

}  // namespace cli
