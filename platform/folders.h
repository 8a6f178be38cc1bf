// Folder helpers: where the program, its settings, its shipped resources and
// the user's output live, and small file-system checks. Folder results end
// with "/".
#pragma once

#include <string>

namespace platform {

// The folder of the running program (from /proc/self/exe).
std::string ProgramFolder();

// The settings folder: $VVC_CONFIG_DIR, else $XDG_CONFIG_HOME/veyvideoconverter/,
// else ~/.config/veyvideoconverter/; created when missing.
std::string SettingsFolder();

// The shipped resources: <program folder>/resources/ when it exists, else
// <program folder>/../share/veyvideoconverter/.
std::string ResourcesFolder();

// Default output and snapshot folder: the XDG videos folder (from
// user-dirs.dirs, else ~/Videos) + "/videoconverter", without trailing "/".
std::string DefaultOutputFolder();

// Fallback when a configured folder cannot be written: $HOME/videoconverter.
std::string FallbackOutputFolder();

// True when a new temporary file can be created in the folder and removed
// again; a folder that does not exist is not writable.
bool CanWriteFolder(const std::string& folder);

// True when the folder exists or could be created with all missing parents.
bool CreateFolderWithParents(const std::string& folder);

bool FolderExists(const std::string& folder);
bool FileExists(const std::string& file);  // an existing file, not a folder

// The effective user's login name.
std::string LoginName();

// `folder` with a trailing "/" added when it has none (empty stays empty).
std::string WithTrailingSlash(const std::string& folder);

}  // namespace platform
