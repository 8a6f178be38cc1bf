#include "tests/support/real_libraries.h"

#include <gtest/gtest.h>

namespace testsupport {

void LoadRealLibraries(media::TLibrarySet set) {
  auto& loader = media::LibraryLoader();
  loader.SetLibraryPath("");
  ASSERT_TRUE(loader.LoadLibs(set)) << loader.GetLastErrMsg();
}

}  // namespace testsupport
