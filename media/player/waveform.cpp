#include "media/player/waveform.h"

#include <climits>

namespace media {

void TWaveformRing::Write(const int16_t* samples, int count) {
  for (int i = 0; i < count; ++i) {
    samples_[write_] = samples[i];
    write_ = (write_ + 1) % kSize;
  }
}

int TWaveformRing::FindStart(long delaySamples, int channels) {
  if (channels < 1) channels = 1;
  int start = Wrap(static_cast<long>(write_) - delaySamples * channels);
  int best = INT_MIN;
  int chosen = start;
  for (int k = 0; k < 1000; k += channels) {
    const long i = static_cast<long>(start) - k;
    const int a = At(i), b = At(i + 4L * channels), c = At(i + 5L * channels),
              d = At(i + 9L * channels);
    const int score = a - d;
    if ((b < 0) != (c < 0) && score > best) {
      best = score;
      chosen = Wrap(i);
    }
  }
  lastStart_ = chosen;
  return chosen;
}

std::vector<int16_t> TWaveformRing::Channel(int start, int channel, int channels, int count) const {
  std::vector<int16_t> out(count > 0 ? count : 0);
  long index = static_cast<long>(start) + channel;
  for (auto& s : out) {
    s = At(index);
    index += channels;
  }
  return out;
}

void DrawWaveform(TVideoSurface& surface, const std::vector<std::vector<int16_t>>& bands, int width,
                  int height) {
  surface.FillRect({0, 0, width, height}, 0, 0, 0);
  const int channels = static_cast<int>(bands.size());
  if (channels > 0) {
    const int band = height / channels;
    const int half = band * 9 / 20;
    for (int ch = 0; ch < channels; ++ch) {
      const int centre = ch * band + band / 2;
      const auto& samples = bands[ch];
      for (int x = 0; x < width && x < static_cast<int>(samples.size()); ++x) {
        const int y = (samples[x] * half) >> 15;
        if (y >= 0)
          surface.FillRect({x, centre, 1, y}, 255, 255, 255);
        else
          surface.FillRect({x, centre + y, 1, -y}, 255, 255, 255);
      }
    }
    for (int ch = 1; ch < channels; ++ch) surface.FillRect({0, ch * band, width, 1}, 255, 255, 255);
  }
  surface.Update();
}

}  // namespace media
