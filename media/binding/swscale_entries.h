// Entry points bound from libswscale, in binding order.
#pragma once

#define VVC_SWSCALE_ENTRIES(F, V) \
  F(sws_alloc_context)            \
  F(sws_freeContext)              \
  F(sws_getCachedContext)         \
  F(sws_getContext)               \
  F(sws_get_class)                \
  F(sws_init_context)             \
  F(sws_isSupportedInput)         \
  F(sws_isSupportedOutput)        \
  F(sws_scale)                    \
  F(sws_scale_frame)              \
  F(swscale_version)
