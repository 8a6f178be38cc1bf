#include "cli/command_libraries.h"

#include <cstdio>
#include <iostream>

#include "cli/media_libraries.h"
#include "cli/usage.h"
#include "media/binding/library_loader.h"

namespace cli {
namespace {

const char* LibraryLabel(media::TLibraryId id) {
  switch (id) {
    case media::libAVCodec: return "avcodec";
    case media::libAVDevice: return "avdevice";
    case media::libAVFilter: return "avfilter";
    case media::libAVFormat: return "avformat";
    case media::libAVUtil: return "avutil";
    case media::libSwScale: return "swscale";
    case media::libSwResample: return "swresample";
    case media::libC: return "c";
    case media::libSDL: return "sdl";
  }
  return "?";
}

}  // namespace

int RunLibrariesCommand(const std::vector<std::string>& args) {
  // Default folder: "LibAV" beside the program; libraries missing there come
  // from the system search order.
  std::string folder = DefaultLibraryFolder();
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i] == "--library-dir" && i + 1 < args.size()) {
      folder = args[++i];
    } else {
      return UsageError("libraries: unknown option '" + args[i] + "'");
    }
  }
  auto& loader = media::LibraryLoader();
  loader.SetLibraryPath(folder);
  bool ok = loader.LoadLibs(media::ConverterLibraries) && loader.LoadLibs(media::PlayerLibraries);
  std::printf("library folder: %s\n", folder.c_str());
  for (int i = 0; i < media::kLibraryCount; ++i) {
    auto id = static_cast<media::TLibraryId>(i);
    if (!media::PlayerLibraries.Contains(id)) continue;
    std::printf("  %-11s %-22s %s\n", LibraryLabel(id), loader.GetLibraryFileName(id).c_str(),
                loader.LibLoaded(id) ? "loaded" : "not loaded");
  }
  if (!ok) {
    std::fflush(stdout);
    std::cerr << loader.GetLastErrMsg() << "\n";
    return 1;
  }
  return 0;
}

}  // namespace cli
