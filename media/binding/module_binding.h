// Loading one shared library and binding its entries by name.
#pragma once

#include <stdexcept>
#include <string>

namespace media {

// Raised by a BindProc for a missing entry; the loader turns it into
// LastErrMsg.
class LibraryBindError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Loads `fileName`: from `folder` when the folder is not empty and holds
// that file (also putting the folder in front of LD_LIBRARY_PATH once, for
// child processes), else by bare name through the system search order.
// Returns the handle, or nullptr with `errorText` set to the system's text.
void* LoadLibraryFrom(const std::string& folder, const std::string& fileName,
                      std::string& errorText);

// Looks `entryName` up in the library; stores the address (null when
// missing) in `slot`. A missing required entry raises LibraryBindError with
// "Load function %s@%s error: %s" (or "Load variable ..." for data).
void BindFunction(const std::string& libraryFileName, void* handle, const char* entryName,
                  bool optional, void*& slot);
void BindVariable(const std::string& libraryFileName, void* handle, const char* entryName,
                  bool optional, void*& slot);

// The system text for the last dynamic-loading failure, with trailing blanks
// and full stops removed.
std::string SystemErrorText(const char* text);

}  // namespace media
