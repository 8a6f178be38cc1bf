// Entry points bound from libswresample, in binding order.
#pragma once

#define VVC_SWRESAMPLE_ENTRIES(F, V) \
  F(swr_alloc)                       \
  F(swr_alloc_set_opts2)             \
  F(swr_convert)                     \
  F(swr_convert_frame)               \
  F(swr_free)                        \
  F(swr_get_class)                   \
  F(swr_get_delay)                   \
  F(swr_get_out_samples)             \
  F(swr_init)                        \
  F(swr_is_initialized)              \
  F(swr_set_compensation)            \
  F(swresample_version)
