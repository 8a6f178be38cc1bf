// Loading a library set for a command, from --library-dir or "LibAV" beside
// the program (libraries missing there come from the system).
#pragma once

#include <string>

#include "media/binding/library_loader.h"

namespace cli {

std::string DefaultLibraryFolder();

// Loads the set; on failure prints the loader's text on stderr.
bool LoadMediaLibraries(media::TLibrarySet set, const std::string& folder);

}  // namespace cli
