// Engine log (placeholder interface; see engine_log.cpp).
#pragma once

namespace media {

// Installs the libraries' log callback and level; called by the loader after
// every successful load of avutil.
void InstallLibraryLog();

}  // namespace media
