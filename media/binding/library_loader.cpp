#include "media/binding/library_loader.h"

#include <dlfcn.h>

#include <cassert>
#include <stdexcept>

#include "media/binding/engine_log.h"
#include "media/binding/module_binding.h"
#include "media/binding/unicode_protocol.h"

namespace media {
namespace {

// Mutable status of one library (process-wide; main thread only).
struct TLibraryStatus {
  std::string FileName;  // override of the derived name; empty: derived
  void* Handle = nullptr;
  bool Loaded = false;
};

struct LoaderState {
  TLibraryStatus status[kLibraryCount];
  std::string lastErrMsg;   // text of the last failure; never cleared
  std::string libraryPath;  // library folder; empty at start
};

LoaderState& State() {
  static LoaderState state;
  return state;
}

// Splits after the last "/": the folder part keeps its slash.
void SplitPath(const std::string& path, std::string& folder, std::string& file) {
  auto pos = path.find_last_of('/');
  if (pos == std::string::npos) {
    folder.clear();
    file = path;
  } else {
    folder = path.substr(0, pos + 1);
    file = path.substr(pos + 1);
  }
}

}  // namespace

TMediaLibraryLoader& LibraryLoader() {
  static TMediaLibraryLoader loader;
  return loader;
}

std::recursive_mutex& CodecLock() {
  static std::recursive_mutex lock;
  return lock;
}

std::string TMediaLibraryLoader::GetLastErrMsg() const {
  return State().lastErrMsg;
}

void TMediaLibraryLoader::SetLibraryPath(const std::string& path) {
  State().libraryPath = path;
}

std::string TMediaLibraryLoader::GetLibraryPath() const {
  return State().libraryPath;
}

std::string TMediaLibraryLoader::GetLibraryFileName(TLibraryId id) const {
  const auto& status = State().status[id];
  if (!status.FileName.empty()) return status.FileName;
  const auto& item = LibraryItem(id);
  std::string name = std::string("lib") + item.Name + ".so";
  if (item.Version >= 0) name += "." + std::to_string(item.Version);
  return name;
}

void TMediaLibraryLoader::SetLibraryFileName(TLibraryId id, const std::string& fileName) {
  State().status[id].FileName = fileName;
}

bool TMediaLibraryLoader::LoadLib(TLibraryId id) {
  auto& st = State();
  auto& status = st.status[id];
  if (status.Handle == nullptr) {
    std::string folder, file;
    SplitPath(GetLibraryFileName(id), folder, file);
    if (folder.empty() && !st.libraryPath.empty()) {
      folder = st.libraryPath;
      if (folder.back() != '/') folder += '/';
    }
    std::string error;
    void* handle = LoadLibraryFrom(folder, file, error);
    if (handle == nullptr) {
      st.lastErrMsg = "Load library " + folder + file + " error: " + error;
      return false;
    }
    status.Handle = handle;
  }
  if (!status.Loaded) {
    try {
      LibraryItem(id).BindProc(GetLibraryFileName(id), status.Handle);
      status.Loaded = true;
    } catch (const LibraryBindError& e) {
      st.lastErrMsg = e.what();
    }
  }
  if (!status.Loaded) {
    UnloadLib(id);
    return false;
  }
  if (id == libAVUtil) InstallLibraryLog();
  if (id == libAVFormat) RegisterUnicodeProtocol();
  return true;
}

void TMediaLibraryLoader::UnloadLib(TLibraryId id) {
  auto& status = State().status[id];
  if (status.Loaded) {
    LibraryItem(id).UnbindProc();
    status.Loaded = false;
  }
  if (status.Handle != nullptr) {
    // Entries bound before a failed binding are reset too, so a stale
    // pointer into a freed module can never be called.
    LibraryItem(id).UnbindProc();
    dlclose(status.Handle);
    status.Handle = nullptr;
  }
}

bool TMediaLibraryLoader::LibLoaded(TLibraryId id) const {
  const auto& status = State().status[id];
  return status.Handle != nullptr && status.Loaded;
}

bool TMediaLibraryLoader::LoadLibs(TLibrarySet set) {
  assert(!set.Empty() && "LoadLibs needs a non-empty library set");
  if (set.Empty()) throw std::logic_error("LoadLibs needs a non-empty library set");
  for (int i = 0; i < kLibraryCount; ++i) {
    auto id = static_cast<TLibraryId>(i);
    if (!set.Contains(id)) continue;
    if (!LoadLib(id)) {
      UnloadLibs(set);
      return false;
    }
  }
  return true;
}

bool TMediaLibraryLoader::LibsLoaded(TLibrarySet set) const {
  assert(!set.Empty() && "LibsLoaded needs a non-empty library set");
  if (set.Empty()) throw std::logic_error("LibsLoaded needs a non-empty library set");
  for (int i = 0; i < kLibraryCount; ++i) {
    auto id = static_cast<TLibraryId>(i);
    if (set.Contains(id) && !LibLoaded(id)) return false;
  }
  return true;
}

void TMediaLibraryLoader::UnloadLibs(TLibrarySet set) {
  assert(!set.Empty() && "UnloadLibs needs a non-empty library set");
  if (set.Empty()) throw std::logic_error("UnloadLibs needs a non-empty library set");
  for (int i = 0; i < kLibraryCount; ++i) {
    auto id = static_cast<TLibraryId>(i);
    if (set.Contains(id)) UnloadLib(id);
  }
}

}  // namespace media
