#include "media/player/seek_fallback.h"

#include <cstdint>
#include <limits>

namespace media {

void SeekBounds(int64_t target, int64_t rel, int64_t& min, int64_t& max) {
  min = rel > 0 ? target - rel + 2 : std::numeric_limits<int64_t>::min();
  max = rel < 0 ? target - rel - 2 : std::numeric_limits<int64_t>::max();
}

int SeekWithFallbacks(const TSeekCalls& calls, int64_t target, int64_t rel, int flags) {
  constexpr int kBackward = 1;
  int64_t min = 0, max = 0;
  SeekBounds(target, rel, min, max);
  int rc = calls.SeekFile(min, target, max, flags);
  if (rc >= 0) return rc;
  rc = calls.SeekFrame(target, flags);
  if (rc >= 0) return rc;
  return calls.SeekFrame(target, flags ^ kBackward);
}

}  // namespace media
