// The process-wide library loader: loads the media libraries from a library
// folder at run time, binds every entry of the entry table and reports the
// first failure in LastErrMsg. Also owns the process-wide codec lock.
//
// Loading runs on the main thread only (at start-up and when files are
// added); it has no lock of its own and must not run while workers use the
// entries.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <mutex>
#include <string>

namespace media {

// Library identifiers in load order; the value is the bit in a TLibrarySet.
enum TLibraryId : uint8_t {
  libAVCodec,
  libAVDevice,
  libAVFilter,
  libAVFormat,
  libAVUtil,
  libSwScale,
  libSwResample,
  libC,
  libSDL,
};
inline constexpr int kLibraryCount = libSDL + 1;

// A set of library identifiers; bit i is identifier i.
class TLibrarySet {
 public:
  constexpr TLibrarySet() = default;
  constexpr TLibrarySet(std::initializer_list<TLibraryId> ids) {
    for (auto id : ids) bits_ |= Bit(id);
  }
  constexpr bool Contains(TLibraryId id) const { return (bits_ & Bit(id)) != 0; }
  constexpr bool Empty() const { return bits_ == 0; }
  constexpr TLibrarySet operator+(TLibraryId id) const {
    TLibrarySet s = *this;
    s.bits_ |= Bit(id);
    return s;
  }
  constexpr uint32_t Bits() const { return bits_; }

 private:
  static constexpr uint32_t Bit(TLibraryId id) { return uint32_t{1} << id; }
  uint32_t bits_ = 0;
};

inline constexpr TLibrarySet ConverterLibraries{libAVCodec, libAVFilter,   libAVFormat, libAVUtil,
                                                libSwScale, libSwResample, libC};
inline constexpr TLibrarySet PlayerLibraries = ConverterLibraries + libSDL;

// Constant description of one library.
struct TLibraryItem {
  TLibraryId Id;
  const char* Name;  // base name, "avcodec"
  int Version;       // file name suffix; negative for none
  // Binds every entry of the library (throws LibraryBindError on the first
  // missing one), then makes the library's registration call.
  void (*BindProc)(const std::string& fileName, void* handle);
  // Sets every entry pointer of the library to null.
  void (*UnbindProc)();
};

const TLibraryItem& LibraryItem(TLibraryId id);

class TMediaLibraryLoader {
 public:
  std::string GetLastErrMsg() const;
  void SetLibraryPath(const std::string& path);
  std::string GetLibraryPath() const;

  // "lib" + name + ".so" + "." + version (when >= 0), unless overridden.
  std::string GetLibraryFileName(TLibraryId id) const;
  // Overrides the derived file name (empty restores it). Nothing in the
  // product sets it; tests use it to name a library that does not exist.
  void SetLibraryFileName(TLibraryId id, const std::string& fileName);

  bool LoadLib(TLibraryId id);
  void UnloadLib(TLibraryId id);
  bool LibLoaded(TLibraryId id) const;

  // The set must not be empty (a programming error: assertion).
  bool LoadLibs(TLibrarySet set);
  bool LibsLoaded(TLibrarySet set) const;
  void UnloadLibs(TLibrarySet set);
};

// The one loader instance; all instances share the same process-wide state.
TMediaLibraryLoader& LibraryLoader();

// Serialises codec open and close and stream-information reading across all
// threads; held only for the duration of one such call.
std::recursive_mutex& CodecLock();

}  // namespace media
