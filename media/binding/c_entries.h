// Entry points bound from the C library, in binding order. They format the
// libraries' log messages and serve the engine's side files.
#pragma once

#define VVC_C_ENTRIES(F, V) \
  F(fclose)                 \
  F(fopen)                  \
  F(fprintf)                \
  F(fread)                  \
  F(fseek)                  \
  F(ftell)                  \
  F(fwrite)                 \
  F(snprintf)               \
  F(strtod)                 \
  F(strtol)                 \
  F(vsnprintf)
