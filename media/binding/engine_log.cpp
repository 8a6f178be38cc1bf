#include "media/binding/engine_log.h"

namespace media {
void InstallLibraryLog() {}
}  // namespace media
