#include "media/binding/unicode_protocol.h"

#include <fcntl.h>
#include <iconv.h>
#include <langinfo.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

#include "media/binding/entry_table.h"

namespace media {
namespace {

std::atomic<bool> gRegistered{false};

const char kKnownProtocols[] = ":unicode:stream:gopher:http:pipe:rtp:tcp:udp:";
constexpr size_t kPrefixLength = 13;
constexpr int kIoBufferSize = 64 * 1024;

// Converts with iconv; false when some character cannot be represented.
bool Convert(const char* to, const char* from, const std::string& in, std::string& out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  out.assign(in.size() * 4 + 16, '\0');
  char* src = const_cast<char*>(in.data());
  size_t srcLeft = in.size();
  char* dst = out.data();
  size_t dstLeft = out.size();
  bool ok = iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<size_t>(-1) && srcLeft == 0;
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return ok;
}

// True when every character of the UTF-8 name exists in the locale's
// character set (the whole name survives the way there and back).
bool RepresentableInLocale(const std::string& name) {
  const char* codeset = nl_langinfo(CODESET);
  if (codeset == nullptr || std::strcmp(codeset, "UTF-8") == 0) return true;
  std::string narrow, back;
  return Convert(codeset, "UTF-8", name, narrow) && Convert("UTF-8", codeset, narrow, back) &&
         back == name;
}

// One file opened by our I/O context.
struct UnicodeFile {
  int fd = -1;
};

int ReadPacket(void* opaque, uint8_t* buffer, int size) {
  auto* file = static_cast<UnicodeFile*>(opaque);
  ssize_t n;
  do {
    n = read(file->fd, buffer, static_cast<size_t>(size));
  } while (n < 0 && errno == EINTR);
  if (n < 0) return AVERROR(errno);
  if (n == 0) return AVERROR_EOF;
  return static_cast<int>(n);
}

int WritePacket(void* opaque, uint8_t* buffer, int size) {
  auto* file = static_cast<UnicodeFile*>(opaque);
  int done = 0;
  while (done < size) {
    ssize_t n = write(file->fd, buffer + done, static_cast<size_t>(size - done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return AVERROR(errno);
    done += static_cast<int>(n);
  }
  return done;
}

int64_t Seek(void* opaque, int64_t offset, int whence) {
  auto* file = static_cast<UnicodeFile*>(opaque);
  if (whence & AVSEEK_SIZE) {
    struct stat st {};
    if (fstat(file->fd, &st) != 0) return AVERROR(errno);
    return static_cast<int64_t>(st.st_size);
  }
  off_t pos = lseek(file->fd, static_cast<off_t>(offset), whence & ~AVSEEK_FORCE);
  if (pos < 0) return AVERROR(errno);
  return static_cast<int64_t>(pos);
}

// Opens the file named after the prefix. Read-write and write-only opens
// create the file, replacing an existing one; read-only opens need it.
int OpenUnicodeIo(AVIOContext** io, const std::string& libraryName, int flags) {
  std::string path = FromLibraryFileName(libraryName);
  int mode = (flags & AVIO_FLAG_READ_WRITE) == AVIO_FLAG_READ_WRITE ? O_RDWR | O_CREAT | O_TRUNC
             : (flags & AVIO_FLAG_WRITE)                            ? O_WRONLY | O_CREAT | O_TRUNC
                                                                    : O_RDONLY;
  int fd = open(path.c_str(), mode | O_CLOEXEC, 0644);
  if (fd < 0) return AVERROR(errno);
  auto* buffer = static_cast<unsigned char*>(lib::av_malloc(kIoBufferSize));
  auto* file = new UnicodeFile{fd};
  bool writable = (flags & AVIO_FLAG_WRITE) != 0;
  AVIOContext* ctx = buffer ? lib::avio_alloc_context(buffer, kIoBufferSize, writable ? 1 : 0, file,
                                                      writable ? nullptr : ReadPacket,
                                                      writable ? WritePacket : nullptr, Seek)
                            : nullptr;
  if (ctx == nullptr) {
    lib::av_free(buffer);
    close(fd);
    delete file;
    return AVERROR(ENOMEM);
  }
  if (!writable) ctx->seekable = AVIO_SEEKABLE_NORMAL;
  *io = ctx;
  return 0;
}

int CloseUnicodeIo(AVIOContext** io) {
  if (io == nullptr || *io == nullptr) return 0;
  AVIOContext* ctx = *io;
  if (ctx->write_flag) lib::avio_flush(ctx);
  int result = ctx->error;
  auto* file = static_cast<UnicodeFile*>(ctx->opaque);
  lib::av_freep(&ctx->buffer);
  lib::avio_context_free(io);
  if (file) {
    if (close(file->fd) != 0 && result == 0) result = AVERROR(errno);
    delete file;
  }
  return result;
}

bool HasUnicodePrefix(const std::string& name) {
  return name.size() > kPrefixLength && name.compare(0, kPrefixLength, kUnicodePrefix) == 0;
}

}  // namespace

bool NeedsUnicodeName(const std::string& name) {
  auto colon = name.find(':');
  if (colon != std::string::npos) {
    std::string scheme = ":" + name.substr(0, colon) + ":";
    if (std::strstr(kKnownProtocols, scheme.c_str()) != nullptr) return false;
  }
  return !RepresentableInLocale(name);
}

std::string ToLibraryFileName(const std::string& name) {
  std::string result = NeedsUnicodeName(name) ? kUnicodePrefix + name : name;
  if (result.size() >= kLibraryFileNameBuffer)
    throw FileNameTooLong(name.substr(0, 64) + "...: File name too long (" +
                          std::to_string(result.size()) + " bytes, at most " +
                          std::to_string(kLibraryFileNameBuffer - 1) + ")");
  return result;
}

std::string FromLibraryFileName(const std::string& name) {
  if (name.size() >= kPrefixLength + 1 && name.compare(0, kPrefixLength, kUnicodePrefix) == 0)
    return name.substr(kPrefixLength);
  return name;
}

int OpenLibraryInput(AVFormatContext** context, const std::string& libraryName,
                     const AVInputFormat* format, AVDictionary** options) {
  if (!HasUnicodePrefix(libraryName))
    return lib::avformat_open_input(context, libraryName.c_str(), format, options);
  AVIOContext* io = nullptr;
  int rc = OpenUnicodeIo(&io, libraryName, AVIO_FLAG_READ);
  if (rc < 0) return rc;
  AVFormatContext* ctx = *context ? *context : lib::avformat_alloc_context();
  if (ctx == nullptr) {
    CloseUnicodeIo(&io);
    return AVERROR(ENOMEM);
  }
  ctx->pb = io;
  ctx->flags |= AVFMT_FLAG_CUSTOM_IO;
  // The libraries free the context on failure, but never a custom I/O one.
  rc = lib::avformat_open_input(&ctx, libraryName.c_str(), format, options);
  if (rc < 0) {
    CloseUnicodeIo(&io);
    *context = nullptr;
    return rc;
  }
  *context = ctx;
  return 0;
}

void CloseLibraryInput(AVFormatContext** context) {
  if (context == nullptr || *context == nullptr) return;
  AVIOContext* custom = ((*context)->flags & AVFMT_FLAG_CUSTOM_IO) ? (*context)->pb : nullptr;
  lib::avformat_close_input(context);
  CloseUnicodeIo(&custom);
}

int OpenLibraryIo(AVIOContext** io, const std::string& libraryName, int flags) {
  if (!HasUnicodePrefix(libraryName)) return lib::avio_open(io, libraryName.c_str(), flags);
  return OpenUnicodeIo(io, libraryName, flags);
}

void CloseLibraryIo(AVIOContext** io) {
  if (io == nullptr || *io == nullptr) return;
  if ((*io)->write_packet == WritePacket || (*io)->read_packet == ReadPacket) {
    CloseUnicodeIo(io);
  } else {
    lib::avio_closep(io);
  }
}

void RegisterUnicodeProtocol() {
  gRegistered.store(true);
}

bool UnicodeProtocolRegistered() {
  return gRegistered.load();
}

}  // namespace media
