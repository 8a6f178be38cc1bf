// The audio resampler both the converter and the player use: a
// libswresample context from one layout, format and rate to another, with
// the filter settings of our audio path (filter size 16, phase shift 10, no
// linear interpolation, cutoff 0.8).
#pragma once

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/samplefmt.h>
}

struct SwrContext;

namespace media {

// Creates and initialises *context (freeing nothing it did not make).
// Returns 0, or a negative library error code with *context null.
int CreateResampler(SwrContext** context, const AVChannelLayout* outLayout,
                    AVSampleFormat outFormat, int outRate, const AVChannelLayout* inLayout,
                    AVSampleFormat inFormat, int inRate);

}  // namespace media
