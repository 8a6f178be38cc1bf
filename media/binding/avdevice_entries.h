// Entry points bound from libavdevice, in binding order.
#pragma once

#define VVC_AVDEVICE_ENTRIES(F, V) \
  F(avdevice_register_all)         \
  F(avdevice_version)
