#include "app/global_object.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "app/version.h"
#include "platform/folders.h"

namespace app {
namespace fs = std::filesystem;

namespace {

bool IsContinuationByte(unsigned char c) {
  return (c & 0xC0) == 0x80;
}

size_t Utf8Length(const std::string& text) {
  size_t count = 0;
  for (unsigned char c : text) {
    if (!IsContinuationByte(c)) ++count;
  }
  return count;
}

void SetIfNotEmpty(std::string& field, const std::string& value) {
  if (!value.empty()) field = value;
}

void SetFileName(std::string& field, const std::string& value) {
  if (Utf8Length(value) > 3) field = value;
}

}  // namespace

std::string FormatVersionText(int major, int minor, int release, int build) {
  return " " + std::to_string(major) + "." + std::to_string(minor) + std::to_string(release) +
         std::to_string(build) + " ";
}

std::string GetVersionText() {
  return FormatVersionText(kVersionMajor, kVersionMinor, kVersionRelease, kVersionBuild);
}

std::string RightStr(const std::string& text, int n) {
  if (n <= 0) return "";
  size_t pos = text.size();
  int taken = 0;
  while (pos > 0 && taken < n) {
    --pos;
    while (pos > 0 && IsContinuationByte(static_cast<unsigned char>(text[pos]))) --pos;
    ++taken;
  }
  return text.substr(pos);
}

bool InstallDefaultSettingsFile() {
  return InstallDefaultSettingsFile(platform::ResourcesFolder(), platform::SettingsFolder());
}

bool InstallDefaultSettingsFile(const std::string& resourcesFolder,
                                const std::string& settingsFolder) {
  const std::string target = settingsFolder + kSettingsFileName;
  if (platform::FileExists(target)) return true;
  const std::string shipped = resourcesFolder + kSettingsFileName;
  if (!platform::FileExists(shipped)) return true;

  // Copy under a private name, then link it into place: a reader never sees
  // a half-copied file, and a settings file that appeared meanwhile (another
  // instance starting) is never replaced.
  std::string temp = target + ".XXXXXX";
  int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  close(fd);
  std::error_code ec;
  fs::copy_file(shipped, temp, fs::copy_options::overwrite_existing, ec);
  bool ok = !ec;
  if (ok) {
    // The installed copy may be read-only; the user's copy must be writable.
    fs::permissions(temp,
                    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                        fs::perms::others_read,
                    ec);
    if (link(temp.c_str(), target.c_str()) != 0) {
      if (errno == EEXIST) {
        ok = true;
      } else if (!platform::FileExists(target)) {
        // File systems without hard links: a rename is atomic as well.
        ok = rename(temp.c_str(), target.c_str()) == 0;
      }
    }
  }
  unlink(temp.c_str());
  return ok;
}

std::unique_ptr<TGlobalObject> TGlobalObject::CreateAtStart() {
  InstallDefaultSettingsFile();
  auto global = std::make_unique<TGlobalObject>();
  const std::string settingsFolder = platform::SettingsFolder();
  global->SetProductTitle(kProductTitle);
  global->SetSettingsFileName(settingsFolder + kSettingsFileName);
  const std::string userFormatFile = settingsFolder + kFormatFileName;
  global->SetFormatFileName(platform::FileExists(userFormatFile)
                                ? userFormatFile
                                : platform::ResourcesFolder() + kFormatFileName);
  global->SetHelpPage(kHelpPageAddress);
  global->SetWebSite(kWebSiteAddress);
  return global;
}

void TGlobalObject::SetProductTitle(const std::string& value) {
  SetIfNotEmpty(productTitle_, value);
}
void TGlobalObject::SetVersionText(const std::string& value) {
  SetIfNotEmpty(versionText_, value);
}
void TGlobalObject::SetSettingsFileName(const std::string& value) {
  SetFileName(settingsFileName_, value);
}
void TGlobalObject::SetFormatFileName(const std::string& value) {
  SetFileName(formatFileName_, value);
}
void TGlobalObject::SetHelpPage(const std::string& value) {
  SetIfNotEmpty(helpPage_, value);
}
void TGlobalObject::SetWebSite(const std::string& value) {
  SetIfNotEmpty(webSite_, value);
}

}  // namespace app
