// Target presets: the settings of a video CD, super video CD, DVD or DV
// output ("vcd", "svcd", "dvd", "dv", "dv50") for a television norm.
#pragma once

#include <string>

#include "media/engine/option_state.h"

namespace media {

// Applies target `type` for `norm` ("pal", "ntsc", "film"; anything else
// decides automatically from the current frame rate, then from the input
// video streams, then falls back to `defaultNorm` "film", "ntsc" or, for
// any other text, PAL). Raises "frame_rate is invalid." when deciding
// automatically without a frame rate, "Unknown target type" for any other
// type.
void ApplyTarget(TOptionContext& context, const std::string& type, const std::string& norm,
                 const std::string& defaultNorm);

// The target of an output record: `target` 1 "vcd", 2 "svcd", 3 "dvd"
// (other values: nothing); `targetNorm` 1 "pal", 2 "ntsc", else "auto";
// `targetDefaultNorm` 1 "pal", else "ntsc".
void ApplyTargetFields(TOptionContext& context, int target, int targetNorm, int targetDefaultNorm);

}  // namespace media
