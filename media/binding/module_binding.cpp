#include "media/binding/module_binding.h"

#include <dlfcn.h>
#include <sys/stat.h>

#include <cstdlib>

namespace media {
namespace {

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

// Puts `folder` in front of LD_LIBRARY_PATH unless it already appears there
// (compared as a substring, without regard to case), so that programs this
// process starts find the same libraries.
void PrependToLibraryPath(const std::string& folder) {
  const char* old = std::getenv("LD_LIBRARY_PATH");
  std::string current = old ? old : "";
  auto upper = [](std::string s) {
    for (auto& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
  };
  if (upper(current).find(upper(folder)) != std::string::npos) return;
  std::string value = current.empty() ? folder : folder + ":" + current;
  setenv("LD_LIBRARY_PATH", value.c_str(), 1);
}

std::string BindErrorText(const char* format, const char* entryName,
                          const std::string& libraryFileName) {
  const char* err = dlerror();
  std::string text = format;
  text += entryName;
  text += "@";
  text += libraryFileName;
  text += " error: ";
  text += SystemErrorText(err);
  return text;
}

void Bind(const std::string& libraryFileName, void* handle, const char* entryName, bool optional,
          void*& slot, const char* format) {
  dlerror();
  slot = handle ? dlsym(handle, entryName) : nullptr;
  if (slot == nullptr && !optional)
    throw LibraryBindError(BindErrorText(format, entryName, libraryFileName));
}

}  // namespace

std::string SystemErrorText(const char* text) {
  std::string s = text ? text : "unknown error";
  while (!s.empty() && (s.back() == ' ' || s.back() == '.' || s.back() == '\n' || s.back() == '\t'))
    s.pop_back();
  return s;
}

void* LoadLibraryFrom(const std::string& folder, const std::string& fileName,
                      std::string& errorText) {
  void* handle = nullptr;
  dlerror();
  if (!folder.empty()) {
    std::string dir = folder.back() == '/' ? folder : folder + "/";
    std::string full = dir + fileName;
    if (IsRegularFile(full)) {
      PrependToLibraryPath(dir.substr(0, dir.size() - 1));
      handle = dlopen(full.c_str(), RTLD_NOW | RTLD_LOCAL);
      if (!handle) errorText = SystemErrorText(dlerror());
      return handle;
    }
  }
  handle = dlopen(fileName.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) errorText = SystemErrorText(dlerror());
  return handle;
}

void BindFunction(const std::string& libraryFileName, void* handle, const char* entryName,
                  bool optional, void*& slot) {
  Bind(libraryFileName, handle, entryName, optional, slot, "Load function ");
}

void BindVariable(const std::string& libraryFileName, void* handle, const char* entryName,
                  bool optional, void*& slot) {
  Bind(libraryFileName, handle, entryName, optional, slot, "Load variable ");
}

}  // namespace media
