// The shipped data: resources/veyvideoformat.ini and the default
// resources/veyvideoconverter.ini, checked against the catalogue, the output
// settings dialog's item tables, the option builder's range test and the
// installed FFmpeg.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <map>
#include <optional>
#include <set>

#include "app/format_catalogue.h"
#include "app/settings_keys.h"
#include "media/binding/entry_table.h"
#include "media/engine/codec_lookup.h"
#include "platform/folders.h"
#include "platform/ini_file.h"
#include "tests/support/real_libraries.h"

namespace {

using app::TPresetList;
using app::TPresetSection;
using app::TUserSection;
using app::UserKey;
using platform::IniFile;

constexpr const char* kAsSource = "as source";

// Entries the installed libraries cannot produce, with what is missing. The
// amr muxer carries only AMR, and Debian's FFmpeg has no AMR encoder.
const std::map<int, std::vector<std::string>> kKnownUnavailable = {
    {2707, {"encoder libopencore_amrnb"}},
};
// Historical list items kept although their encoder is missing.
const std::set<std::string> kHistoricalItems = {"libamr_nb"};

IniFile PresetFile() {
  return IniFile(platform::ResourcesFolder() + "veyvideoformat.ini");
}
IniFile DefaultSettingsFile() {
  return IniFile(platform::ResourcesFolder() + "veyvideoconverter.ini");
}

std::string Lower(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::optional<long> Integer(const std::string& text) {
  long value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

std::optional<double> Number(const std::string& text) {
  double value = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (ec != std::errc() || ptr != text.data() + text.size() || text.empty()) return std::nullopt;
  return value;
}

bool IsFrameSize(const std::string& item) {
  const size_t x = item.find('x');
  if (x == std::string::npos) return false;
  auto w = Integer(item.substr(0, x));
  auto h = Integer(item.substr(x + 1));
  return w && h && *w > 0 && *h > 0 && *w % 2 == 0 && *h % 2 == 0;
}

// The lists the option builder's range test reads: an optional leading
// "as source", then numbers rising from the low to the high bound.
void ExpectRangeList(const TPresetList& list, bool integers, const char* key) {
  SCOPED_TRACE(key);
  auto items = list.Items();
  double last = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i == 0 && items[i] == kAsSource) continue;
    std::optional<double> value = Number(items[i]);
    if (integers && !Integer(items[i])) value.reset();
    ASSERT_TRUE(value && *value > 0) << "item '" << items[i] << "'";
    EXPECT_GT(*value, last) << "items must rise: '" << items[i] << "'";
    last = *value;
  }
}

struct Sections {
  std::vector<TPresetSection> presets;
  std::vector<TUserSection> users;
};

Sections ReadAll(bool withUsers) {
  Sections all;
  const IniFile presets = PresetFile();
  const IniFile settings = DefaultSettingsFile();
  for (const auto& entry : app::FormatEntries()) {
    all.presets.push_back(app::ReadPresetSection(presets, entry.Code));
    if (withUsers) all.users.push_back(app::ReadUserSection(settings, entry.Code));
  }
  return all;
}

// ---------------------------------------------------------------------------

TEST(PresetFiles, BothFilesHoldASectionForEveryEntryAndNothingElse) {
  std::set<std::string> expected;
  for (const auto& entry : app::FormatEntries())
    expected.insert(Lower(app::FormatSectionName(entry.Code)));

  auto presetSections = PresetFile().ReadSections();
  std::set<std::string> presets;
  for (const auto& s : presetSections) presets.insert(Lower(s));
  EXPECT_EQ(presets, expected);
  EXPECT_EQ(presetSections.size(), expected.size()) << "a section appears twice";

  const IniFile settings = DefaultSettingsFile();
  std::set<std::string> users;
  for (const auto& s : settings.ReadSections()) users.insert(Lower(s));
  expected.insert("settings");
  EXPECT_EQ(users, expected);
  // The installed choice.
  EXPECT_EQ(app::settings::ReadText(settings, app::settings::Key::FormatCode, ""), "1");
  EXPECT_EQ(app::settings::ReadText(settings, app::settings::Key::FormatName, ""),
            "Apple iPod Video MPEG-4 Movie (*.mp4)");

  // No misspelt key: every key is one the program reads.
  std::set<std::string> presetKeys;
  for (auto key : app::PresetKeys()) presetKeys.insert(Lower(app::KeyInfo(key).Name));
  std::set<std::string> userKeys;
  for (auto key : app::UserKeys()) userKeys.insert(Lower(app::KeyInfo(key).Name));
  const IniFile presetFile = PresetFile();
  for (const auto& entry : app::FormatEntries()) {
    const std::string name = app::FormatSectionName(entry.Code);
    for (const auto& key : presetFile.ReadSectionKeys(name)) {
      EXPECT_TRUE(presetKeys.count(Lower(key))) << name << ": preset key " << key;
    }
    for (const auto& key : settings.ReadSectionKeys(name)) {
      EXPECT_TRUE(userKeys.count(Lower(key))) << name << ": user key " << key;
    }
  }
}

TEST(PresetFiles, PresetListsUseTheDialogsTextsAndTheBuildersShapes) {
  const Sections all = ReadAll(false);
  for (const TPresetSection& p : all.presets) {
    SCOPED_TRACE(app::FormatSectionName(p.Code));
    ASSERT_TRUE(p.Present);
    const std::string name = app::FormatEntryName(p.Code);

    // The extension is the one the catalogue's name shows.
    ASSERT_FALSE(p.FileExt.empty());
    EXPECT_TRUE(name.ends_with("(*." + p.FileExt + ")")) << name << " vs " << p.FileExt;

    // Every list either is missing or has its default item; no empty or
    // repeated items.
    const std::pair<const char*, const TPresetList*> lists[] = {
        {"VideoSize", &p.VideoSize},
        {"VideoBitRate", &p.VideoBitRate},
        {"FrameRate", &p.FrameRate},
        {"VideoEncoder", &p.VideoEncoder},
        {"AudioBitRate", &p.AudioBitRate},
        {"SampleRate", &p.SampleRate},
        {"AudioEncoder", &p.AudioEncoder},
        {"Channel", &p.Channel},
        {"Volume", &p.Volume},
    };
    for (auto [key, list] : lists) {
      SCOPED_TRACE(key);
      auto items = list->Items();
      if (items.empty()) {
        EXPECT_EQ(list->Text, "null");
        EXPECT_EQ(list->Position, -1);
        continue;
      }
      EXPECT_TRUE(list->DefaultItem()) << "position " << list->Position;
      std::set<std::string> unique(items.begin(), items.end());
      EXPECT_EQ(unique.size(), items.size());
      EXPECT_FALSE(unique.count(""));
    }

    const bool audioOnly = p.VideoEncoder.Items().empty();
    if (audioOnly) {
      EXPECT_TRUE(p.VideoSize.Items().empty());
      EXPECT_TRUE(p.VideoBitRate.Items().empty());
      EXPECT_TRUE(p.FrameRate.Items().empty());
    } else {
      for (const auto& item : p.VideoSize.Items()) {
        EXPECT_TRUE(item == kAsSource || IsFrameSize(item)) << "frame size '" << item << "'";
      }
      for (const auto& item : p.FrameRate.Items()) {
        EXPECT_TRUE(item == kAsSource || Number(item).value_or(0) > 0) << "rate '" << item << "'";
      }
      for (const auto& item : p.VideoEncoder.Items()) {
        EXPECT_TRUE(app::VideoEncoderForItem(item)) << "video encoder '" << item << "'";
      }
      ExpectRangeList(p.VideoBitRate, true, "VideoBitRate");
      EXPECT_EQ(p.VideoBitRate.DefaultItem(), p.paraVideoBitRate);
      EXPECT_GT(Integer(p.paraVideoBitRate).value_or(0), 0);
    }
    ASSERT_FALSE(p.AudioEncoder.Items().empty()) << "every entry carries audio";
    for (const auto& item : p.AudioEncoder.Items()) {
      EXPECT_TRUE(app::AudioEncoderForItem(item)) << "audio encoder '" << item << "'";
    }
    for (const auto& item : p.Channel.Items()) {
      EXPECT_TRUE(app::ChannelForItem(item)) << "channel '" << item << "'";
    }
    EXPECT_FALSE(p.Volume.Items().empty());
    for (const auto& item : p.Volume.Items()) {
      EXPECT_TRUE(app::VolumeForItem(item)) << "volume '" << item << "'";
    }
    EXPECT_EQ(p.Volume.DefaultItem(), "100%");
    ExpectRangeList(p.SampleRate, true, "SampleRate");
    ExpectRangeList(p.AudioBitRate, false, "AudioBitRate");

    // Fallbacks are plain numbers and, where a list exists, its default.
    EXPECT_EQ(p.SampleRate.DefaultItem(), p.paraSampleRate);
    ASSERT_GT(Number(p.paraAudioBitRate).value_or(0), 0) << p.paraAudioBitRate;
    if (!p.AudioBitRate.Items().empty()) {
      EXPECT_EQ(p.AudioBitRate.DefaultItem(), p.paraAudioBitRate);
    }

    // H.264 keys exactly where the encoder list offers H264.
    auto videoItems = p.VideoEncoder.Items();
    const bool offersH264 =
        std::find(videoItems.begin(), videoItems.end(), "H264") != videoItems.end();
    const auto h264 = app::H264PresetKeys();
    for (size_t i = 0; i < h264.size(); ++i) {
      SCOPED_TRACE(app::KeyInfo(h264[i]).Name);
      const std::string& value = p.H264[i];
      if (!offersH264) {
        EXPECT_EQ(value, "");
      } else if (h264[i] == app::PresetKey::paraBitExact) {
        EXPECT_TRUE(value == "true" || value == "false") << value;
      } else if (h264[i] == app::PresetKey::paraCoder) {
        EXPECT_TRUE(value == "0" || value == "1") << value;
      } else if (h264[i] == app::PresetKey::paraQscale) {
        EXPECT_GE(Integer(value).value_or(-1), 0) << value;
      } else {
        EXPECT_GT(Integer(value).value_or(0), 0) << value;
      }
    }
    if (offersH264) {
      // x264's level_idc values: 13 is level 1.3.
      static const std::set<std::string> kLevels = {"10", "11", "12", "13", "20", "21", "22", "30",
                                                    "31", "32", "40", "41", "42", "50", "51", "52"};
      EXPECT_TRUE(kLevels.count(p.H264[3])) << "paraLevel " << p.H264[3];
    }
  }
}

TEST(PresetFiles, UserSectionsHoldTheItemsAtThePresetPositions) {
  // Encoder renames ("vorbis" -> "libvorbis") depend on what is installed.
  testsupport::LoadRealLibraries();
  const Sections all = ReadAll(true);
  for (size_t n = 0; n < all.presets.size(); ++n) {
    const TPresetSection& p = all.presets[n];
    const TUserSection& u = all.users[n];
    SCOPED_TRACE(app::FormatSectionName(p.Code));
    ASSERT_TRUE(u.Present);
    EXPECT_EQ(u.Value(UserKey::Description), app::FormatEntryName(p.Code));
    // Every key the dialog writes on OK; the H.264 keys only when copied.
    std::set<std::string> h264Names;
    for (auto key : app::H264PresetKeys()) h264Names.insert(app::KeyInfo(key).Name);
    for (UserKey key : app::UserKeys()) {
      if (!h264Names.count(app::KeyInfo(key).Name)) {
        EXPECT_TRUE(u.Has(key)) << "missing " << app::KeyInfo(key).Name;
      }
    }

    struct Pair {
      UserKey position;
      const TPresetList* list;
      UserKey text;  // the item itself is stored (Description: none)
    };
    const Pair pairs[] = {
        {UserKey::iVideoSize, &p.VideoSize, UserKey::paraVideoSize},
        {UserKey::iVideoBitRate, &p.VideoBitRate, UserKey::paraVideoBitRate},
        {UserKey::iFrameRate, &p.FrameRate, UserKey::paraFrameRate},
        {UserKey::iSampleRate, &p.SampleRate, UserKey::paraSampleRate},
        {UserKey::iAudioBitRate, &p.AudioBitRate, UserKey::paraAudioBitRate},
        {UserKey::iVideoEncoder, &p.VideoEncoder, UserKey::Description},
        {UserKey::iAudioEncoder, &p.AudioEncoder, UserKey::Description},
        {UserKey::iChannel, &p.Channel, UserKey::Description},
        {UserKey::iVolume, &p.Volume, UserKey::Description},
    };
    for (const Pair& pair : pairs) {
      SCOPED_TRACE(app::KeyInfo(pair.position).Name);
      EXPECT_EQ(u.Value(pair.position), std::to_string(pair.list->Position));
      if (pair.text != UserKey::Description) {
        EXPECT_EQ(u.Value(pair.text), pair.list->DefaultItem().value_or(""));
      }
    }

    const std::string videoItem = p.VideoEncoder.DefaultItem().value_or("");
    EXPECT_EQ(u.Value(UserKey::paraVideoEncoder),
              videoItem.empty() ? "" : app::VideoEncoderForItem(videoItem).value_or("?"));
    // Written under the name today's libraries use for the item's encoder.
    const std::string audioEncoder =
        app::AudioEncoderForItem(p.AudioEncoder.DefaultItem().value_or("")).value_or("?");
    EXPECT_EQ(u.Value(UserKey::paraAudioEncoder), media::ResolveEncoderName(audioEncoder));
    EXPECT_EQ(u.Value(UserKey::paraChannel),
              app::ChannelForItem(p.Channel.DefaultItem().value_or("")).value_or("?"));
    EXPECT_EQ(u.Value(UserKey::paraVolume),
              app::VolumeForItem(p.Volume.DefaultItem().value_or("")).value_or("?"));
    const std::string zoom = u.Value(UserKey::paraZoom);
    EXPECT_TRUE(zoom == "full" || zoom == "lbox" || zoom == "pan" || zoom == "center") << zoom;

    // The H.264 keys the dialog copies from the preset when H264 is chosen.
    const auto presetKeys = app::H264PresetKeys();
    for (size_t i = 0; i < presetKeys.size(); ++i) {
      const std::string keyName = app::KeyInfo(presetKeys[i]).Name;
      SCOPED_TRACE(keyName);
      const UserKey userKey =
          *std::find_if(app::UserKeys().begin(), app::UserKeys().end(),
                        [&](UserKey k) { return keyName == app::KeyInfo(k).Name; });
      const std::string& value = p.H264[i];
      bool copied = false;
      if (Lower(videoItem) == "h264" && !value.empty()) {
        if (presetKeys[i] == app::PresetKey::paraBitExact) {
          copied = Lower(value) == "true";
        } else if (presetKeys[i] == app::PresetKey::paraCoder) {
          copied = Integer(value).value_or(-1) >= 0;
        } else {
          copied = Integer(value).value_or(0) > 0;
        }
      }
      EXPECT_EQ(u.Has(userKey), copied);
      if (copied) {
        EXPECT_EQ(u.Value(userKey), value);
      }
    }
  }
}

TEST(PresetFiles, DefaultsExistInTheInstalledLibraries) {
  testsupport::LoadRealLibraries();
  const IniFile presets = PresetFile();
  for (const auto& entry : app::FormatEntries()) {
    SCOPED_TRACE(entry.Name);
    const app::TPresetDefaults read = app::ReadEntryDefaults(presets, entry.Code);
    ASSERT_TRUE(read.Present);
    const app::TEntryAvailability availability = app::CheckEntryAvailability(read.Defaults);
    auto known = kKnownUnavailable.find(entry.Code);
    if (known == kKnownUnavailable.end()) {
      EXPECT_TRUE(availability.Available);
      EXPECT_EQ(availability.Missing, std::vector<std::string>{});
    } else {
      EXPECT_FALSE(availability.Available);
      EXPECT_EQ(availability.Missing, known->second);
    }

    // The Format word names the muxer the engine really uses: the one passed
    // on, or for other words the one the extension selects.
    const std::string format = app::ReadPresetText(presets, entry.Code, app::PresetKey::Format);
    const std::string probeName = "output." + read.Defaults.FileExt;
    const AVOutputFormat* byExtension = lib::av_guess_format(nullptr, probeName.c_str(), nullptr);
    ASSERT_NE(byExtension, nullptr);
    if (read.Defaults.Muxer.empty() && format != "ps3") {
      EXPECT_EQ(format, byExtension->name) << "Format is neither passed on nor the extension's";
    }
  }
}

// Every encoder a list offers exists (bar the historical items) and suits
// the entry's container, as far as the muxer can tell.
TEST(PresetFiles, EveryOfferedEncoderSuitsTheContainer) {
  testsupport::LoadRealLibraries();
  const IniFile presets = PresetFile();
  for (const auto& entry : app::FormatEntries()) {
    SCOPED_TRACE(entry.Name);
    const app::TPresetDefaults read = app::ReadEntryDefaults(presets, entry.Code);
    const app::TEntryDefaults& d = read.Defaults;
    const std::string name = d.Muxer.empty() ? "output." + d.FileExt : "";
    const AVOutputFormat* muxer = d.Muxer.empty()
                                      ? lib::av_guess_format(nullptr, name.c_str(), nullptr)
                                      : lib::av_guess_format(d.Muxer.c_str(), nullptr, nullptr);
    ASSERT_NE(muxer, nullptr);

    auto check = [&](const std::string& item, const std::string& engineName) {
      SCOPED_TRACE(item);
      AVCodecID id = AV_CODEC_ID_NONE;
      if (app::IsContainerVideoWord(engineName)) {
        id = muxer->video_codec;
      } else {
        const AVCodec* codec =
            lib::avcodec_find_encoder_by_name(media::ResolveEncoderName(engineName).c_str());
        if (!codec) {
          EXPECT_TRUE(kHistoricalItems.count(item)) << "no encoder " << engineName;
          return;
        }
        id = codec->id;
      }
      ASSERT_NE(id, AV_CODEC_ID_NONE);
      EXPECT_NE(lib::avformat_query_codec(muxer, id, FF_COMPLIANCE_NORMAL), 0)
          << muxer->name << " refuses " << lib::avcodec_get_name(id);
    };
    const std::string videoText =
        app::ReadPresetText(presets, entry.Code, app::PresetKey::VideoEncoder);
    const std::string audioText =
        app::ReadPresetText(presets, entry.Code, app::PresetKey::AudioEncoder);
    if (videoText != "null") {
      for (const auto& item : app::SplitFormatList(videoText))
        check(item, *app::VideoEncoderForItem(item));
    }
    for (const auto& item : app::SplitFormatList(audioText))
      check(item, *app::AudioEncoderForItem(item));
  }
}

}  // namespace
