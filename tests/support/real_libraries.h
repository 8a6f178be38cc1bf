// Loads the installed media libraries for tests that need real codecs.
#pragma once

#include "media/binding/library_loader.h"

namespace testsupport {

// Loads the set through the system search order; fails the calling test
// (with the loader's text) when it cannot.
void LoadRealLibraries(media::TLibrarySet set = media::ConverterLibraries);

}  // namespace testsupport
