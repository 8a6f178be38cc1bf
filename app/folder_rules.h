// The two rules that keep a configured output or snapshot folder usable.
#pragma once

#include <string>

#include "app/settings_keys.h"
#include "platform/ini_file.h"

namespace app {

// When the folder is shown (main window, preferences): reads the folder
// stored under `key`; when a file cannot be created in it, it is replaced by
// platform::FallbackOutputFolder() and that is written back. Returns the
// folder to show.
std::string ApplyShowTimeFolderRule(platform::IniFile& ini, settings::Key key);

// Before a file is written into the folder stored under `key`: when the
// folder does not exist and cannot be created with all missing parents, a
// "Warning" box (OK button) says so through the message seam, the default
// output folder is created and stored under the same key. Returns the folder
// to write into: the stored one, or the default folder after a fallback.
std::string ApplyWriteTimeFolderRule(platform::IniFile& ini, settings::Key key);

// The warning text of the write-time rule for `folder`.
std::string CannotCreateFolderText(const std::string& folder);

}  // namespace app
