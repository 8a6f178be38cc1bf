// The keys of the settings file's section "settings" with their defaults,
// in one table, and typed access to them and to section "lstformat".
//
// Settings are never cached: every call opens the file by its full path
// (platform::IniFile), reads or writes one key and closes it again. Key names
// are matched without regard to letter case, so a key written as
// "snapOutPutDir" reads back as SnapOutPutDir.
#pragma once

#include <span>
#include <string>

#include "platform/ini_file.h"

namespace app::settings {

inline constexpr const char* kSettingsSection = "settings";
inline constexpr const char* kFormatListSection = "lstformat";

// Categories of the format catalogue, numbered 0 .. kCategoryCount - 1.
inline constexpr int kCategoryCount = 28;

enum class Key {
  OutPutDir,
  SnapOutPutDir,
  Volume,
  Mute,
  Priority,
  FormatCode,
  FormatName,
  SnapFullSize,
  SnapSmallSize,
  SnapBmp,
  SnapJpg,
  JpgCmp,
};

enum class ValueType { Text, Integer, Folder };

struct KeyInfo {
  Key key;
  const char* name;  // as read; writers may spell it in another case
  ValueType type;
  // Text default; for integers the default as decimal text. Folder keys
  // default to platform::DefaultOutputFolder() (not a constant).
  const char* textDefault;
  int integerDefault;  // Integer keys only
};

// Every key of section "settings", in the order above.
std::span<const KeyInfo> KeyTable();
const KeyInfo& Info(Key key);

// The default of a key as text (folders: the default output folder).
std::string DefaultText(Key key);
// The default of an Integer key (0 for the others).
int DefaultInteger(Key key);

// Reads a key as text, with its table default or an explicit one.
std::string ReadText(const platform::IniFile& ini, Key key);
std::string ReadText(const platform::IniFile& ini, Key key, const std::string& def);
// Reads a key as an integer (a value that is not an integer gives the
// default), with its table default or an explicit one.
int ReadInteger(const platform::IniFile& ini, Key key);
int ReadInteger(const platform::IniFile& ini, Key key, int def);

// Writes return false when the file cannot be written.
bool WriteText(platform::IniFile& ini, Key key, const std::string& value);
bool WriteInteger(platform::IniFile& ini, Key key, int value);

// Highest player volume; a stored volume outside 0..kMaxVolume is shown as
// kOutOfRangeVolume.
inline constexpr int kMaxVolume = 128;
inline constexpr int kOutOfRangeVolume = 64;
int VolumeForDisplay(int storedVolume);

// Section "lstformat": true when the category's entries are hidden. Absent
// keys read as true, so every category starts collapsed.
bool ReadCategoryCollapsed(const platform::IniFile& ini, int category);
bool WriteCategoryCollapsed(platform::IniFile& ini, int category, bool collapsed);

}  // namespace app::settings
