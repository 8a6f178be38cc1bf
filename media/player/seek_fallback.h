// How the read thread carries out a seek request: the bounded seek first,
// then two plain seeks as fallbacks for inputs that refuse it.
#pragma once

#include <cstdint>
#include <functional>

namespace media {

// The libraries' two seek calls, so the order can be followed without a
// real input: seekFile(min, target, max, flags) like avformat_seek_file on
// any stream, seekFrame(target, flags) like av_seek_frame on any stream.
struct TSeekCalls {
  std::function<int(int64_t min, int64_t target, int64_t max, int flags)> SeekFile;
  std::function<int(int64_t target, int flags)> SeekFrame;
};

// The bounds of a bounded seek with relative hint rel: min = target - rel + 2
// when rel > 0 (else the smallest 64-bit number), max = target - rel - 2 when
// rel < 0 (else the largest).
void SeekBounds(int64_t target, int64_t rel, int64_t& min, int64_t& max);

// SeekFile(bounds, target, flags); when that fails SeekFrame(target, flags);
// when that fails too SeekFrame(target, flags with the backward flag (1)
// toggled). Returns the result of the last call made (>= 0: success).
int SeekWithFallbacks(const TSeekCalls& calls, int64_t target, int64_t rel, int flags);

}  // namespace media
