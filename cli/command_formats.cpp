#include "cli/command_formats.h"

#include <cstdio>
#include <iostream>

#include "app/format_catalogue.h"
#include "app/global_object.h"
#include "cli/media_libraries.h"
#include "cli/usage.h"
#include "platform/ini_file.h"

namespace cli {
namespace {

std::string Joined(const std::vector<std::string>& parts) {
  std::string text;
  for (const auto& part : parts) text += (text.empty() ? "" : ", ") + part;
  return text;
}

}  // namespace

int RunFormatsCommand(const std::vector<std::string>& args) {
  std::string folder = DefaultLibraryFolder();
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--library-dir" && i + 1 < args.size()) {
      folder = args[++i];
    } else {
      return UsageError("formats: unknown option '" + args[i] + "'");
    }
  }
  const bool loaded = LoadMediaLibraries(media::ConverterLibraries, folder);
  auto global = app::TGlobalObject::CreateAtStart();
  const platform::IniFile presets(global->FormatFileName());
  platform::IniFile::ReadScope scope(presets);  // one parse for the whole listing

  std::printf("format presets: %s\n", presets.Path().c_str());
  int unavailable = 0;
  for (const app::TFormatCategory& category : app::FormatCategories()) {
    std::printf("\n%2d  %s\n", category.Number, category.Caption);
    for (const app::TFormatEntry& entry : app::CategoryEntries(category.Number)) {
      std::string mark;
      const app::TPresetDefaults preset = app::ReadEntryDefaults(presets, entry.Code);
      if (!preset.Present) {
        mark = "unavailable: no section " + app::FormatSectionName(entry.Code);
      } else if (loaded) {
        const auto availability = app::CheckEntryAvailability(preset.Defaults);
        if (!availability.Available) mark = "unavailable: missing " + Joined(availability.Missing);
      }
      if (!mark.empty()) ++unavailable;
      std::printf("  %6d  %s%s%s\n", entry.Code, entry.Name, mark.empty() ? "" : "  [",
                  mark.empty() ? "" : (mark + "]").c_str());
    }
  }
  std::fflush(stdout);
  if (!loaded) {
    std::cerr << "vvc-cli: formats: media libraries not loaded, availability not checked\n";
    return 1;
  }
  std::cout << "\n"
            << app::FormatEntries().size() << " formats, " << unavailable << " unavailable\n";
  return 0;
}

}  // namespace cli
