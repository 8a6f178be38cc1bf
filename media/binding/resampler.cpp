#include "media/binding/resampler.h"

#include "media/binding/entry_table.h"

namespace media {

int CreateResampler(SwrContext** context, const AVChannelLayout* outLayout,
                    AVSampleFormat outFormat, int outRate, const AVChannelLayout* inLayout,
                    AVSampleFormat inFormat, int inRate) {
  *context = nullptr;
  // FFmpeg 5.1 takes the layouts as non-const but only reads them.
  int result = lib::swr_alloc_set_opts2(context, const_cast<AVChannelLayout*>(outLayout), outFormat,
                                        outRate, const_cast<AVChannelLayout*>(inLayout), inFormat,
                                        inRate, 0, nullptr);
  if (result >= 0) {
    lib::av_opt_set_int(*context, "filter_size", 16, 0);
    lib::av_opt_set_int(*context, "phase_shift", 10, 0);
    lib::av_opt_set_int(*context, "linear_interp", 0, 0);
    lib::av_opt_set(*context, "cutoff", "0.8", 0);
    result = lib::swr_init(*context);
  }
  if (result < 0) lib::swr_free(context);
  return result;
}

}  // namespace media
