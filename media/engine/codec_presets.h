// Codec presets: named sets of codec options (options apre, vpre, spre and
// fpre). A name is looked up in the built-in table first, then with the
// current codec name in front ("mp4" with video codec libx264 finds
// "libx264-mp4"), and last read as a preset file.
//
// Preset text: lines of key "=" value; each line is trimmed and empty lines
// are skipped. acodec, vcodec and scodec (any case) set the codec name;
// every other key goes to the generic option store.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "media/engine/converter_options.h"
#include "media/engine/option_state.h"

namespace media {

struct TBuiltinPreset {
  const char* Name;
  const char* Text;  // LF-terminated lines
};

// The 40 built-in presets (x264 tunings), in table order.
const std::vector<TBuiltinPreset>& BuiltinPresets();

// The built-in preset of that name (compared without regard to case), or
// null.
const TBuiltinPreset* FindBuiltinPreset(std::string_view name);

// A preset's text and the name it was found under: a built-in name, or the
// file path as given.
struct TPresetSource {
  std::string Name;
  std::string Text;
};

// Looks preset `name` up for option `kind` (see above; kind and name not
// empty). Raises "Preset \"%s\" not found" with `name`.
TPresetSource FindPreset(const TOptionState& state, const std::string& kind,
                         const std::string& name);

// Splits a preset text into its lines. Raises "%s: Invalid syntax: \"%s\""
// (presetName, the line) for a line whose key or value is empty.
std::vector<TOptionLine> ParsePresetText(const std::string& presetName, std::string_view text);

// Applies preset `name` for option `kind` ("apre", "vpre", "spre", "fpre";
// "fpre" always reads a file). Nothing happens when either is empty. Raises
// "Preset \"%s\" not found" when there is neither such a preset nor such a
// file, the syntax text above, and "%s: Invalid option or argument: \"%s\",
// parsed as \"%s\" = \"%s\"" when the store rejects a line. The text is
// checked whole before any line is applied.
void ApplyPreset(TOptionContext& context, const std::string& kind, const std::string& name);

}  // namespace media
