#include "cli/media_libraries.h"

#include <iostream>

#include "platform/folders.h"

namespace cli {

std::string DefaultLibraryFolder() {
  return platform::ProgramFolder() + "LibAV";
}

bool LoadMediaLibraries(media::TLibrarySet set, const std::string& folder) {
  auto& loader = media::LibraryLoader();
  loader.SetLibraryPath(folder);
  if (loader.LoadLibs(set)) return true;
  std::cerr << "vvc-cli: " << loader.GetLastErrMsg() << "\n";
  return false;
}

}  // namespace cli
