#include "app/format_catalogue.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstddef>

#include "app/settings_keys.h"
#include "media/binding/entry_table.h"
#include "media/engine/codec_lookup.h"

namespace app {
namespace {

// The catalogue: every category with its entries in position order. An
// entry's code is its category number × 100 + its position.
constexpr TFormatCategory kCatalogue[kFormatCategoryCount] = {
    {0,
     "Apple iPod",
     {"iPod Video MPEG-4 (*.mp4)", "iPod Video H.264 (*.mp4)",
      "iPod MPEG-4 Excellent (320 x 240)(*.mp4)", "iPod MPEG-4 Normal (320 x 240)(*.mp4)",
      "iPod MPEG-4 Mini (320 x 240)(*.mp4)", "iPod Touch MPEG-4 Excellent (*.mp4)",
      "iPod Touch MPEG-4 (480 x 320) (*.mp4)", "iPod Touch MPEG-4 (320 x 240) (*.mp4)",
      "iPod Touch MPEG-4 Wide Screen (*.mp4)"}},
    {1,
     "Apple iPhone",
     {"iPhone MPEG-4 Extra Video (*.mp4)", "iPhone MPEG-4 Wide Screen (*.mp4)",
      "iPhone MPEG-4 Movie (*.mp4)", "iPhone Movie for 480p TV Out (*.mp4)",
      "iPhone Movie for 576p TV Out (*.mp4)"}},
    {2,
     "Apple TV",
     {"Apple TV (640 x 480) MPEG-4 Excellent (*.mp4)", "Apple TV (640 x 480) MPEG-4 Normal (*.mp4)",
      "Apple TV (640 x 480) MPEG-4 Mini (*.mp4)", "Apple H.264 (320 x 240) (*.mp4)",
      "Apple H.264 480P (640 x 480) (*.mp4)", "Apple H.264 720p (1280 x 720) (*.mp4)"}},
    {3, "GPhone", {"GPhone MPEG-4 Movie (*.mp4)"}},
    {4,
     "Sony PSP",
     {"PSP MPEG-4 Excellent Quality (*.mp4)", "PSP MPEG-4 Normal Quality (*.mp4)",
      "PSP MPEG-4 Mini Size (*.mp4)", "PSP H.264/AVC Video (*.mp4)", "PSP Video (480P) (*.mp4)"}},
    {5,
     "Sony PS3",
     {"PS3 MPEG-4 Video (480P) (*.mp4)", "PS3 MPEG-4 Video (480P) Excellent (*.mp4)",
      "PS3 MPEG-4 Video (720P) (*.mp4)", "PS3 MPEG-4 Video (1080P) (*.mp4)"}},
    {6,
     "Microsoft Zune",
     {"Microsoft Zune MPEG-4 Video (*.mp4)", "Microsoft Zune MPEG-4 AVC Video (*.mp4)",
      "Microsoft Zune Windows Media Video (*.wmv)"}},
    {7,
     "Sony Walkman",
     {"Sony Walkman MPEG-4 Video (*.mp4)", "Sony Walkman AVC Video (*.mp4)",
      "Sony Walkman WMV Video (*.wmv)"}},
    {8,
     "Archos",
     {"Archos H.264 Video (*.mp4)", "Archos MPEG4 Video (*.mp4)", "Archos 105 Video (*.wmv)",
      "Archos 404/405 Video (*.avi)", "Archos 504/604 Video (*.avi)",
      "Archos 605/705/TV+ Video (*.avi)", "Archos AV500/700 Video (*.avi)"}},
    {9,
     "Creative Zen",
     {"Creative Zen H.264 Video (*.mp4)", "Creative Zen MPEG4 Video (*.mp4)",
      "Creative Zen Xvid Video (*.avi)", "Creative Zen X-Fi Video (*.avi)",
      "Creative Zen Vison Video (*.avi)", "Creative Zen Vison M Video (*.avi)",
      "Creative Zen Vison W Video (*.avi)"}},
    {10,
     "iRiver",
     {"iRiver H.264 Video (*.mp4)", "iRiver MPEG4 Video (*.mp4)", "iRiver WMV Video (*.wmv)",
      "iRiver Xvid Video (*.avi)", "iRiver E10 Video (*.avi)", "iRiver U10/Clix Video (*.avi)",
      "iRiver B20/X20/Clix 2/E100/Lplayer Video (*.avi)",
      "iRiver Spinn/D28/DICPLE D30 Video (*.avi)", "iRiver P10/P20 Video (*.avi)",
      "iRiver PMP-120/140/IMP-1000/1100 Video (*.avi)"}},
    {11,
     "Sandisk Sansa",
     {"Sandisk Sansa AVI Video (*.avi)", "Sandisk Sansa WMV Video (*.wmv)",
      "Sandisk Sansa MPEG-4 Video (*.mp4)"}},
    {12,
     "Microsoft xbox 360",
     {"Microsoft Xbox WMV Video (*.wmv)", "Microsoft Xbox AVI Video (*.avi)",
      "Microsoft Xbox MPEG-4 Video (*.mp4)"}},
    {13, "Nitendeo WII", {"Nitendeo Wii AVI Video (*.avi)", "Nitendeo Wii MOV Video (*.mov)"}},
    {14,
     "Mobile Phone",
     {"Mobile Phone 3GP h263 Video(*.3gp)", "Mobile Phone 3GP MPEG-4 Video(*.3gp)",
      "Mobile Phone 3GP2 h263 Video(*.3gp)", "Mobile Phone 3GP2 MPEG-4 Video(*.3gp)",
      "Mobile Phone MPEG-4 Video(*.mp4)", "Nokia N Series MPEG-4 Video(*.mp4)"}},
    {15, "BlackBerry", {"BlackBerry MPEG-4 Video(*.mp4)"}},
    {16, "Nokia", {"Nokia N Series MPEG-4 Video (*.mp4)"}},
    {17,
     "Windows Mobile",
     {"Dell Axim 51 Video (*.wmv)", "Dell Axim 51V Video (*.wmv)",
      "HP iPAQ hw6500 Series Video (*.wmv)", "HP iPAQ hx2000/rx3000/rx1900 Series Video (*.wmv)",
      "HP iPAQ hx4700 Series Video (*.wmv)", "Palm Treo Series Video (*.wmv)",
      "HTC Touch Diamond Video (*.wmv)", "General Pocket PC Video (*.wmv)"}},
    {18, "Quick Time Video - MOV", {"MOV - Quick Time Video (*.mov)"}},
    {19, "Flash Video", {"Flash Video Format (*.flv)", "Flash SWF Format (*.swf)"}},
    {20, "Toshiba Gigabeat", {"Toshiba Gigabeat WMV Movie (*.wmv)"}},
    {21,
     "HD Video",
     {"HD AVI Video (*.avi)", "HD Divx Video (*.avi)", "HD H.264/MPEG-4 AVC Video (*.mp4)",
      "HD MOV Video (*.mov)", "HD WMV Video (*.wmv)", "HD MPEG-4 Video (*.mp4)",
      "HD Xvid Video (*.avi)", "HD MPEG2-PS Video (*.mpg)", "HD MPEG2-TS Video (*.ts)"}},
    {22, "DVD Video", {"DVD - NTSC MPEG-2 Moive (*.mpg)", "DVD - PAL MPEG-2 Moive (*.mpg)"}},
    {23, "SVCD Video", {"SVCD - NTSC MPEG-2 Moive (*.mpg)", "SVCD - PAL MPEG-2 Moive (*.mpg)"}},
    {24, "VCD Video", {"VCD - NTSC MPEG-1 Moive (*.mpg)", "VCD - PAL MPEG-1 Moive (*.mpg)"}},
    {25, "Matroska Video - MKV", {"MKV - Matroska Video (*.mkv)"}},
    {26,
     "General Video formates",
     {"MPEG-1 Video (*.mpg)", "MPEG-2 Video (*.mpg)", "MPEG-4 Video (*.mp4)",
      "H.264/MPEG-4 AVC Video (*.mp4)", "AVI Video (*.avi)", "WMV Video (*.wmv)",
      "Divx Video (*.avi)", "Xvid Video (*.avi)", "DV - NTSC -Digital Video Format (*.dv)",
      "DV - PAL -Digital Video Format (*.dv)", "Asf Video (*.asf)"}},
    {27,
     "General Audio formates",
     {"MP3 MPEG Layer-3 Audio (*.mp3)", "AAC Advenced Audio Codec (*.aac)",
      "AAC for iPod/iPhone/iPad/iTuns (*.m4a)", "WMA - Windows Meida Audio (*.wma)",
      "WAV - Waveform Audio (*.wav)", "OGG Vorbis Audio Codec (*.ogg)", "AC-3 Audio Codec (*.ac3)",
      "Amr Audio Codec (*.amr)", "ALAC - Apple Lossless Audio (*.m4a)", "Asf - audio only (*.asf)",
      "Aiff - Audio IFF (*.aiff)", "Au - SUN AU format (*.au)",
      "Voc - Creative Voice file format (*.voc)", "FLAC - audio (*.flac)",
      "FLV - audio only (*.flv)", "AVI - audio only (*.avi)", "MKA Matroska Audio (*.mka)",
      "MMF - Yamaha SMAF audio (*.mmf)"}},
};

constexpr bool CatalogueInCodeOrder() {
  for (int i = 0; i < kFormatCategoryCount; ++i) {
    if (kCatalogue[i].Number != i) return false;
  }
  return true;
}
static_assert(CatalogueInCodeOrder(), "catalogue categories out of order");
static_assert(settings::kCategoryCount == kFormatCategoryCount);

bool ValidCategory(int category) {
  return category >= 0 && category < kFormatCategoryCount;
}

int EntryCount(const TFormatCategory& category) {
  int n = 0;
  while (n < kMaxCategoryEntries && category.Entries[n] != nullptr) ++n;
  return n;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Trim(const std::string& text) {
  size_t b = 0;
  size_t e = text.size();
  while (b < e && std::isspace(static_cast<unsigned char>(text[b]))) ++b;
  while (e > b && std::isspace(static_cast<unsigned char>(text[e - 1]))) --e;
  return text.substr(b, e - b);
}

bool SameTextIgnoringCase(const std::string& a, const std::string& b) {
  return a.size() == b.size() && Lower(a) == Lower(b);
}

// A whole text that is a 32-bit decimal integer (optional sign).
std::optional<int> WholeInteger(const std::string& text) {
  int value = 0;
  const char* first = text.data();
  const char* last = first + text.size();
  if (first != last && *first == '+') ++first;
  auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last || first == last) return std::nullopt;
  return value;
}

}  // namespace

// ---------------------------------------------------------------------------
// The catalogue table.

std::span<const TFormatCategory> FormatCategories() {
  return kCatalogue;
}

std::vector<TFormatEntry> CategoryEntries(int category) {
  std::vector<TFormatEntry> entries;
  if (!ValidCategory(category)) return entries;
  const TFormatCategory& c = kCatalogue[category];
  for (int p = 0; p < EntryCount(c); ++p) {
    entries.push_back({FormatCode(category, p), category, p, c.Entries[p]});
  }
  return entries;
}

std::vector<TFormatEntry> FormatEntries() {
  std::vector<TFormatEntry> entries;
  for (int c = 0; c < kFormatCategoryCount; ++c) {
    auto more = CategoryEntries(c);
    entries.insert(entries.end(), more.begin(), more.end());
  }
  return entries;
}

std::optional<TFormatEntry> FindFormatEntry(int code) {
  if (code < 0) return std::nullopt;
  const int category = code / 100;
  const int position = code % 100;
  if (!ValidCategory(category) || position >= EntryCount(kCatalogue[category])) {
    return std::nullopt;
  }
  return TFormatEntry{code, category, position, kCatalogue[category].Entries[position]};
}

std::string FormatEntryName(int code) {
  auto entry = FindFormatEntry(code);
  return entry ? entry->Name : "";
}

std::string FormatCategoryCaption(int category) {
  return ValidCategory(category) ? kCatalogue[category].Caption : "";
}

void ClearFormatNames(TFormatNames& names) {
  for (auto& row : names) {
    for (auto& name : row) name.clear();
  }
}

void FillCategoryNames(TFormatNames& names, int category) {
  if (!ValidCategory(category)) return;
  const TFormatCategory& c = kCatalogue[category];
  for (int p = 0; p < EntryCount(c); ++p) names[category][p] = c.Entries[p];
}

// ---------------------------------------------------------------------------
// The drop-down's rows.

int BuiltListHeight(int rowCount) {
  return rowCount * kFormatRowHeight < 380 ? (rowCount + 1) * kFormatRowHeight : 379;
}

int OpenedListHeight(int rowCount, int maxHeight) {
  return rowCount * kFormatRowHeight > maxHeight ? maxHeight
                                                 : rowCount * kFormatRowHeight + kFormatRowHeight;
}

std::vector<TFormatListRow> TFormatList::EntryRows(int category) const {
  std::vector<TFormatListRow> rows;
  if (!ValidCategory(category)) return rows;
  // Expanding looks at every position a category may use in the name table.
  for (int p = 0; p < kFormatNameTableSize - 1; ++p) {
    const std::string& name = names_[category][p];
    if (name.empty()) continue;
    TFormatListRow row;
    row.Text = name;
    row.Info.IsEntry = true;
    row.Info.Code = FormatCode(category, p);
    rows.push_back(std::move(row));
  }
  return rows;
}

void TFormatList::Build(const platform::IniFile& settings) {
  platform::IniFile::ReadScope scope(settings);  // one parse for all keys
  ClearFormatNames(names_);
  rows_.clear();
  for (const TFormatCategory& category : kCatalogue) {
    TFormatListRow row;
    row.Text = category.Caption;
    row.Info.IsCategory = true;
    row.Info.Caption = category.Caption;
    row.Info.Collapsed = settings::ReadCategoryCollapsed(settings, category.Number);
    row.Info.Code = category.Number;
    const bool collapsed = row.Info.Collapsed;
    rows_.push_back(std::move(row));
    FillCategoryNames(names_, category.Number);
    if (!collapsed) {
      auto entries = EntryRows(category.Number);
      rows_.insert(rows_.end(), entries.begin(), entries.end());
    }
  }
}

bool TFormatList::Toggle(int row) {
  if (row < 0 || row >= RowCount() || !rows_[row].Info.IsCategory) return false;
  TItemInfo& info = rows_[row].Info;
  if (info.Collapsed) {
    auto entries = EntryRows(info.Code);
    rows_.insert(rows_.begin() + row + 1, entries.begin(), entries.end());
    rows_[row].Info.Collapsed = false;
  } else {
    size_t end = static_cast<size_t>(row) + 1;
    while (end < rows_.size() && rows_[end].Info.IsEntry) ++end;
    rows_.erase(rows_.begin() + row + 1, rows_.begin() + static_cast<std::ptrdiff_t>(end));
    rows_[row].Info.Collapsed = true;
  }
  return true;
}

int TFormatList::FindRowByText(const std::string& text) const {
  const std::string wanted = Trim(text);
  for (int i = 0; i < RowCount(); ++i) {
    if (SameTextIgnoringCase(rows_[i].Text, wanted)) return i;
  }
  return -1;
}

int TFormatList::FindCategoryRow(int category) const {
  for (int i = 0; i < RowCount(); ++i) {
    if (rows_[i].Info.IsCategory && rows_[i].Info.Code == category) return i;
  }
  return -1;
}

bool TFormatList::SaveCollapsed(platform::IniFile& settings) const {
  bool ok = true;
  for (const TFormatListRow& row : rows_) {
    if (!row.Info.IsCategory) continue;
    ok = settings::WriteCategoryCollapsed(settings, row.Info.Code, row.Info.Collapsed) && ok;
  }
  return ok;
}

bool TFormatList::Choose(int row, platform::IniFile& settings) const {
  if (row < 0 || row >= RowCount() || !rows_[row].Info.IsEntry) return false;
  const TFormatListRow& chosen = rows_[row];
  bool ok = settings::WriteText(settings, settings::Key::FormatName, chosen.Text);
  ok = settings::WriteText(settings, settings::Key::FormatCode, std::to_string(chosen.Info.Code)) &&
       ok;
  return ok;
}

// ---------------------------------------------------------------------------
// "formatInfo" sections.

namespace {

constexpr PresetKey kPresetKeys[] = {
    PresetKey::Format,         PresetKey::FileExt,          PresetKey::VideoSize,
    PresetKey::iVideoSize,     PresetKey::VideoBitRate,     PresetKey::iVideoBitRate,
    PresetKey::FrameRate,      PresetKey::iFrameRate,       PresetKey::VideoEncoder,
    PresetKey::iVideoEncoder,  PresetKey::AudioBitRate,     PresetKey::iAudioBitRate,
    PresetKey::SampleRate,     PresetKey::iSampleRate,      PresetKey::AudioEncoder,
    PresetKey::iAudioEncoder,  PresetKey::Channel,          PresetKey::iChannel,
    PresetKey::Volume,         PresetKey::iVolume,          PresetKey::paraVideoBitRate,
    PresetKey::paraSampleRate, PresetKey::paraAudioBitRate, PresetKey::paraBitExact,
    PresetKey::paraMaxBitrate, PresetKey::paraBufferSize,   PresetKey::paraLevel,
    PresetKey::paraQscale,     PresetKey::paraGop,          PresetKey::paraCoder,
};

constexpr TFormatKeyInfo kPresetKeyInfo[] = {
    {"Format", "null"},
    {"FileExt", "mp4"},
    {"VideoSize", "null"},
    {"iVideoSize", "0"},
    {"VideoBitRate", "null"},
    {"iVideoBitRate", "0"},
    {"FrameRate", "null"},
    {"iFrameRate", "0"},
    {"VideoEncoder", "null"},
    {"iVideoEncoder", "0"},
    {"AudioBitRate", "null"},
    {"iAudioBitRate", "0"},
    {"SampleRate", "null"},
    {"iSampleRate", "0"},
    {"AudioEncoder", "null"},
    {"iAudioEncoder", "0"},
    {"Channel", "null"},
    {"iChannel", "0"},
    {"Volume", "null"},
    {"iVolume", "0"},
    {"paraVideoBitRate", "256"},
    {"paraSampleRate", "44100"},
    {"paraAudioBitRate", "128"},
    {"paraBitExact", ""},
    {"paraMaxBitrate", ""},
    {"paraBufferSize", ""},
    {"paraLevel", ""},
    {"paraQscale", ""},
    {"paraGop", ""},
    {"paraCoder", ""},
};

constexpr PresetKey kH264Keys[] = {
    PresetKey::paraBitExact, PresetKey::paraMaxBitrate, PresetKey::paraBufferSize,
    PresetKey::paraLevel,    PresetKey::paraQscale,     PresetKey::paraGop,
    PresetKey::paraCoder,
};

constexpr UserKey kUserKeys[] = {
    UserKey::Description,   UserKey::iVideoSize,     UserKey::iVideoBitRate,
    UserKey::iVideoEncoder, UserKey::iFrameRate,     UserKey::iSampleRate,
    UserKey::iAudioBitRate, UserKey::iChannel,       UserKey::iVolume,
    UserKey::iAudioEncoder, UserKey::paraVideoSize,  UserKey::paraVideoBitRate,
    UserKey::paraFrameRate, UserKey::paraZoom,       UserKey::paraVideoEncoder,
    UserKey::paraBitExact,  UserKey::paraMaxBitrate, UserKey::paraBufferSize,
    UserKey::paraLevel,     UserKey::paraQscale,     UserKey::paraGop,
    UserKey::paraCoder,     UserKey::paraSampleRate, UserKey::paraAudioBitRate,
    UserKey::paraChannel,   UserKey::paraVolume,     UserKey::paraAudioEncoder,
};

// Absent values as the option builder reads them; the positions, which only
// the output settings dialog reads, as it reads them.
constexpr TFormatKeyInfo kUserKeyInfo[] = {
    {"Description", ""},        {"iVideoSize", "0"},         {"iVideoBitRate", "0"},
    {"iVideoEncoder", "0"},     {"iFrameRate", "0"},         {"iSampleRate", "0"},
    {"iAudioBitRate", "0"},     {"iChannel", "0"},           {"iVolume", "0"},
    {"iAudioEncoder", "0"},     {"paraVideoSize", "null"},   {"paraVideoBitRate", "512"},
    {"paraFrameRate", "29.97"}, {"paraZoom", "lbox"},        {"paraVideoEncoder", ""},
    {"paraBitExact", ""},       {"paraMaxBitrate", ""},      {"paraBufferSize", ""},
    {"paraLevel", ""},          {"paraQscale", ""},          {"paraGop", ""},
    {"paraCoder", ""},          {"paraSampleRate", "44100"}, {"paraAudioBitRate", "128"},
    {"paraChannel", "2"},       {"paraVolume", "3"},         {"paraAudioEncoder", ""},
};

static_assert(std::size(kPresetKeys) == std::size(kPresetKeyInfo));
static_assert(std::size(kUserKeys) == std::size(kUserKeyInfo));
static_assert(std::size(kUserKeys) == kUserKeyCount);

constexpr bool KeysInEnumOrder() {
  for (size_t i = 0; i < std::size(kPresetKeys); ++i) {
    if (static_cast<size_t>(kPresetKeys[i]) != i) return false;
  }
  for (size_t i = 0; i < std::size(kUserKeys); ++i) {
    if (static_cast<size_t>(kUserKeys[i]) != i) return false;
  }
  return true;
}
static_assert(KeysInEnumOrder(), "formatInfo key tables out of order");

int IntegerOr(const std::string& text, int fallback) {
  auto value = WholeInteger(Trim(text));
  return value ? *value : fallback;
}

// The key names present in a section, lower-cased.
std::vector<std::string> PresentKeys(const platform::IniFile& ini, const std::string& section) {
  std::vector<std::string> keys = ini.ReadSectionKeys(section);
  for (auto& key : keys) key = Lower(key);
  return keys;
}

bool Contains(const std::vector<std::string>& lowerKeys, const char* name) {
  return std::find(lowerKeys.begin(), lowerKeys.end(), Lower(name)) != lowerKeys.end();
}

}  // namespace

std::string FormatSectionName(int code) {
  return "formatInfo" + std::to_string(code);
}

std::vector<std::string> SplitFormatList(const std::string& text) {
  std::vector<std::string> items;
  if (text.empty()) return items;
  std::string item;
  for (char c : text) {
    if (c == ',') {
      items.push_back(item);
      item.clear();
    } else {
      item += c;
    }
  }
  items.push_back(item);
  return items;
}

const TFormatKeyInfo& KeyInfo(PresetKey key) {
  return kPresetKeyInfo[static_cast<size_t>(key)];
}
const TFormatKeyInfo& KeyInfo(UserKey key) {
  return kUserKeyInfo[static_cast<size_t>(key)];
}
std::span<const PresetKey> PresetKeys() {
  return kPresetKeys;
}
std::span<const UserKey> UserKeys() {
  return kUserKeys;
}
std::span<const PresetKey> H264PresetKeys() {
  return kH264Keys;
}

std::string ReadPresetText(const platform::IniFile& presets, int code, PresetKey key) {
  return ReadPresetText(presets, code, key, KeyInfo(key).Absent);
}

std::string ReadPresetText(const platform::IniFile& presets, int code, PresetKey key,
                           const std::string& absent) {
  return presets.ReadString(FormatSectionName(code), KeyInfo(key).Name, absent);
}

int ReadPresetInteger(const platform::IniFile& presets, int code, PresetKey key) {
  const int absent = IntegerOr(KeyInfo(key).Absent, 0);
  return presets.ReadInteger(FormatSectionName(code), KeyInfo(key).Name, absent);
}

std::string ReadUserText(const platform::IniFile& settings, int code, UserKey key) {
  return ReadUserText(settings, code, key, KeyInfo(key).Absent);
}

std::string ReadUserText(const platform::IniFile& settings, int code, UserKey key,
                         const std::string& absent) {
  return settings.ReadString(FormatSectionName(code), KeyInfo(key).Name, absent);
}

int ReadUserInteger(const platform::IniFile& settings, int code, UserKey key) {
  const int absent = IntegerOr(KeyInfo(key).Absent, 0);
  return settings.ReadInteger(FormatSectionName(code), KeyInfo(key).Name, absent);
}

std::vector<std::string> TPresetList::Items() const {
  if (Text == kNoList) return {};
  return SplitFormatList(Text);
}

std::optional<std::string> TPresetList::DefaultItem() const {
  auto items = Items();
  if (Position < 0 || Position >= static_cast<int>(items.size())) return std::nullopt;
  return items[Position];
}

TPresetSection ReadPresetSection(const platform::IniFile& presets, int code) {
  platform::IniFile::ReadScope scope(presets);  // one parse for all keys
  TPresetSection section;
  section.Code = code;
  const std::string name = FormatSectionName(code);
  const auto present = PresentKeys(presets, name);
  section.Present = !present.empty() || presets.SectionExists(name);
  auto text = [&](PresetKey key) {
    const TFormatKeyInfo& info = KeyInfo(key);
    return Contains(present, info.Name) ? presets.ReadString(name, info.Name, info.Absent)
                                        : std::string(info.Absent);
  };
  auto list = [&](PresetKey listKey, PresetKey positionKey) {
    TPresetList result;
    result.Text = text(listKey);
    result.Position = IntegerOr(text(positionKey), 0);
    return result;
  };
  section.Format = text(PresetKey::Format);
  section.FileExt = text(PresetKey::FileExt);
  section.VideoSize = list(PresetKey::VideoSize, PresetKey::iVideoSize);
  section.VideoBitRate = list(PresetKey::VideoBitRate, PresetKey::iVideoBitRate);
  section.FrameRate = list(PresetKey::FrameRate, PresetKey::iFrameRate);
  section.VideoEncoder = list(PresetKey::VideoEncoder, PresetKey::iVideoEncoder);
  section.AudioBitRate = list(PresetKey::AudioBitRate, PresetKey::iAudioBitRate);
  section.SampleRate = list(PresetKey::SampleRate, PresetKey::iSampleRate);
  section.AudioEncoder = list(PresetKey::AudioEncoder, PresetKey::iAudioEncoder);
  section.Channel = list(PresetKey::Channel, PresetKey::iChannel);
  section.Volume = list(PresetKey::Volume, PresetKey::iVolume);
  section.paraVideoBitRate = text(PresetKey::paraVideoBitRate);
  section.paraSampleRate = text(PresetKey::paraSampleRate);
  section.paraAudioBitRate = text(PresetKey::paraAudioBitRate);
  for (size_t i = 0; i < std::size(kH264Keys); ++i) section.H264[i] = text(kH264Keys[i]);
  return section;
}

TUserSection ReadUserSection(const platform::IniFile& settings, int code) {
  platform::IniFile::ReadScope scope(settings);  // one parse for all keys
  TUserSection section;
  section.Code = code;
  const std::string name = FormatSectionName(code);
  const auto present = PresentKeys(settings, name);
  section.Present = !present.empty() || settings.SectionExists(name);
  for (size_t i = 0; i < kUserKeyCount; ++i) {
    const TFormatKeyInfo& info = kUserKeyInfo[i];
    section.Found[i] = Contains(present, info.Name);
    section.Values[i] =
        section.Found[i] ? settings.ReadString(name, info.Name, info.Absent) : info.Absent;
  }
  return section;
}

// ---------------------------------------------------------------------------
// The output settings dialog's item tables.

namespace {

struct TItemRow {
  const char* Item;  // lower case
  const char* Written;
};

constexpr TItemRow kVideoEncoderItems[] = {
    {"mpeg-4", "mpeg4"},
    {"3gp", "3gp"},
    {"3g2", "3g2"},
    {"xvid", "libxvid"},
    {"mov", "mov"},
    {"wmv1", "wmv1"},
    {"wmv2", "wmv2"},
    {"wmv3", "wmv3"},
    {"flv", "flv"},
    {"swf", "swf"},
    {"msmpeg4", "msmpeg4"},
    {"msmpeg4v1", "msmpeg4v1"},
    {"msmpeg4v2", "msmpeg4v2"},
    {"mpeg1video", "mpeg1video"},
    {"mpeg2video", "mpeg2video"},
    {"h263", "h263"},
    {"h263p", "h263p"},
    {"rawvideo", "rawvideo"},
    {"rv10", "rv10"},
    {"rv20", "rv20"},
    {"dvvideo", "dvvideo"},
    {"huffyuv", "huffyuv"},
    {"ljpeg", "ljpeg"},
    {"mjpeg", "mjpeg"},
    {"svq1", "svq1"},
    {"zlib", "zlib"},
    {"h264", "libx264"},
};

constexpr TItemRow kAudioEncoderItems[] = {
    {"mp3", "libmp3lame"},
    {"ogg", "vorbis"},
    {"mp2", "mp2"},
    {"aac", "libfaac"},
    {"ac-3", "ac3"},
    {"flac", "flac"},
    {"alac", "alac"},
    {"libamr_nb", "libopencore_amrnb"},
    {"adpcm_swf", "adpcm_swf"},
    {"adpcm_yamaha", "adpcm_yamaha"},
    {"pcm-8bit", "pcm_s8"},
    {"pcm-16bit", "pcm_s16be"},
    {"pcm-24bit", "pcm_s24be"},
    {"pcm-32bit", "pcm_s32be"},
    {"pcm-32bit float", "pcm_f32be"},
    {"pcm-64bit float", "pcm_f64be"},
    {"ccitt a-law(8-bit)", "pcm_alaw"},
    {"ccitt mu-law(8-bit)", "pcm_mulaw"},
    {"ima adpcm(4-bit)", "adpcm_ima_qt"},
    {"gsm", "libgsm"},
    {"pcm_s16", "pcm_s16le"},
    {"pcm_u16", "pcm_u16le"},
    {"pcm_alaw", "pcm_alaw"},
    {"pcm_mulaw ", "pcm_mulaw"},  // the dialog's item ends in a blank
    {"adpcm_ms", "adpcm_ms"},
    {"adpcm_ima_wav", "adpcm_ima_wav"},
    {"wma1", "wmav1"},
    {"wma2", "wmav2"},
};

constexpr int kVolumeSteps[] = {25, 50, 75, 100, 125, 150, 175, 200, 250, 300, 350, 400};

template <size_t N>
std::optional<std::string> Lookup(const TItemRow (&rows)[N], const std::string& item) {
  const std::string lower = Lower(item);
  for (const TItemRow& row : rows) {
    if (lower == row.Item) return std::string(row.Written);
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> VideoEncoderForItem(const std::string& item) {
  return Lookup(kVideoEncoderItems, item);
}

std::optional<std::string> AudioEncoderForItem(const std::string& item) {
  return Lookup(kAudioEncoderItems, item);
}

std::optional<std::string> ChannelForItem(const std::string& item) {
  if (item == "as source") return std::string("as source");
  if (item == "mono 1 channel") return std::string("1");
  if (item == "stereo 2 channels") return std::string("2");
  return std::nullopt;
}

std::optional<std::string> VolumeForItem(const std::string& item) {
  if (item.empty()) return std::nullopt;
  auto v = WholeInteger(item.substr(0, item.size() - 1));
  if (!v || *v <= 0) return std::nullopt;
  for (int step : kVolumeSteps) {
    if (*v == step) return std::to_string(step * 256 / 100);
  }
  return std::nullopt;
}

bool IsContainerVideoWord(const std::string& paraVideoEncoder) {
  static constexpr const char* kWords[] = {"mov", "3gp", "3g2", "flv", "swf", "wmv3"};
  return std::any_of(std::begin(kWords), std::end(kWords),
                     [&](const char* word) { return paraVideoEncoder == word; });
}

// ---------------------------------------------------------------------------
// What an entry needs from the media libraries.

std::string PresetMuxerName(const std::string& format, bool audioOnly) {
  static constexpr const char* kVideoContainers[] = {"ipod", "3gp", "3g2",    "avi", "psp", "mov",
                                                     "vcd",  "flv", "mpegts", "vob", "asf", "dv"};
  static constexpr const char* kAudioContainers[] = {"amr",  "ac3", "asf", "aiff",     "au", "voc",
                                                     "flac", "flv", "avi", "matroska", "mmf"};
  const std::string word = Lower(format);
  if (word == "ntsc-dvd" || word == "pal-dvd") return "dvd";
  if (word == "ntsc-vcd" || word == "pal-vcd") return "vcd";
  if (word == "ntsc-svcd" || word == "pal-svcd") return "svcd";
  auto in = [&](const auto& words) {
    return std::any_of(std::begin(words), std::end(words),
                       [&](const char* w) { return word == w; });
  };
  if (audioOnly ? in(kAudioContainers) : in(kVideoContainers)) return word;
  return "";
}

TEntryDefaults EntryDefaults(const TPresetSection& preset) {
  TEntryDefaults defaults;
  defaults.AudioOnly = preset.VideoEncoder.Items().empty();
  defaults.Muxer = PresetMuxerName(preset.Format, defaults.AudioOnly);
  defaults.FileExt = preset.FileExt;
  if (!defaults.AudioOnly) {
    auto item = preset.VideoEncoder.DefaultItem();
    if (item) defaults.VideoEncoder = VideoEncoderForItem(*item).value_or("");
  }
  auto audioItem = preset.AudioEncoder.DefaultItem();
  if (audioItem) defaults.AudioEncoder = AudioEncoderForItem(*audioItem).value_or("");
  return defaults;
}

TPresetDefaults ReadEntryDefaults(const platform::IniFile& presets, int code) {
  platform::IniFile::ReadScope scope(presets);  // one parse for all keys
  TPresetDefaults result;
  const std::string name = FormatSectionName(code);
  // A section without a Format key still counts as present.
  const std::string format = ReadPresetText(presets, code, PresetKey::Format, "\n");
  result.Present = format != "\n" || presets.SectionExists(name);
  if (!result.Present) return result;
  TPresetSection preset;
  preset.Code = code;
  preset.Present = true;
  preset.Format = format == "\n" ? KeyInfo(PresetKey::Format).Absent : format;
  preset.FileExt = ReadPresetText(presets, code, PresetKey::FileExt);
  preset.VideoEncoder.Text = ReadPresetText(presets, code, PresetKey::VideoEncoder);
  if (!preset.VideoEncoder.Items().empty()) {
    preset.VideoEncoder.Position = ReadPresetInteger(presets, code, PresetKey::iVideoEncoder);
  }
  preset.AudioEncoder.Text = ReadPresetText(presets, code, PresetKey::AudioEncoder);
  if (!preset.AudioEncoder.Items().empty()) {
    preset.AudioEncoder.Position = ReadPresetInteger(presets, code, PresetKey::iAudioEncoder);
  }
  result.Defaults = EntryDefaults(preset);
  return result;
}

TEntryAvailability CheckEntryAvailability(const TEntryDefaults& defaults) {
  TEntryAvailability result;
  auto missing = [&](std::string what) {
    result.Available = false;
    result.Missing.push_back(std::move(what));
  };
  if (!lib::av_guess_format || !lib::avcodec_find_encoder_by_name || !lib::avcodec_find_encoder ||
      !lib::avcodec_get_name) {
    missing("media libraries not loaded");
    return result;
  }

  const AVOutputFormat* muxer = nullptr;
  if (!defaults.Muxer.empty()) {
    muxer = lib::av_guess_format(defaults.Muxer.c_str(), nullptr, nullptr);
    if (!muxer) missing("muxer " + defaults.Muxer);
  } else {
    const std::string probeName = "output." + defaults.FileExt;
    muxer = lib::av_guess_format(nullptr, probeName.c_str(), nullptr);
    if (!muxer) missing("muxer for ." + defaults.FileExt);
  }

  auto checkEncoder = [&](const std::string& engineName) {
    if (!media::EncoderAvailable(engineName)) {
      missing("encoder " + media::ResolveEncoderName(engineName));
    }
  };

  if (!defaults.AudioOnly) {
    if (defaults.VideoEncoder.empty()) {
      missing("video encoder (no default item)");
    } else if (IsContainerVideoWord(defaults.VideoEncoder)) {
      // The engine takes the muxer's own default video codec.
      if (muxer) {
        if (muxer->video_codec == AV_CODEC_ID_NONE) {
          missing("video codec of muxer " + std::string(muxer->name));
        } else if (!lib::avcodec_find_encoder(muxer->video_codec)) {
          missing("encoder for " + std::string(lib::avcodec_get_name(muxer->video_codec)));
        }
      }
    } else {
      checkEncoder(defaults.VideoEncoder);
    }
  }
  if (!defaults.AudioEncoder.empty()) checkEncoder(defaults.AudioEncoder);
  return result;
}

}  // namespace app
