// The process-wide entry table: one typed pointer per library entry point,
// declared from the per-library lists (*_entries.h), null until the loader
// binds its library and null again after it unbinds it.
//
// Media code calls the libraries only as lib::name(...). The libraries are
// never linked, so a direct call such as av_malloc(...) fails to link.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavcodec/bsf.h>
#include <libavdevice/avdevice.h>
#include <libavfilter/avfilter.h>
#include <libavfilter/buffersink.h>
#include <libavfilter/buffersrc.h>
#include <libavformat/avformat.h>
#include <libavformat/avio.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/avstring.h>
#include <libavutil/avutil.h>
#include <libavutil/channel_layout.h>
#include <libavutil/cpu.h>
#include <libavutil/dict.h>
#include <libavutil/display.h>
#include <libavutil/frame.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libavutil/parseutils.h>
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
#include <libavutil/time.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}
#include <SDL2/SDL.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "media/binding/avcodec_entries.h"
#include "media/binding/avdevice_entries.h"
#include "media/binding/avfilter_entries.h"
#include "media/binding/avformat_entries.h"
#include "media/binding/avutil_entries.h"
#include "media/binding/c_entries.h"
#include "media/binding/sdl_entries.h"
#include "media/binding/swresample_entries.h"
#include "media/binding/swscale_entries.h"

namespace lib {

#define VVC_DECLARE_FUNCTION(name) inline decltype(&::name) name = nullptr;
#define VVC_DECLARE_VARIABLE(name) inline decltype(&::name) name = nullptr;

VVC_AVCODEC_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_AVDEVICE_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_AVFILTER_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_AVFORMAT_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_AVUTIL_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_SWSCALE_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_SWRESAMPLE_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_C_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)
VVC_SDL_ENTRIES(VVC_DECLARE_FUNCTION, VVC_DECLARE_VARIABLE)

#undef VVC_DECLARE_FUNCTION
#undef VVC_DECLARE_VARIABLE

}  // namespace lib
