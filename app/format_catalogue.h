// The output format catalogue: categories and entries with their codes, the
// name table `FormatNames`, the drop-down's row list as a model (building,
// expanding, collapsing, choosing, saving the collapsed state), the key
// layout of the "formatInfo" sections of the format preset file and of the
// settings file with typed readers, the output settings dialog's item
// tables, and the check of an entry against the loaded media libraries.
//
// No user interface: the main window and the output settings dialog draw the
// rows; the command line lists the catalogue.
#pragma once

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "platform/ini_file.h"

namespace app {

// ---------------------------------------------------------------------------
// The catalogue table.

inline constexpr int kFormatCategoryCount = 28;
// Entries of one category at most (positions 0 .. kMaxCategoryEntries - 1).
inline constexpr int kMaxCategoryEntries = 31;
// `FormatNames` is indexed by category code and position, both 0 .. 50.
inline constexpr int kFormatNameTableSize = 51;

struct TFormatCategory {
  int Number;           // category code, 0 .. 27
  const char* Caption;  // "Apple iPod"
  // Entry names by position; the first null ends the category.
  std::array<const char*, kMaxCategoryEntries> Entries;
};

struct TFormatEntry {
  int Code;  // category × 100 + position
  int Category;
  int Position;
  const char* Name;
};

// The 28 categories in code order.
std::span<const TFormatCategory> FormatCategories();
// Every entry, category by category in position order.
std::vector<TFormatEntry> FormatEntries();
std::vector<TFormatEntry> CategoryEntries(int category);

constexpr int FormatCode(int category, int position) {
  return category * 100 + position;
}
// The entry with that code, or none.
std::optional<TFormatEntry> FindFormatEntry(int code);
// The entry's name, "" when the code names no entry.
std::string FormatEntryName(int code);
// The category's caption, "" outside 0 .. 27.
std::string FormatCategoryCaption(int category);

// `FormatNames`: 51 × 51 texts by category code and position; "" = no entry.
using TFormatNames =
    std::array<std::array<std::string, kFormatNameTableSize>, kFormatNameTableSize>;
void ClearFormatNames(TFormatNames& names);
// Fills the names of one category (the rest of its row stays as it is).
void FillCategoryNames(TFormatNames& names, int category);

// ---------------------------------------------------------------------------
// The drop-down's rows.

// The object behind every row of the drop-down list.
struct TItemInfo {
  bool IsEntry = false;
  bool IsCategory = false;
  std::string Caption;  // category rows only
  bool Collapsed = false;
  int Code = 0;  // category code or entry code
};

struct TFormatListRow {
  std::string Text;  // what the row shows: the caption or the entry name
  TItemInfo Info;
};

inline constexpr int kFormatRowHeight = 20;
// Highest list of the main window's drop-down when it is opened.
inline constexpr int kMainListMaxHeight = 422;
// Highest list of the output settings dialog's drop-down.
inline constexpr int kDialogListMaxHeight = 247;

// Height of the hidden list right after building: (rows + 1) × 20 while
// rows × 20 is below 380, else 379.
int BuiltListHeight(int rowCount);
// Height when the list is opened: maxHeight when rows × 20 exceeds it, else
// rows × 20 + 20.
int OpenedListHeight(int rowCount, int maxHeight);

// The catalogue list of one window (the main window and the output settings
// dialog each keep their own), with its own name table.
class TFormatList {
 public:
  // Clears the names and the rows, then for every category in code order
  // adds its row (collapsed as section "lstformat" says, default collapsed),
  // fills its names and, when it is expanded, its entry rows.
  void Build(const platform::IniFile& settings);

  const std::vector<TFormatListRow>& Rows() const { return rows_; }
  int RowCount() const { return static_cast<int>(rows_.size()); }
  const TFormatNames& Names() const { return names_; }

  // Expands a collapsed category row (its entries follow it in position
  // order) or collapses an expanded one (the entry rows right after it go).
  // Returns false, changing nothing, for an entry row or a bad index.
  bool Toggle(int row);

  // The first row whose text equals the trimmed text without regard to
  // letter case; -1 when none does.
  int FindRowByText(const std::string& text) const;

  // The category row index of a category code; -1 when missing.
  int FindCategoryRow(int category) const;

  // Writes the collapsed state of every category row to "lstformat".
  bool SaveCollapsed(platform::IniFile& settings) const;

  // For an entry row: writes `FormatName` (the row's text) and `FormatCode`
  // (its code) to section "settings" and returns true. Other rows: false.
  bool Choose(int row, platform::IniFile& settings) const;

 private:
  std::vector<TFormatListRow> EntryRows(int category) const;

  TFormatNames names_{};
  std::vector<TFormatListRow> rows_;
};

// ---------------------------------------------------------------------------
// "formatInfo" sections.

// "formatInfo" + the code in decimal.
std::string FormatSectionName(int code);

// The text of a list key meaning "no list".
inline constexpr const char* kNoList = "null";
// Frame size, bit rate, sample rate ... item that keeps the source's value.
inline constexpr const char* kAsSource = "as source";

// Splits a list text as the output settings dialog fills its boxes: every
// "," ends an item, the end of the text ends the last one, nothing is
// trimmed; "" gives no items.
std::vector<std::string> SplitFormatList(const std::string& text);

// Keys of a section of the format preset file, in file order.
enum class PresetKey {
  Format,
  FileExt,
  VideoSize,
  iVideoSize,
  VideoBitRate,
  iVideoBitRate,
  FrameRate,
  iFrameRate,
  VideoEncoder,
  iVideoEncoder,
  AudioBitRate,
  iAudioBitRate,
  SampleRate,
  iSampleRate,
  AudioEncoder,
  iAudioEncoder,
  Channel,
  iChannel,
  Volume,
  iVolume,
  paraVideoBitRate,
  paraSampleRate,
  paraAudioBitRate,
  paraBitExact,
  paraMaxBitrate,
  paraBufferSize,
  paraLevel,
  paraQscale,
  paraGop,
  paraCoder,
};

// Keys of a user section of the settings file, in the order the output
// settings dialog writes them.
enum class UserKey {
  Description,
  iVideoSize,
  iVideoBitRate,
  iVideoEncoder,
  iFrameRate,
  iSampleRate,
  iAudioBitRate,
  iChannel,
  iVolume,
  iAudioEncoder,
  paraVideoSize,
  paraVideoBitRate,
  paraFrameRate,
  paraZoom,
  paraVideoEncoder,
  paraBitExact,
  paraMaxBitrate,
  paraBufferSize,
  paraLevel,
  paraQscale,
  paraGop,
  paraCoder,
  paraSampleRate,
  paraAudioBitRate,
  paraChannel,
  paraVolume,
  paraAudioEncoder,
};

struct TFormatKeyInfo {
  const char* Name;
  // The value when the key is absent, as text (positions: "0").
  const char* Absent;
};

const TFormatKeyInfo& KeyInfo(PresetKey key);
const TFormatKeyInfo& KeyInfo(UserKey key);
std::span<const PresetKey> PresetKeys();
std::span<const UserKey> UserKeys();
// The H.264 keys, which the dialog copies from the preset file into the
// user section when "H264" is chosen.
std::span<const PresetKey> H264PresetKeys();

// `paraAudioEncoder` of an audio-only output when the key is absent.
inline constexpr const char* kAudioOnlyEncoderAbsent = "libfaac";

// Key by key, with the table's absent value or an explicit one.
std::string ReadPresetText(const platform::IniFile& presets, int code, PresetKey key);
std::string ReadPresetText(const platform::IniFile& presets, int code, PresetKey key,
                           const std::string& absent);
// Integer keys; a value that is not an integer gives the absent value.
int ReadPresetInteger(const platform::IniFile& presets, int code, PresetKey key);
std::string ReadUserText(const platform::IniFile& settings, int code, UserKey key);
std::string ReadUserText(const platform::IniFile& settings, int code, UserKey key,
                         const std::string& absent);
int ReadUserInteger(const platform::IniFile& settings, int code, UserKey key);

// One value list of a preset section: its text and default position.
struct TPresetList {
  std::string Text = "null";  // as read
  int Position = 0;           // absent: 0

  // The items; none for "null" and for "".
  std::vector<std::string> Items() const;
  // The item at the default position, or none.
  std::optional<std::string> DefaultItem() const;
};

// A whole section of the format preset file.
struct TPresetSection {
  int Code = 0;
  bool Present = false;  // the section exists
  std::string Format;    // absent: "null"
  std::string FileExt;   // absent: "mp4"
  TPresetList VideoSize, VideoBitRate, FrameRate, VideoEncoder;
  TPresetList AudioBitRate, SampleRate, AudioEncoder, Channel, Volume;
  std::string paraVideoBitRate;  // absent: "256"
  std::string paraSampleRate;    // absent: "44100"
  std::string paraAudioBitRate;  // absent: "128"
  // The H.264 keys in the order of H264PresetKeys(); absent: "".
  std::array<std::string, 7> H264;
};
TPresetSection ReadPresetSection(const platform::IniFile& presets, int code);

inline constexpr size_t kUserKeyCount = static_cast<size_t>(UserKey::paraAudioEncoder) + 1;

// A whole user section of the settings file, every key as text, absent keys
// with the table's absent values.
struct TUserSection {
  int Code = 0;
  bool Present = false;  // the section exists
  std::array<std::string, kUserKeyCount> Values;
  std::array<bool, kUserKeyCount> Found{};  // the key is in the file

  const std::string& Value(UserKey key) const { return Values[static_cast<size_t>(key)]; }
  bool Has(UserKey key) const { return Found[static_cast<size_t>(key)]; }
};
TUserSection ReadUserSection(const platform::IniFile& settings, int code);

// ---------------------------------------------------------------------------
// The output settings dialog's item tables: what a chosen list item writes
// into the user section. None when the item matches no row (the dialog then
// leaves the key as it is).

// Item text lower-cased: "mpeg-4" -> "mpeg4", "xvid" -> "libxvid",
// "h264" -> "libx264", ...
std::optional<std::string> VideoEncoderForItem(const std::string& item);
// Item text lower-cased: "aac" -> "libfaac", "mp3" -> "libmp3lame", ...
// ("gsm" also makes the dialog write `paraSampleRate` 8000 and `paraChannel` 1).
std::optional<std::string> AudioEncoderForItem(const std::string& item);
// Exact text: "as source", "mono 1 channel" -> "1", "stereo 2 channels" -> "2".
std::optional<std::string> ChannelForItem(const std::string& item);
// The item without its last character, 25 .. 400 of the dialog's steps:
// "100%" -> "256" (v × 256 / 100).
std::optional<std::string> VolumeForItem(const std::string& item);

// `paraVideoEncoder` words that leave the choice to the container's default
// video codec: "mov", "3gp", "3g2", "flv", "swf", "wmv3".
bool IsContainerVideoWord(const std::string& paraVideoEncoder);

// ---------------------------------------------------------------------------
// What an entry needs from the media libraries.

// The muxer name the conversion hands to the engine for a preset `Format`
// (disc targets name their muxer: "ntsc-dvd" -> "dvd"); "" when the engine
// chooses the muxer from the output file's extension.
std::string PresetMuxerName(const std::string& format, bool audioOnly);

// The defaults of an entry: what the preset's default positions choose.
struct TEntryDefaults {
  bool AudioOnly = false;    // no video encoder list
  std::string Muxer;         // PresetMuxerName; "" = by extension
  std::string FileExt;       // without the point
  std::string VideoEncoder;  // `paraVideoEncoder` of the default item ("" audio-only)
  std::string AudioEncoder;  // `paraAudioEncoder` of the default item ("" none)
};
TEntryDefaults EntryDefaults(const TPresetSection& preset);
// The same from the file, reading only the keys it needs (every read parses
// the file, so this is the cheap way through the whole catalogue). Empty
// (`Present` false) when the section is missing.
struct TPresetDefaults {
  bool Present = false;
  TEntryDefaults Defaults;
};
TPresetDefaults ReadEntryDefaults(const platform::IniFile& presets, int code);

struct TEntryAvailability {
  bool Available = true;
  // What is missing, one text each: "encoder libopencore_amrnb",
  // "muxer dvd", "muxer for .xyz".
  std::vector<std::string> Missing;
};

// Checks the entry's default container and encoders against the loaded
// libraries (avcodec and avformat must be loaded). Encoders are looked up as
// the engine looks them up (old names under their current ones, so a missing
// one is named as the libraries would know it); a container word stands for
// the muxer's own default video codec.
TEntryAvailability CheckEntryAvailability(const TEntryDefaults& defaults);

}  // namespace app
