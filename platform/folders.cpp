// placeholder until the folder helpers are written
#include "platform/folders.h"
#include <filesystem>
namespace platform {
std::string ProgramFolder() {
  return std::filesystem::read_symlink("/proc/self/exe").parent_path().string() + "/";
}
}  // namespace platform
