// File names handed to the media libraries. Names the libraries cannot take
// as they are travel as "unicode:utf8:" + UTF-8 and are opened through our
// own I/O context.
#pragma once

namespace media {

// Called by the loader after every successful load of avformat; makes the
// protocol ready once (later loads do nothing).
void RegisterUnicodeProtocol();
bool UnicodeProtocolRegistered();

}  // namespace media
