#include "media/binding/unicode_protocol.h"

#include <atomic>

namespace media {
namespace {
std::atomic<bool> gRegistered{false};
}

void RegisterUnicodeProtocol() { gRegistered.store(true); }

bool UnicodeProtocolRegistered() { return gRegistered.load(); }

}  // namespace media
