#include "media/player/clocks.h"

namespace media {

double AudioClockAt(double decodedUpTo, int unplayedBytes, int sampleRate, int channels) {
  const double bytesPerSecond = 2.0 * sampleRate * channels;
  if (bytesPerSecond <= 0) return decodedUpTo;
  return decodedUpTo - unplayedBytes / bytesPerSecond;
}

double VideoClockAt(bool paused, double picturePts, double drift, double now, double startSeconds) {
  if (paused) return picturePts;
  if (drift != 0) return now + drift;
  return startSeconds;
}

double ExternalClockAt(double base, double baseTime, double now) {
  return base + (now - baseTime);
}

TClockKind MasterClockSource(TClockKind kind, bool hasAudio, bool hasVideo) {
  switch (kind) {
    case ckAudio:
      return hasAudio ? ckAudio : ckVideo;
    case ckVideo:
      return hasVideo ? ckVideo : ckAudio;
    default:
      return ckExternal;
  }
}

}  // namespace media
