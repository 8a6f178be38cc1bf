#include "app/global_object.h"
#include "app/version.h"
namespace app {
std::string GetVersionText() {
  return " " + std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) +
         std::to_string(kVersionRelease) + std::to_string(kVersionBuild) + " ";
}
}  // namespace app
