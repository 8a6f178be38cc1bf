// The process-wide global object: product title, version text and the
// locations of the two INI files and the online pages. The main window
// creates one at start (TGlobalObject::CreateAtStart) and frees it when it
// closes.
#pragma once

#include <memory>
#include <string>

namespace app {

inline constexpr const char* kProductTitle = "Vey Video Converter";

// File names of the settings file and the format preset file.
inline constexpr const char* kSettingsFileName = "veyvideoconverter.ini";
inline constexpr const char* kFormatFileName = "veyvideoformat.ini";

// The product's online pages (one place for every address).
inline constexpr const char* kHelpPageAddress = "https://www.veyvideoconverter.example/help.html";
inline constexpr const char* kSupportPageAddress =
    "https://www.veyvideoconverter.example/support.html";
inline constexpr const char* kWebSiteAddress = "https://www.veyvideoconverter.example/";

// " " + major + "." + minor, release and build run together + " ":
// 1.70.3.12 gives " 1.70312 ".
std::string FormatVersionText(int major, int minor, int release, int build);
// FormatVersionText of the program's own version (the CMake project version).
std::string GetVersionText();

// The last n characters (UTF-8 code points) of text; all of it when shorter,
// "" when n <= 0.
std::string RightStr(const std::string& text, int n);

// When the settings folder has no settings file, copies the one shipped in
// the resources there. A missing shipped file is not an error (the settings
// file then comes into being on its first write); returns false only when a
// copy was attempted and failed.
bool InstallDefaultSettingsFile();
// The same between given folders (each with a trailing "/").
bool InstallDefaultSettingsFile(const std::string& resourcesFolder,
                                const std::string& settingsFolder);

class TGlobalObject {
 public:
  // Every text starts empty.
  TGlobalObject() = default;

  // Filled as at program start: the product title, the settings file in the
  // settings folder (installed there first when missing), the format preset
  // file from the settings folder when present there, else the shipped one,
  // and the two addresses. VersionText stays empty: the main window sets it
  // when it is first shown.
  static std::unique_ptr<TGlobalObject> CreateAtStart();

  const std::string& ProductTitle() const { return productTitle_; }
  const std::string& VersionText() const { return versionText_; }
  const std::string& SettingsFileName() const { return settingsFileName_; }
  const std::string& FormatFileName() const { return formatFileName_; }
  const std::string& HelpPage() const { return helpPage_; }
  const std::string& WebSite() const { return webSite_; }

  // Every setter ignores an empty value; the two file-name setters also
  // ignore any value of three characters or fewer.
  void SetProductTitle(const std::string& value);
  void SetVersionText(const std::string& value);
  void SetSettingsFileName(const std::string& value);
  void SetFormatFileName(const std::string& value);
  void SetHelpPage(const std::string& value);
  void SetWebSite(const std::string& value);

 private:
  std::string productTitle_;
  std::string versionText_;
  std::string settingsFileName_;
  std::string formatFileName_;
  std::string helpPage_;
  std::string webSite_;
};

}  // namespace app
