// File names handed to the media libraries.
//
// Names that the locale's character set can represent pass to the libraries
// as they are. Other names (non-ASCII names under the C locale) travel as
// "unicode:utf8:" + the UTF-8 name; the libraries cannot open those
// themselves, so every open goes through OpenLibraryInput/OpenLibraryIo,
// which give such names an I/O context of our own (open, read, write, seek
// with the size request, close) and leave every other name to the libraries.
#pragma once

#include <stdexcept>
#include <string>

struct AVFormatContext;
struct AVInputFormat;
struct AVIOContext;
struct AVDictionary;

namespace media {

inline constexpr const char* kUnicodePrefix = "unicode:utf8:";
// Names converted for the libraries must fit this buffer with their final 0.
inline constexpr size_t kLibraryFileNameBuffer = 2048;

// Raised for a name whose converted form does not fit the buffer.
class FileNameTooLong : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// False for URLs of a known scheme (":unicode:stream:gopher:http:pipe:rtp:
// tcp:udp:", case-sensitive); otherwise true when the name does not survive
// a round trip through the locale's character set.
bool NeedsUnicodeName(const std::string& name);

// The name to hand to the libraries (prefixed when NeedsUnicodeName).
// Throws FileNameTooLong when it needs more than 2,047 bytes.
std::string ToLibraryFileName(const std::string& name);

// A name reported by the libraries turned back into ours: the prefix (and
// only a prefix followed by at least one byte) is removed.
std::string FromLibraryFileName(const std::string& name);

// Opens an input like avformat_open_input; names with the prefix are read
// through our own I/O context. Close it with CloseLibraryInput only.
int OpenLibraryInput(AVFormatContext** context, const std::string& libraryName,
                     const AVInputFormat* format, AVDictionary** options);
void CloseLibraryInput(AVFormatContext** context);

// Opens a byte stream like avio_open (AVIO_FLAG_READ, _WRITE or _READ_WRITE);
// write opens replace an existing file. Close it with CloseLibraryIo only.
int OpenLibraryIo(AVIOContext** io, const std::string& libraryName, int flags);
void CloseLibraryIo(AVIOContext** io);

// Called by the loader after every successful load of avformat; sets the
// protocol up once (later calls do nothing).
void RegisterUnicodeProtocol();
bool UnicodeProtocolRegistered();

}  // namespace media
