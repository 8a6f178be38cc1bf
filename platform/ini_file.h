// INI file access by full path, never cached.
//
// Every read opens and parses the file; every write loads the file, changes
// one key and saves it at once (creating the file and its folder when they
// are missing; the file is replaced atomically so a failed write never
// leaves it half written). Section and key names are compared without
// regard to letter case; values are trimmed. Integers and Booleans are
// stored as decimal text, Booleans as "1"/"0".
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace platform {

class IniFile {
 public:
  explicit IniFile(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }

  // The value, or `def` when the file, the section or the key is missing.
  std::string ReadString(const std::string& section, const std::string& key,
                         const std::string& def) const;
  // The value as a decimal integer (optional sign, surrounding blanks
  // allowed); `def` when missing or not an integer that fits.
  int ReadInteger(const std::string& section, const std::string& key, int def) const;
  // An integer value that is not 0; `def` when missing or not an integer.
  bool ReadBool(const std::string& section, const std::string& key, bool def) const;

  bool SectionExists(const std::string& section) const;
  bool ValueExists(const std::string& section, const std::string& key) const;
  // Key names of a section in file order (empty when missing).
  std::vector<std::string> ReadSectionKeys(const std::string& section) const;
  // Section names in file order.
  std::vector<std::string> ReadSections() const;

  // Writes return false when the file cannot be written, when an existing
  // file cannot be read (it is then left as it is), and for a section or key
  // name or a value that would change the file's structure (line breaks, "="
  // in a key, "]" in a section, empty names). Comments and every other section
  // and key of the file are kept.
  bool WriteString(const std::string& section, const std::string& key, const std::string& value);
  bool WriteInteger(const std::string& section, const std::string& key, int value);
  bool WriteBool(const std::string& section, const std::string& key, bool value);
  bool DeleteKey(const std::string& section, const std::string& key);
  bool EraseSection(const std::string& section);

  // While a ReadScope lives, reads through this object parse the file once
  // and share that result, and a write through it refreshes it: for one
  // handler that reads many keys of a file at once. Scopes may nest; the
  // outermost one decides. Not for sharing between threads.
  class ReadScope {
   public:
    explicit ReadScope(const IniFile& ini);
    ~ReadScope();
    ReadScope(const ReadScope&) = delete;
    ReadScope& operator=(const ReadScope&) = delete;

   private:
    const IniFile& ini_;
    bool outermost_;
  };

 private:
  struct Parsed;
  // The parsed file while a ReadScope lives; null otherwise.
  std::shared_ptr<const Parsed> Current() const;
  void Refresh();

  std::string path_;
  mutable std::shared_ptr<const Parsed> held_;
};

}  // namespace platform
