// Bind and unbind procedures of every library, generated from the entry
// lists, and the constant library table.
#include "media/binding/entry_table.h"

#include "media/binding/library_loader.h"
#include "media/binding/module_binding.h"

namespace media {
namespace {

struct EntrySlot {
  const char* name;
  void** slot;
  bool variable;
};

#define VVC_FUNCTION_SLOT(name) {#name, reinterpret_cast<void**>(&lib::name), false},
#define VVC_VARIABLE_SLOT(name) {#name, reinterpret_cast<void**>(&lib::name), true},
#define VVC_RESET_SLOT(name) lib::name = nullptr;

template <size_t N>
void BindAll(const EntrySlot (&slots)[N], const std::string& fileName, void* handle) {
  for (const auto& e : slots) {
    void* address = nullptr;
    if (e.variable)
      BindVariable(fileName, handle, e.name, false, address);
    else
      BindFunction(fileName, handle, e.name, false, address);
    *e.slot = address;
  }
}

// One bind/unbind pair per library. The registration call (if any) runs
// through the pointer just bound.
#define VVC_LIBRARY_PROCS(prefix, LIST, REGISTER)                                 \
  const EntrySlot prefix##Slots[] = {LIST(VVC_FUNCTION_SLOT, VVC_VARIABLE_SLOT)}; \
  void prefix##Bind(const std::string& fileName, void* handle) {                  \
    BindAll(prefix##Slots, fileName, handle);                                     \
    REGISTER;                                                                     \
  }                                                                               \
  void prefix##Unbind() {                                                         \
    LIST(VVC_RESET_SLOT, VVC_RESET_SLOT)                                          \
  }

VVC_LIBRARY_PROCS(AvCodec, VVC_AVCODEC_ENTRIES, (void)0)
VVC_LIBRARY_PROCS(AvDevice, VVC_AVDEVICE_ENTRIES, lib::avdevice_register_all())
VVC_LIBRARY_PROCS(AvFilter, VVC_AVFILTER_ENTRIES, (void)0)
VVC_LIBRARY_PROCS(AvFormat, VVC_AVFORMAT_ENTRIES, lib::avformat_network_init())
VVC_LIBRARY_PROCS(AvUtil, VVC_AVUTIL_ENTRIES, (void)0)
VVC_LIBRARY_PROCS(SwScale, VVC_SWSCALE_ENTRIES, (void)0)
VVC_LIBRARY_PROCS(SwResample, VVC_SWRESAMPLE_ENTRIES, (void)0)
VVC_LIBRARY_PROCS(C, VVC_C_ENTRIES, (void)0)
VVC_LIBRARY_PROCS(Sdl, VVC_SDL_ENTRIES, (void)0)

const TLibraryItem kLibraryItems[kLibraryCount] = {
    {libAVCodec, "avcodec", LIBAVCODEC_VERSION_MAJOR, AvCodecBind, AvCodecUnbind},
    {libAVDevice, "avdevice", LIBAVDEVICE_VERSION_MAJOR, AvDeviceBind, AvDeviceUnbind},
    {libAVFilter, "avfilter", LIBAVFILTER_VERSION_MAJOR, AvFilterBind, AvFilterUnbind},
    {libAVFormat, "avformat", LIBAVFORMAT_VERSION_MAJOR, AvFormatBind, AvFormatUnbind},
    {libAVUtil, "avutil", LIBAVUTIL_VERSION_MAJOR, AvUtilBind, AvUtilUnbind},
    {libSwScale, "swscale", LIBSWSCALE_VERSION_MAJOR, SwScaleBind, SwScaleUnbind},
    {libSwResample, "swresample", LIBSWRESAMPLE_VERSION_MAJOR, SwResampleBind, SwResampleUnbind},
    {libC, "c", 6, CBind, CUnbind},
    {libSDL, "SDL2-2.0", 0, SdlBind, SdlUnbind},
};

}  // namespace

const TLibraryItem& LibraryItem(TLibraryId id) {
  return kLibraryItems[id];
}

}  // namespace media
