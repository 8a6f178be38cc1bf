// The waveform shown for files without video: a ring of the latest decoded
// samples (filled by the audio callback), the choice of where the drawn
// stretch starts, and the drawing through the video surface.
//
// No locking here: the pipeline guards the ring with its audio lock and
// copies the stretch to draw out of it before drawing.
#pragma once

#include <cstdint>
#include <vector>

#include "media/player/video_surface.h"

namespace media {

class TWaveformRing {
 public:
  static constexpr int kSize = 131072;  // samples (all channels interleaved)

  TWaveformRing() : samples_(kSize, 0) {}

  // Appends interleaved 16-bit samples, wrapping at kSize.
  void Write(const int16_t* samples, int count);
  int16_t At(long index) const { return samples_[Wrap(index)]; }
  int WriteIndex() const { return write_; }

  // Where the drawn stretch starts: delaySamples per channel before the
  // write index, then moved to the best trigger point among the 1,000
  // samples before it (steps of the channel count): the largest
  // ring[i] - ring[i + 9 ch] where ring[i + 4 ch] and ring[i + 5 ch] differ
  // in sign (the first on ties; none: the index stays). Remembered as
  // LastStart.
  int FindStart(long delaySamples, int channels);
  int LastStart() const { return lastStart_; }

  // The samples of one channel from `start` on (stepping by the channel
  // count), count of them.
  std::vector<int16_t> Channel(int start, int channel, int channels, int count) const;

  static int Wrap(long index) {
    long m = index % kSize;
    return static_cast<int>(m < 0 ? m + kSize : m);
  }

 private:
  std::vector<int16_t> samples_;
  int write_ = 0;
  int lastStart_ = 0;
};

// Draws one band per channel into a width x height area: black, then for
// each column a one-pixel white bar of (sample x half-height) >> 15 pixels
// from the band's centre line (down for positive samples, up for negative;
// half-height = band height x 9 / 20), then a white separator line at the top
// of every band after the first; then Update. bands[c] holds the samples of
// channel c, one per column.
void DrawWaveform(TVideoSurface& surface, const std::vector<std::vector<int16_t>>& bands, int width,
                  int height);

}  // namespace media
