// The format catalogue table, the drop-down's row model, the "formatInfo"
// key layout and readers, the dialog's item tables, the availability check,
// and the per-file edit record.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <set>

#include "app/edit_record.h"
#include "app/format_catalogue.h"
#include "app/settings_keys.h"
#include "platform/ini_file.h"
#include "tests/support/fixtures.h"
#include "tests/support/real_libraries.h"

namespace {

using app::PresetKey;
using app::TFormatList;
using app::UserKey;
using platform::IniFile;

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

IniFile FileWith(const std::string& tag, const std::string& text) {
  const std::string path = testsupport::TempFolder(tag) + "/file.ini";
  std::ofstream(path) << text;
  return IniFile(path);
}

// ---------------------------------------------------------------------------
// The catalogue table.

TEST(FormatCatalogue, CategoriesAreNumberedInOrderWithTheirEntryCounts) {
  constexpr int kCounts[app::kFormatCategoryCount] = {9, 5, 6, 1, 5, 4, 3, 3, 7, 7, 10, 3, 3,  2,
                                                      6, 1, 1, 8, 1, 2, 1, 9, 2, 2, 2,  1, 11, 18};
  auto categories = app::FormatCategories();
  ASSERT_EQ(categories.size(), 28u);
  for (int c = 0; c < app::kFormatCategoryCount; ++c) {
    SCOPED_TRACE(c);
    EXPECT_EQ(categories[c].Number, c);
    auto entries = app::CategoryEntries(c);
    ASSERT_EQ(static_cast<int>(entries.size()), kCounts[c]);
    for (int p = 0; p < kCounts[c]; ++p) {
      EXPECT_EQ(entries[p].Code, c * 100 + p);
      EXPECT_EQ(entries[p].Category, c);
      EXPECT_EQ(entries[p].Position, p);
    }
  }
  EXPECT_EQ(app::FormatEntries().size(), 133u);
}

TEST(FormatCatalogue, LooksUpNamesAndCaptionsByCode) {
  struct Case {
    int code;
    const char* name;
  };
  const Case cases[] = {
      {0, "iPod Video MPEG-4 (*.mp4)"},
      {1, "iPod Video H.264 (*.mp4)"},
      {8, "iPod Touch MPEG-4 Wide Screen (*.mp4)"},
      {1009, "iRiver PMP-120/140/IMP-1000/1100 Video (*.avi)"},
      {1405, "Nokia N Series MPEG-4 Video(*.mp4)"},
      {1600, "Nokia N Series MPEG-4 Video (*.mp4)"},
      {2108, "HD MPEG2-TS Video (*.ts)"},
      {2200, "DVD - NTSC MPEG-2 Moive (*.mpg)"},
      {2701, "AAC Advenced Audio Codec (*.aac)"},
      {2717, "MMF - Yamaha SMAF audio (*.mmf)"},
      // No entry: past a category's end, past the last category, negative.
      {9, ""},
      {150, ""},
      {2718, ""},
      {2800, ""},
      {-1, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    EXPECT_EQ(app::FormatEntryName(c.code), c.name);
    EXPECT_EQ(app::FindFormatEntry(c.code).has_value(), c.name[0] != '\0');
  }
  EXPECT_EQ(app::FormatCategoryCaption(0), "Apple iPod");
  EXPECT_EQ(app::FormatCategoryCaption(13), "Nitendeo WII");
  EXPECT_EQ(app::FormatCategoryCaption(26), "General Video formates");
  EXPECT_EQ(app::FormatCategoryCaption(27), "General Audio formates");
  EXPECT_EQ(app::FormatCategoryCaption(28), "");
  // The default FormatName is not an entry name.
  for (const auto& entry : app::FormatEntries()) {
    EXPECT_NE(std::string(entry.Name), "Apple iPod Video MPEG-4 Movie (*.mp4)");
  }
}

// A row is found by its text without regard to case, so names and captions
// must differ in more than letter case.
TEST(FormatCatalogue, RowTextsAreUniqueIgnoringCase) {
  std::set<std::string> seen;
  for (const auto& category : app::FormatCategories()) {
    EXPECT_TRUE(seen.insert(Lower(category.Caption)).second) << category.Caption;
  }
  for (const auto& entry : app::FormatEntries()) {
    EXPECT_TRUE(seen.insert(Lower(entry.Name)).second) << entry.Name;
  }
}

TEST(FormatCatalogue, NameTableFillsAndClearsByCategory) {
  app::TFormatNames names{};
  app::FillCategoryNames(names, 27);
  EXPECT_EQ(names[27][0], "MP3 MPEG Layer-3 Audio (*.mp3)");
  EXPECT_EQ(names[27][17], "MMF - Yamaha SMAF audio (*.mmf)");
  EXPECT_EQ(names[27][18], "");
  EXPECT_EQ(names[26][0], "");
  app::FillCategoryNames(names, 99);  // ignored
  app::ClearFormatNames(names);
  EXPECT_EQ(names[27][0], "");
}

// ---------------------------------------------------------------------------
// The drop-down's rows.

class FormatListTest : public ::testing::Test {
 protected:
  void SetUp() override {
    settings_ = IniFile(testsupport::TempFolder("format_list") + "/veyvideoconverter.ini");
  }
  // The texts of the rows from `first` on, `count` of them.
  std::vector<std::string> Texts(const TFormatList& list, int first, int count) {
    std::vector<std::string> texts;
    for (int i = first; i < first + count && i < list.RowCount(); ++i) {
      texts.push_back(list.Rows()[i].Text);
    }
    return texts;
  }
  IniFile settings_{""};
};

TEST_F(FormatListTest, FreshSettingsShowEveryCategoryCollapsed) {
  TFormatList list;
  list.Build(settings_);
  ASSERT_EQ(list.RowCount(), 28);
  for (int i = 0; i < 28; ++i) {
    const auto& row = list.Rows()[i];
    EXPECT_TRUE(row.Info.IsCategory);
    EXPECT_FALSE(row.Info.IsEntry);
    EXPECT_TRUE(row.Info.Collapsed);
    EXPECT_EQ(row.Info.Code, i);
    EXPECT_EQ(row.Text, row.Info.Caption);
  }
  // The names are filled even for collapsed categories.
  EXPECT_EQ(list.Names()[4][3], "PSP H.264/AVC Video (*.mp4)");
  EXPECT_EQ(list.FindRowByText(app::settings::DefaultText(app::settings::Key::FormatName)), -1);
}

TEST_F(FormatListTest, ExpandingAndCollapsingInsertAndRemoveOnlyTheCategorysRows) {
  TFormatList list;
  list.Build(settings_);
  const int audio = list.FindCategoryRow(27);
  const int video = list.FindCategoryRow(26);
  ASSERT_EQ(audio, 27);

  ASSERT_TRUE(list.Toggle(audio));
  EXPECT_EQ(list.RowCount(), 28 + 18);
  EXPECT_FALSE(list.Rows()[audio].Info.Collapsed);
  for (int p = 0; p < 18; ++p) {
    const auto& row = list.Rows()[audio + 1 + p];
    EXPECT_TRUE(row.Info.IsEntry);
    EXPECT_EQ(row.Info.Code, 2700 + p);
    EXPECT_EQ(row.Text, app::FormatEntryName(2700 + p));
  }

  // Expanding the category above shifts the rows below it; collapsing it
  // again takes its 11 rows and nothing of the next category.
  ASSERT_TRUE(list.Toggle(video));
  EXPECT_EQ(list.RowCount(), 28 + 18 + 11);
  EXPECT_EQ(list.FindCategoryRow(27), video + 12);
  ASSERT_TRUE(list.Toggle(video));
  EXPECT_EQ(list.RowCount(), 28 + 18);
  EXPECT_TRUE(list.Rows()[video].Info.Collapsed);
  EXPECT_EQ(list.Rows()[video + 1].Text, "General Audio formates");
  EXPECT_EQ(list.Rows()[video + 2].Info.Code, 2700);

  // The last category collapses to the end of the list.
  ASSERT_TRUE(list.Toggle(list.FindCategoryRow(27)));
  EXPECT_EQ(list.RowCount(), 28);

  // Entry rows and bad indexes do not toggle.
  ASSERT_TRUE(list.Toggle(0));
  EXPECT_FALSE(list.Toggle(1));
  EXPECT_FALSE(list.Toggle(-1));
  EXPECT_FALSE(list.Toggle(list.RowCount()));
  EXPECT_EQ(list.RowCount(), 28 + 9);
}

TEST_F(FormatListTest, CollapsedStateRoundTripsThroughLstformat) {
  TFormatList list;
  list.Build(settings_);
  ASSERT_TRUE(list.Toggle(list.FindCategoryRow(4)));  // "Sony PSP"
  ASSERT_TRUE(list.SaveCollapsed(settings_));
  EXPECT_EQ(settings_.ReadString("lstformat", "4", ""), "0");
  EXPECT_EQ(settings_.ReadString("lstformat", "5", ""), "1");
  EXPECT_EQ(settings_.ReadString("lstformat", "27", ""), "1");

  TFormatList again;
  again.Build(settings_);
  ASSERT_EQ(again.RowCount(), 28 + 5);
  EXPECT_EQ(again.Rows()[4].Text, "Sony PSP");
  EXPECT_FALSE(again.Rows()[4].Info.Collapsed);
  EXPECT_EQ(Texts(again, 5, 1)[0], "PSP MPEG-4 Excellent Quality (*.mp4)");
  EXPECT_EQ(again.Rows()[9].Info.Code, 404);
  EXPECT_EQ(again.Rows()[10].Text, "Sony PS3");
}

TEST_F(FormatListTest, FindsRowsByTrimmedTextIgnoringCase) {
  settings_.WriteString("lstformat", "21", "0");
  TFormatList list;
  list.Build(settings_);
  const int ts = list.FindRowByText("  hd mpeg2-ts video (*.TS)\t");
  ASSERT_GE(ts, 0);
  EXPECT_EQ(list.Rows()[ts].Info.Code, 2108);
  EXPECT_EQ(list.FindRowByText("Sony PSP"), 4);
  // An entry of a collapsed category is not in the list.
  EXPECT_EQ(list.FindRowByText("PSP Video (480P) (*.mp4)"), -1);
  EXPECT_EQ(list.FindRowByText(""), -1);
}

TEST_F(FormatListTest, ChoosingAnEntryStoresItsNameAndCode) {
  settings_.WriteString("lstformat", "21", "0");
  TFormatList list;
  list.Build(settings_);
  const int row = list.FindRowByText("HD MPEG2-TS Video (*.ts)");
  ASSERT_TRUE(list.Choose(row, settings_));
  EXPECT_EQ(settings_.ReadString("settings", "FormatCode", ""), "2108");
  EXPECT_EQ(settings_.ReadString("settings", "FormatName", ""), "HD MPEG2-TS Video (*.ts)");
  EXPECT_EQ(
      app::FormatSectionName(app::settings::ReadInteger(settings_, app::settings::Key::FormatCode)),
      "formatInfo2108");

  // A category row is no choice.
  EXPECT_FALSE(list.Choose(list.FindCategoryRow(21), settings_));
  EXPECT_FALSE(list.Choose(-1, settings_));
  EXPECT_EQ(settings_.ReadString("settings", "FormatCode", ""), "2108");
}

TEST(FormatListGeometry, ListHeights) {
  struct Case {
    int rows, built, openedMain, openedDialog;
  };
  const Case cases[] = {
      {0, 20, 20, 20},     {5, 120, 120, 120},  {12, 260, 260, 260},
      {13, 280, 280, 247}, {18, 380, 380, 247}, {19, 379, 400, 247},
      {21, 379, 440, 247}, {22, 379, 422, 247}, {30, 379, 422, 247},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.rows);
    EXPECT_EQ(app::BuiltListHeight(c.rows), c.built);
    EXPECT_EQ(app::OpenedListHeight(c.rows, app::kMainListMaxHeight), c.openedMain);
    EXPECT_EQ(app::OpenedListHeight(c.rows, app::kDialogListMaxHeight), c.openedDialog);
  }
}

// ---------------------------------------------------------------------------
// "formatInfo" sections.

TEST(FormatSections, SplitsListsAsTheDialogFillsItsBoxes) {
  struct Case {
    const char* text;
    std::vector<std::string> items;
  };
  const Case cases[] = {
      {"", {}},
      {"320x240", {"320x240"}},
      {"as source,8000,48000", {"as source", "8000", "48000"}},
      {"a,,b,", {"a", "", "b", ""}},
      {" a , b", {" a ", " b"}},
      {",", {"", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(app::SplitFormatList(c.text), c.items);
  }
  app::TPresetList list;
  EXPECT_TRUE(list.Items().empty());  // "null"
  EXPECT_FALSE(list.DefaultItem());
  list.Text = "a,b";
  list.Position = 1;
  EXPECT_EQ(list.DefaultItem(), "b");
  list.Position = 2;
  EXPECT_FALSE(list.DefaultItem());
  list.Position = -1;
  EXPECT_FALSE(list.DefaultItem());
}

TEST(FormatSections, MissingSectionsReadTheAbsentValues) {
  const IniFile empty = FileWith("format_sections_empty", "[settings]\nFormatCode=1\n");
  const app::TPresetSection preset = app::ReadPresetSection(empty, 2603);
  EXPECT_FALSE(preset.Present);
  EXPECT_EQ(preset.Format, "null");
  EXPECT_EQ(preset.FileExt, "mp4");
  EXPECT_EQ(preset.VideoSize.Text, "null");
  EXPECT_EQ(preset.Volume.Position, 0);
  EXPECT_EQ(preset.paraVideoBitRate, "256");
  EXPECT_EQ(preset.paraSampleRate, "44100");
  EXPECT_EQ(preset.paraAudioBitRate, "128");
  EXPECT_EQ(preset.H264[0], "");

  // The user section's absent values are the option builder's.
  const app::TUserSection user = app::ReadUserSection(empty, 2603);
  EXPECT_FALSE(user.Present);
  struct Case {
    UserKey key;
    const char* value;
  };
  const Case cases[] = {
      {UserKey::paraVideoSize, "null"},   {UserKey::paraVideoBitRate, "512"},
      {UserKey::paraFrameRate, "29.97"},  {UserKey::paraZoom, "lbox"},
      {UserKey::paraVideoEncoder, ""},    {UserKey::paraAudioEncoder, ""},
      {UserKey::paraChannel, "2"},        {UserKey::paraSampleRate, "44100"},
      {UserKey::paraAudioBitRate, "128"}, {UserKey::paraVolume, "3"},
      {UserKey::iVideoSize, "0"},         {UserKey::Description, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(app::KeyInfo(c.key).Name);
    EXPECT_EQ(user.Value(c.key), c.value);
    EXPECT_FALSE(user.Has(c.key));
    EXPECT_EQ(app::ReadUserText(empty, 2603, c.key), c.value);
  }
  EXPECT_EQ(app::ReadUserText(empty, 2603, UserKey::paraAudioEncoder, app::kAudioOnlyEncoderAbsent),
            "libfaac");
}

TEST(FormatSections, ReadsKeysInAnyLetterCase) {
  const IniFile file = FileWith("format_sections_case",
                                "[FORMATINFO2108]\n"
                                "format=mpegts\n"
                                "FILEEXT=ts\n"
                                "videoencoder=MPEG2VIDEO,H264\n"
                                "IVIDEOENCODER=1\n"
                                "iVolume=x\n"
                                "paraLevel=41\n"
                                "\n"
                                "[formatInfo2108]\n"
                                "paraZoom=pan\n"
                                "paraAudioEncoder=\n");
  const app::TPresetSection preset = app::ReadPresetSection(file, 2108);
  EXPECT_TRUE(preset.Present);
  EXPECT_EQ(preset.Format, "mpegts");
  EXPECT_EQ(preset.FileExt, "ts");
  EXPECT_EQ(preset.VideoEncoder.DefaultItem(), "H264");
  EXPECT_EQ(preset.Volume.Position, 0);  // not an integer
  EXPECT_EQ(preset.H264[3], "41");       // paraLevel
  EXPECT_EQ(app::ReadPresetInteger(file, 2108, PresetKey::iVideoEncoder), 1);

  const app::TUserSection user = app::ReadUserSection(file, 2108);
  EXPECT_TRUE(user.Present);
  EXPECT_EQ(user.Value(UserKey::paraZoom), "pan");
  // Present but empty is not absent.
  EXPECT_TRUE(user.Has(UserKey::paraAudioEncoder));
  EXPECT_EQ(user.Value(UserKey::paraAudioEncoder), "");
  EXPECT_EQ(app::ReadUserText(file, 2108, UserKey::paraAudioEncoder, app::kAudioOnlyEncoderAbsent),
            "");
}

TEST(FormatSections, KeyTablesNameEveryKeyOnce) {
  std::set<std::string> preset;
  for (PresetKey key : app::PresetKeys())
    EXPECT_TRUE(preset.insert(Lower(app::KeyInfo(key).Name)).second);
  std::set<std::string> user;
  for (UserKey key : app::UserKeys())
    EXPECT_TRUE(user.insert(Lower(app::KeyInfo(key).Name)).second);
  EXPECT_EQ(preset.size(), 30u);
  EXPECT_EQ(user.size(), app::kUserKeyCount);
  for (PresetKey key : app::H264PresetKeys()) {
    // Every H.264 key of the preset file has its user-section twin.
    EXPECT_TRUE(user.count(Lower(app::KeyInfo(key).Name))) << app::KeyInfo(key).Name;
  }
}

// ---------------------------------------------------------------------------
// The dialog's item tables.

TEST(DialogItems, VideoAndAudioEncoderItemsIgnoreLetterCase) {
  struct Case {
    const char* item;
    std::optional<std::string> written;
  };
  const Case video[] = {
      {"MPEG-4", "mpeg4"},     {"mpeg-4", "mpeg4"},     {"XVID", "libxvid"},
      {"H264", "libx264"},     {"H263", "h263"},        {"MPEG2VIDEO", "mpeg2video"},
      {"WMV2", "wmv2"},        {"wmv3", "wmv3"},        {"MOV", "mov"},
      {"H.264", std::nullopt}, {"MPEG4", std::nullopt}, {"", std::nullopt},
  };
  for (const Case& c : video) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(app::VideoEncoderForItem(c.item), c.written);
  }
  const Case audio[] = {
      {"AAC", "libfaac"},
      {"MP3", "libmp3lame"},
      {"OGG", "vorbis"},
      {"AC-3", "ac3"},
      {"GSM", "libgsm"},
      {"WMA2", "wmav2"},
      {"PCM-16bit", "pcm_s16be"},
      {"PCM_S16", "pcm_s16le"},
      {"CCITT mu-Law(8-bit)", "pcm_mulaw"},
      {"libamr_nb", "libopencore_amrnb"},
      {"pcm_mulaw ", "pcm_mulaw"},
      {"pcm_mulaw", std::nullopt},  // the table's item ends in a blank
      {"AC3", std::nullopt},
  };
  for (const Case& c : audio) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(app::AudioEncoderForItem(c.item), c.written);
  }
}

TEST(DialogItems, ChannelItemsAreExactAndVolumeItemsScale) {
  struct Case {
    const char* item;
    std::optional<std::string> written;
  };
  const Case channels[] = {
      {"as source", "as source"},           {"mono 1 channel", "1"},
      {"stereo 2 channels", "2"},           {"Mono 1 channel", std::nullopt},
      {"stereo 2 channels ", std::nullopt},
  };
  for (const Case& c : channels) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(app::ChannelForItem(c.item), c.written);
  }
  const Case volumes[] = {
      {"25%", "64"},       {"100%", "256"},        {"150%", "384"},        {"150x", "384"},
      {"400%", "1024"},    {"110%", std::nullopt}, {"0%", std::nullopt},   {"100", std::nullopt},
      {"%", std::nullopt}, {"", std::nullopt},     {"-25%", std::nullopt},
  };
  for (const Case& c : volumes) {
    SCOPED_TRACE(c.item);
    EXPECT_EQ(app::VolumeForItem(c.item), c.written);
  }
  EXPECT_TRUE(app::IsContainerVideoWord("swf"));
  EXPECT_FALSE(app::IsContainerVideoWord("SWF"));
  EXPECT_FALSE(app::IsContainerVideoWord("mpeg4"));
}

// ---------------------------------------------------------------------------
// What an entry needs from the libraries.

TEST(EntryNeeds, MuxerNamesFollowTheOptionBuildersWords) {
  struct Case {
    const char* format;
    bool audioOnly;
    const char* muxer;
  };
  const Case cases[] = {
      {"NTSC-DVD", false, "dvd"},  {"pal-dvd", true, "dvd"},
      {"pal-svcd", false, "svcd"}, {"ntsc-vcd", false, "vcd"},
      {"ipod", false, "ipod"},     {"ipod", true, ""},
      {"PSP", false, "psp"},       {"mpegts", false, "mpegts"},
      {"matroska", false, ""},     {"matroska", true, "matroska"},
      {"asf", true, "asf"},        {"asf", false, "asf"},
      {"mmf", true, "mmf"},        {"mmf", false, ""},
      {"mp4", false, ""},          {"ps3", false, ""},
      {"null", false, ""},         {"", true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.format) + (c.audioOnly ? " audio" : " video"));
    EXPECT_EQ(app::PresetMuxerName(c.format, c.audioOnly), c.muxer);
  }
}

TEST(EntryNeeds, DefaultsComeFromTheDefaultPositions) {
  app::TPresetSection preset;
  preset.Format = "ipod";
  preset.FileExt = "mp4";
  preset.VideoEncoder = {"MPEG-4,H264", 1};
  preset.AudioEncoder = {"AAC", 0};
  app::TEntryDefaults d = app::EntryDefaults(preset);
  EXPECT_FALSE(d.AudioOnly);
  EXPECT_EQ(d.Muxer, "ipod");
  EXPECT_EQ(d.VideoEncoder, "libx264");
  EXPECT_EQ(d.AudioEncoder, "libfaac");

  preset.VideoEncoder = {"null", 0};
  d = app::EntryDefaults(preset);
  EXPECT_TRUE(d.AudioOnly);
  EXPECT_EQ(d.Muxer, "");  // "ipod" is no audio-only container word
  EXPECT_EQ(d.VideoEncoder, "");
}

TEST(EntryNeeds, AvailabilityNamesWhatIsMissing) {
  testsupport::LoadRealLibraries();
  struct Case {
    const char* name;
    app::TEntryDefaults defaults;
    std::vector<std::string> missing;
  };
  const Case cases[] = {
      {"old aac name", {false, "ipod", "mp4", "mpeg4", "libfaac"}, {}},
      {"container default codec", {false, "", "flv", "flv", "libmp3lame"}, {}},
      {"audio only by extension", {true, "", "ogg", "", "vorbis"}, {}},
      {"disc target muxer", {false, "dvd", "mpg", "mpeg2video", "ac3"}, {}},
      {"missing encoders",
       {false, "", "avi", "nosuchvideo", "nosuchaudio"},
       {"encoder nosuchvideo", "encoder nosuchaudio"}},
      {"no amr encoder",
       {true, "amr", "amr", "", "libopencore_amrnb"},
       {"encoder libopencore_amrnb"}},
      {"missing muxer", {false, "nosuchmuxer", "mp4", "mpeg4", ""}, {"muxer nosuchmuxer"}},
      {"unknown extension", {true, "", "nosuchext", "", "aac"}, {"muxer for .nosuchext"}},
      {"no default video item", {false, "", "mp4", "", "aac"}, {"video encoder (no default item)"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const app::TEntryAvailability result = app::CheckEntryAvailability(c.defaults);
    EXPECT_EQ(result.Available, c.missing.empty());
    EXPECT_EQ(result.Missing, c.missing);
  }
}

TEST(EntryNeeds, WithoutLibrariesNothingIsAvailable) {
  const auto result = app::CheckEntryAvailability({false, "ipod", "mp4", "mpeg4", "libfaac"});
  EXPECT_FALSE(result.Available);
  EXPECT_EQ(result.Missing, std::vector<std::string>{"media libraries not loaded"});
}

// ---------------------------------------------------------------------------
// The per-file edit record.

TEST(EditRecord, NewRecordsCarryNeutralEdits) {
  const app::TlvFilesRecord r =
      app::NewFilesRecord(3, "/in/clip.avi", "/out/clip_(new)_ipod.mp4", 59'900'000, "pan");
  EXPECT_EQ(r.SelectionIndex, 3);
  EXPECT_EQ(r.FileName, "/in/clip.avi");
  EXPECT_EQ(r.OutputFile, "/out/clip_(new)_ipod.mp4");
  EXPECT_EQ(r.DurationSeconds, 59);
  EXPECT_EQ(r.Zoom, "pan");
  EXPECT_EQ(r.TrimStart, 0);
  EXPECT_EQ(r.TrimLength, 0);
  EXPECT_EQ(r.CropTop + r.CropLeft + r.CropBottom + r.CropRight, 0);
  EXPECT_EQ(r.PreviewTop + r.PreviewLeft + r.PreviewBottom + r.PreviewRight, 0);
  EXPECT_TRUE(r.WaterMarks.empty());
  EXPECT_EQ(r.Brightness, 255);
  EXPECT_EQ(r.Contrast, 0);
  EXPECT_EQ(r.Saturation, 255);
  EXPECT_EQ(r.Exposure, 0);
  EXPECT_FALSE(r.ProcessText);
  EXPECT_FALSE(r.ProcessImage);
  EXPECT_TRUE(app::EffectsNeutral(r));
  EXPECT_FALSE(app::HasCrop(r));
  EXPECT_FALSE(app::FirstWaterMarkHasContent(r));
}

TEST(EditRecord, DurationInWholeSeconds) {
  const std::pair<int64_t, int32_t> cases[] = {{0, 0},           {999'999, 0}, {1'000'000, 1},
                                               {59'900'000, 59}, {-1, 0},      {INT64_MIN, 0}};
  for (auto [microseconds, seconds] : cases) {
    EXPECT_EQ(app::DurationInSeconds(microseconds), seconds) << microseconds;
  }
}

TEST(EditRecord, EffectsAreNeutralOnlyAtTheNeutralValues) {
  struct Case {
    const char* name;
    void (*change)(app::TlvFilesRecord&);
  };
  const Case cases[] = {
      {"brightness 256", [](app::TlvFilesRecord& r) { r.Brightness = 256; }},
      {"contrast -1", [](app::TlvFilesRecord& r) { r.Contrast = -1; }},
      {"saturation 0", [](app::TlvFilesRecord& r) { r.Saturation = 0; }},
      {"exposure 1", [](app::TlvFilesRecord& r) { r.Exposure = 1; }},
  };
  for (const Case& c : cases) {
    app::TlvFilesRecord r;
    c.change(r);
    EXPECT_FALSE(app::EffectsNeutral(r)) << c.name;
  }
  app::TlvFilesRecord cropped;
  cropped.CropRight = 2;
  EXPECT_TRUE(app::HasCrop(cropped));
}

TEST(EditRecord, OnlyTheFirstWaterMarkDecidesAboutContent) {
  app::TWmRec text;
  text.Text = "Vey";
  app::TWmRec picture;
  picture.Kind = app::kWmKindImage;
  picture.ImageFile = "/pics/logo.bmp";
  app::TWmRec empty;
  app::TWmRec textInPictureItem = picture;
  textInPictureItem.ImageFile.clear();
  textInPictureItem.Text = "left over";

  struct Case {
    const char* name;
    std::vector<app::TWmRec> items;
    bool content;
  };
  const Case cases[] = {
      {"none", {}, false},
      {"text first", {text, empty}, true},
      {"picture first", {picture}, true},
      {"empty first", {empty, text}, false},
      {"whatever the kind", {textInPictureItem}, true},
  };
  for (const Case& c : cases) {
    app::TlvFilesRecord r;
    r.WaterMarks = c.items;
    EXPECT_EQ(app::FirstWaterMarkHasContent(r), c.content) << c.name;
  }
}

}  // namespace
