// Display names of container metadata keys (ID3 frame names and the like)
// used by the probe's info text; other keys are shown as they are.
#pragma once

#include <string>

namespace media {

std::string MetadataDisplayName(const std::string& key);

}  // namespace media
