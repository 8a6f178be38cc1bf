// A stand-in media library for the loader's tests: exports one do-nothing
// entry (returning 0) for every name of the list FAKE_LIST. Building it with
// -D<entry>=<other name> leaves that entry out.
#include "media/binding/avcodec_entries.h"
#include "media/binding/avdevice_entries.h"
#include "media/binding/avfilter_entries.h"
#include "media/binding/avformat_entries.h"
#include "media/binding/avutil_entries.h"
#include "media/binding/sdl_entries.h"
#include "media/binding/swresample_entries.h"
#include "media/binding/swscale_entries.h"

#define FAKE_FUNCTION(name)                                       \
  extern "C" __attribute__((visibility("default"))) long name() { \
    return 0;                                                     \
  }
#define FAKE_VARIABLE(name) extern "C" __attribute__((visibility("default"))) long name = 0;

FAKE_LIST(FAKE_FUNCTION, FAKE_VARIABLE)
