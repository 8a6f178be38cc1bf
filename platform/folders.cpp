#include "platform/folders.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string_view>
#include <vector>

namespace platform {
namespace fs = std::filesystem;

namespace {

std::string Env(const char* name) {
  const char* value = std::getenv(name);
  return value ? std::string(value) : std::string();
}

std::string WithoutTrailingSlash(std::string folder) {
  while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
  return folder;
}

// The effective user's passwd entry: login name and home folder.
bool PasswdEntry(std::string* name, std::string* home) {
  long size = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  struct passwd entry {};
  struct passwd* found = nullptr;
  for (;;) {
    int rc = getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found);
    if (rc == ERANGE && buffer.size() < (1u << 20)) {
      buffer.resize(buffer.size() * 2);
      continue;
    }
    if (rc != 0 || !found) return false;
    break;
  }
  if (name) *name = found->pw_name ? found->pw_name : "";
  if (home) *home = found->pw_dir ? found->pw_dir : "";
  return true;
}

// $HOME, else the passwd entry's home folder; without trailing "/" (the
// root folder as home gives "").
std::string HomeFolder() {
  std::string home = Env("HOME");
  if (home.empty()) PasswdEntry(nullptr, &home);
  home = WithoutTrailingSlash(home);
  return home == "/" ? std::string() : home;  // so "/videoconverter", not "//videoconverter"
}

// $XDG_CONFIG_HOME when it is an absolute path, else ~/.config.
std::string ConfigHome() {
  std::string config = Env("XDG_CONFIG_HOME");
  if (!config.empty() && config.front() == '/') return WithoutTrailingSlash(config);
  return HomeFolder() + "/.config";
}

std::string_view Trim(std::string_view s) {
  const char* blanks = " \t\r\n";
  size_t first = s.find_first_not_of(blanks);
  if (first == std::string_view::npos) return {};
  size_t last = s.find_last_not_of(blanks);
  return s.substr(first, last - first + 1);
}

// The videos folder from user-dirs.dirs, read as data (the file is shell
// syntax, but its format allows only "$HOME/..." or an absolute path in
// double quotes, so nothing is ever run). Empty when not configured.
std::string XdgVideosFolder() {
  std::ifstream file(ConfigHome() + "/user-dirs.dirs");
  std::string line, result;
  while (std::getline(file, line)) {
    std::string_view text = Trim(line);
    if (text.empty() || text.front() == '#') continue;
    size_t eq = text.find('=');
    if (eq == std::string_view::npos || Trim(text.substr(0, eq)) != "XDG_VIDEOS_DIR") continue;
    std::string_view value = Trim(text.substr(eq + 1));
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') {
      value = value.substr(1, value.size() - 2);
    }
    std::string path;
    for (size_t i = 0; i < value.size(); ++i) {
      // A backslash escapes the next character, as in the shell's quotes.
      if (value[i] == '\\' && i + 1 < value.size()) ++i;
      path.push_back(value[i]);
    }
    std::string expanded;
    if (path == "$HOME" || path.rfind("$HOME/", 0) == 0) {
      expanded = HomeFolder() + path.substr(5);
    } else if (path == "${HOME}" || path.rfind("${HOME}/", 0) == 0) {
      expanded = HomeFolder() + path.substr(7);
    } else if (!path.empty() && path.front() == '/') {
      expanded = path;
    } else {
      continue;  // not a form the file may hold: ignored
    }
    result = WithoutTrailingSlash(expanded);  // a later line overrides an earlier one
  }
  return result;
}

}  // namespace

std::string WithTrailingSlash(const std::string& folder) {
  if (folder.empty() || folder.back() == '/') return folder;
  return folder + "/";
}

std::string ProgramFolder() {
  std::error_code ec;
  fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return "";
  return WithTrailingSlash(exe.parent_path().string());
}

std::string SettingsFolder() {
  std::string folder = Env("VVC_CONFIG_DIR");
  if (folder.empty()) folder = ConfigHome() + "/veyvideoconverter";
  folder = WithTrailingSlash(folder);
  CreateFolderWithParents(folder);
  return folder;
}

std::string ResourcesFolder() {
  std::string program = ProgramFolder();
  std::string beside = program + "resources/";
  if (FolderExists(beside)) return beside;
  return WithTrailingSlash(
      fs::path(program + "../share/veyvideoconverter").lexically_normal().string());
}

std::string DefaultOutputFolder() {
  std::string videos = XdgVideosFolder();
  if (videos.empty()) videos = HomeFolder() + "/Videos";
  if (videos == "/") videos.clear();
  return videos + "/videoconverter";
}

std::string FallbackOutputFolder() {
  return HomeFolder() + "/videoconverter";
}

bool CanWriteFolder(const std::string& folder) {
  if (folder.empty()) return false;
  std::string name = WithTrailingSlash(folder) + "DAXXXXXX";
  int fd = mkstemp(name.data());
  if (fd < 0) return false;
  close(fd);
  return unlink(name.c_str()) == 0;
}

bool CreateFolderWithParents(const std::string& folder) {
  if (folder.empty()) return false;
  std::error_code ec;
  fs::create_directories(folder, ec);
  return FolderExists(folder);
}

bool FolderExists(const std::string& folder) {
  struct stat st {};
  return !folder.empty() && stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& file) {
  struct stat st {};
  return !file.empty() && stat(file.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

std::string LoginName() {
  std::string name;
  PasswdEntry(&name, nullptr);
  return name;
}

}  // namespace platform
