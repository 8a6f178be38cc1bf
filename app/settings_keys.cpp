#include "app/settings_keys.h"

#include <array>

#include "platform/folders.h"

namespace app::settings {
namespace {

constexpr std::array<KeyInfo, 12> kKeys = {{
    {Key::OutPutDir, "OutPutDir", ValueType::Folder, "", 0},
    {Key::SnapOutPutDir, "SnapOutPutDir", ValueType::Folder, "", 0},
    {Key::Volume, "volume", ValueType::Integer, "0", 0},
    {Key::Mute, "mute", ValueType::Integer, "0", 0},
    {Key::Priority, "priority", ValueType::Integer, "1", 1},
    {Key::FormatCode, "FormatCode", ValueType::Integer, "1", 1},
    {Key::FormatName, "FormatName", ValueType::Text, "Apple iPod Video MPEG-4 Movie (*.mp4)", 0},
    {Key::SnapFullSize, "snapFullSize", ValueType::Integer, "1", 1},
    {Key::SnapSmallSize, "snapSmallSize", ValueType::Integer, "1", 1},
    {Key::SnapBmp, "snapBmp", ValueType::Integer, "1", 1},
    {Key::SnapJpg, "snapJpg", ValueType::Integer, "1", 1},
    {Key::JpgCmp, "jpgCmp", ValueType::Integer, "30", 30},
}};

// The table is indexed by the enumeration; keep both in the same order.
constexpr bool TableInEnumOrder() {
  for (size_t i = 0; i < kKeys.size(); ++i) {
    if (static_cast<size_t>(kKeys[i].key) != i) return false;
  }
  return true;
}
static_assert(TableInEnumOrder(), "settings key table out of order");

}  // namespace

std::span<const KeyInfo> KeyTable() {
  return kKeys;
}

const KeyInfo& Info(Key key) {
  return kKeys[static_cast<size_t>(key)];
}

std::string DefaultText(Key key) {
  const KeyInfo& info = Info(key);
  if (info.type == ValueType::Folder) return platform::DefaultOutputFolder();
  return info.textDefault;
}

int DefaultInteger(Key key) {
  const KeyInfo& info = Info(key);
  return info.type == ValueType::Integer ? info.integerDefault : 0;
}

std::string ReadText(const platform::IniFile& ini, Key key) {
  return ReadText(ini, key, DefaultText(key));
}

std::string ReadText(const platform::IniFile& ini, Key key, const std::string& def) {
  return ini.ReadString(kSettingsSection, Info(key).name, def);
}

int ReadInteger(const platform::IniFile& ini, Key key) {
  return ReadInteger(ini, key, DefaultInteger(key));
}

int ReadInteger(const platform::IniFile& ini, Key key, int def) {
  return ini.ReadInteger(kSettingsSection, Info(key).name, def);
}

bool WriteText(platform::IniFile& ini, Key key, const std::string& value) {
  return ini.WriteString(kSettingsSection, Info(key).name, value);
}

bool WriteInteger(platform::IniFile& ini, Key key, int value) {
  return ini.WriteInteger(kSettingsSection, Info(key).name, value);
}

int VolumeForDisplay(int storedVolume) {
  return storedVolume >= 0 && storedVolume <= kMaxVolume ? storedVolume : kOutOfRangeVolume;
}

bool ReadCategoryCollapsed(const platform::IniFile& ini, int category) {
  return ini.ReadBool(kFormatListSection, std::to_string(category), true);
}

bool WriteCategoryCollapsed(platform::IniFile& ini, int category, bool collapsed) {
  return ini.WriteBool(kFormatListSection, std::to_string(category), collapsed);
}

}  // namespace app::settings
