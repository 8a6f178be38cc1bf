#include "platform/ini_file.h"

#include <SimpleIni.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <fstream>
#include <mutex>

namespace platform {
namespace fs = std::filesystem;

namespace {

// Serialises every read-modify-write of any INI file in this process, so two
// threads writing different keys of one file never lose each other's change.
std::mutex& WriteMutex() {
  static std::mutex mutex;
  return mutex;
}

constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";

enum class LoadResult { Loaded, Missing, Failed };

// Reads the whole file. A missing file is not an error (it reads as empty);
// a file that exists but cannot be read is, so a write never replaces
// content it could not see.
LoadResult ReadRaw(const std::string& path, std::string* text) {
  text->clear();
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT ? LoadResult::Missing : LoadResult::Failed;
  struct stat st {};
  if (fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    close(fd);
    return LoadResult::Failed;
  }
  char buffer[8192];
  for (;;) {
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n == 0) break;
    if (n < 0) {
      if (errno == EINTR) continue;
      close(fd);
      return LoadResult::Failed;
    }
    text->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return LoadResult::Loaded;
}

void Configure(CSimpleIniA& ini) {
  ini.SetUnicode(true);  // names and values are UTF-8 whatever the locale
  ini.SetMultiKey(false);
  ini.SetMultiLine(false);
  ini.SetSpaces(false);  // write "key=value", as INI files usually are
}

LoadResult Load(const std::string& path, CSimpleIniA& ini, std::string* raw) {
  std::string local;
  std::string& text = raw ? *raw : local;
  LoadResult result = ReadRaw(path, &text);
  if (result != LoadResult::Loaded) return result;
  return ini.LoadData(text) < 0 ? LoadResult::Failed : LoadResult::Loaded;
}

std::string_view TrimLeft(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t' || s[i] == '\r')) ++i;
  return s.substr(i);
}

bool IsBlankLine(std::string_view line) {
  return TrimLeft(line).empty();
}
bool IsCommentLine(std::string_view line) {
  std::string_view t = TrimLeft(line);
  return !t.empty() && (t[0] == ';' || t[0] == '#');
}

// SimpleIni keeps a comment only as the comment of the section or key that
// follows it (and the first block of a file as the file's comment). Comment
// lines after the last section or key have no owner and would be dropped on
// save; this returns them (with their inner blank lines) so they can be put
// back at the end.
std::string OrphanTail(const std::string& raw) {
  std::vector<std::string_view> lines;
  std::string_view rest(raw);
  while (!rest.empty()) {
    size_t nl = rest.find('\n');
    std::string_view line = rest.substr(0, nl);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    if (nl == std::string_view::npos) break;
    rest.remove_prefix(nl + 1);
  }
  size_t start = lines.size();
  bool anyEntry = false;
  for (size_t i = lines.size(); i-- > 0;) {
    if (!IsBlankLine(lines[i]) && !IsCommentLine(lines[i])) {
      start = i + 1;
      anyEntry = true;
      break;
    }
  }
  if (!anyEntry) {
    // Only comments: the first block is kept as the file comment.
    size_t i = 0;
    while (i < lines.size() && IsBlankLine(lines[i])) ++i;
    while (i < lines.size() && IsCommentLine(lines[i])) ++i;
    start = i;
  }
  while (start < lines.size() && IsBlankLine(lines[start])) ++start;
  size_t end = lines.size();
  while (end > start && IsBlankLine(lines[end - 1])) --end;
  std::string tail;
  for (size_t i = start; i < end; ++i) {
    tail.append(lines[i]);
    tail.push_back('\n');
  }
  return tail;
}

// The process's file creation mask, read without changing it (umask(2)
// would have to set it, which races with other threads).
mode_t CurrentUmask() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("Umask:", 0) == 0) {
      unsigned value = 0;
      std::string_view digits = TrimLeft(std::string_view(line).substr(6));
      auto [ptr, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), value, 8);
      if (ec == std::errc()) return static_cast<mode_t>(value & 0777);
    }
  }
  return 022;
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes `data` to a temporary file beside `path` and renames it over
// `path`, so the file is always either the old or the new content.
bool ReplaceFile(const std::string& path, const std::string& data) {
  std::string target = path;
  struct stat st {};
  bool exists = false;
  if (lstat(path.c_str(), &st) == 0) {
    if (S_ISLNK(st.st_mode)) {
      // Replace the file the link points to, not the link.
      std::error_code ec;
      fs::path resolved = fs::weakly_canonical(path, ec);
      if (!ec) target = resolved.string();
    }
    exists = stat(target.c_str(), &st) == 0;
  }
  fs::path parent = fs::path(target).parent_path();
  if (!parent.empty()) {
    std::error_code ec;
    fs::create_directories(parent, ec);
  }
  std::string temp = target + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  mode_t mode = exists ? (st.st_mode & 07777) : (0666 & ~CurrentUmask());
  bool ok = WriteAll(fd, data) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
  ok = (close(fd) == 0) && ok;
  if (ok) ok = rename(temp.c_str(), target.c_str()) == 0;
  if (!ok) unlink(temp.c_str());
  return ok;
}

bool HasLineBreak(const std::string& s) {
  return s.find_first_of("\r\n") != std::string::npos;
}

// Names and values that would change the structure of the file when written
// (a line break starts a new line; "=" in a key or "]" in a section name
// would be read back differently) are refused.
bool ValidSection(const std::string& section) {
  return !section.empty() && !HasLineBreak(section) && section.find(']') == std::string::npos;
}
bool ValidKey(const std::string& key) {
  std::string_view t = TrimLeft(key);
  return !t.empty() && !HasLineBreak(key) && key.find('=') == std::string::npos && t[0] != '[' &&
         t[0] != ';' && t[0] != '#';
}

// Loads the file, applies `change` and saves the result. `change` returns
// < 0 on failure, 0 when nothing changed (nothing is written), > 0 when the
// file must be saved. Returns false when the file could not be read or
// written or the change failed.
template <typename Change>
bool Modify(const std::string& path, Change change) {
  std::lock_guard lock(WriteMutex());
  CSimpleIniA ini;
  Configure(ini);
  std::string raw;
  LoadResult loaded = Load(path, ini, &raw);
  if (loaded == LoadResult::Failed) return false;
  int changed = change(ini);
  if (changed < 0) return false;
  if (changed == 0) return true;
  std::string out;
  if (ini.Save(out, false) < 0) return false;
  std::string tail = OrphanTail(raw);
  if (!tail.empty()) {
    if (!out.empty()) out += "\n";
    out += tail;
  }
  if (raw.rfind(kUtf8Bom, 0) == 0) out.insert(0, kUtf8Bom);
  return ReplaceFile(path, out);
}

bool ParseInteger(std::string_view text, int* value) {
  auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
  while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
  if (!text.empty() && text.front() == '+') {
    text.remove_prefix(1);
    if (!text.empty() && text.front() == '-') return false;
  }
  if (text.empty()) return false;
  int parsed = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), parsed, 10);
  if (ec != std::errc() || ptr != text.data() + text.size()) return false;
  *value = parsed;
  return true;
}

}  // namespace

// One parse of the file. `loaded` is false for a missing or unreadable
// file, which reads as empty.
struct IniFile::Parsed {
  CSimpleIniA ini;
  bool loaded = false;
};

std::shared_ptr<const IniFile::Parsed> IniFile::Current() const {
  if (held_) return held_;
  auto parsed = std::make_shared<Parsed>();
  Configure(parsed->ini);
  parsed->loaded = Load(path_, parsed->ini, nullptr) == LoadResult::Loaded;
  return parsed;
}

void IniFile::Refresh() {
  if (!held_) return;
  held_.reset();
  held_ = Current();
}

IniFile::ReadScope::ReadScope(const IniFile& ini) : ini_(ini), outermost_(!ini.held_) {
  if (outermost_) ini_.held_ = ini_.Current();
}

IniFile::ReadScope::~ReadScope() {
  if (outermost_) ini_.held_.reset();
}

std::string IniFile::ReadString(const std::string& section, const std::string& key,
                                const std::string& def) const {
  auto parsed = Current();
  if (!parsed->loaded) return def;
  const char* value = parsed->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  return value ? std::string(value) : def;
}

int IniFile::ReadInteger(const std::string& section, const std::string& key, int def) const {
  auto parsed = Current();
  if (!parsed->loaded) return def;
  const char* value = parsed->ini.GetValue(section.c_str(), key.c_str(), nullptr);
  int result = def;
  if (!value || !ParseInteger(value, &result)) return def;
  return result;
}

bool IniFile::ReadBool(const std::string& section, const std::string& key, bool def) const {
  return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool IniFile::SectionExists(const std::string& section) const {
  auto parsed = Current();
  return parsed->loaded && parsed->ini.GetSectionSize(section.c_str()) >= 0;
}

bool IniFile::ValueExists(const std::string& section, const std::string& key) const {
  auto parsed = Current();
  return parsed->loaded && parsed->ini.KeyExists(section.c_str(), key.c_str());
}

std::vector<std::string> IniFile::ReadSectionKeys(const std::string& section) const {
  auto parsed = Current();
  std::vector<std::string> result;
  if (!parsed->loaded) return result;
  CSimpleIniA::TNamesDepend keys;
  if (!parsed->ini.GetAllKeys(section.c_str(), keys)) return result;
  keys.sort(CSimpleIniA::Entry::LoadOrder());
  for (const auto& entry : keys) result.emplace_back(entry.pItem);
  return result;
}

std::vector<std::string> IniFile::ReadSections() const {
  auto parsed = Current();
  std::vector<std::string> result;
  if (!parsed->loaded) return result;
  CSimpleIniA::TNamesDepend sections;
  parsed->ini.GetAllSections(sections);
  sections.sort(CSimpleIniA::Entry::LoadOrder());
  for (const auto& entry : sections) {
    // Keys above the first section header belong to no named section.
    if (entry.pItem[0] != '\0') result.emplace_back(entry.pItem);
  }
  return result;
}

bool IniFile::WriteString(const std::string& section, const std::string& key,
                          const std::string& value) {
  if (!ValidSection(section) || !ValidKey(key) || HasLineBreak(value)) return false;
  bool ok = Modify(path_, [&](CSimpleIniA& ini) {
    return ini.SetValue(section.c_str(), key.c_str(), value.c_str()) < 0 ? -1 : 1;
  });
  Refresh();
  return ok;
}

bool IniFile::WriteInteger(const std::string& section, const std::string& key, int value) {
  return WriteString(section, key, std::to_string(value));
}

bool IniFile::WriteBool(const std::string& section, const std::string& key, bool value) {
  return WriteString(section, key, value ? "1" : "0");
}

bool IniFile::DeleteKey(const std::string& section, const std::string& key) {
  bool ok = Modify(
      path_, [&](CSimpleIniA& ini) { return ini.Delete(section.c_str(), key.c_str()) ? 1 : 0; });
  Refresh();
  return ok;
}

bool IniFile::EraseSection(const std::string& section) {
  bool ok = Modify(
      path_, [&](CSimpleIniA& ini) { return ini.Delete(section.c_str(), nullptr) ? 1 : 0; });
  Refresh();
  return ok;
}

}  // namespace platform
