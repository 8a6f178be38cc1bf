#include "app/folder_rules.h"

#include "platform/folders.h"
#include "platform/message_box.h"

namespace app {

std::string ApplyShowTimeFolderRule(platform::IniFile& ini, settings::Key key) {
  std::string folder = settings::ReadText(ini, key);
  if (!platform::CanWriteFolder(folder)) {
    folder = platform::FallbackOutputFolder();
    settings::WriteText(ini, key, folder);
  }
  return folder;
}

std::string CannotCreateFolderText(const std::string& folder) {
  return "Cannot create output directory:" + folder + ".It will create default directory " +
         platform::DefaultOutputFolder() + "!";
}

std::string ApplyWriteTimeFolderRule(platform::IniFile& ini, settings::Key key) {
  std::string folder = settings::ReadText(ini, key);
  if (platform::FolderExists(folder) || platform::CreateFolderWithParents(folder)) return folder;
  platform::ShowMessage("Warning", CannotCreateFolderText(folder), platform::MsgIcon::Warning,
                        platform::MsgButtons::Ok);
  // The file goes to the default folder that is stored now: writing it into
  // the folder that could not be created would only fail.
  const std::string fallback = platform::DefaultOutputFolder();
  platform::CreateFolderWithParents(fallback);
  settings::WriteText(ini, key, fallback);
  return fallback;
}

}  // namespace app
