// Entry points bound from SDL2, in binding order.
#pragma once

#define VVC_SDL_ENTRIES(F, V)     \
  F(SDL_AddTimer)                 \
  F(SDL_CloseAudioDevice)         \
  F(SDL_Delay)                    \
  F(SDL_EventState)               \
  F(SDL_FlushEvents)              \
  F(SDL_GetAudioDeviceStatus)     \
  F(SDL_GetAudioDriver)           \
  F(SDL_GetCurrentAudioDriver)    \
  F(SDL_GetError)                 \
  F(SDL_GetNumAudioDrivers)       \
  F(SDL_GetTicks)                 \
  F(SDL_GetVersion)               \
  F(SDL_Init)                     \
  F(SDL_InitSubSystem)            \
  F(SDL_LockAudioDevice)          \
  F(SDL_MixAudioFormat)           \
  F(SDL_OpenAudioDevice)          \
  F(SDL_PauseAudioDevice)         \
  F(SDL_PeepEvents)               \
  F(SDL_PollEvent)                \
  F(SDL_PushEvent)                \
  F(SDL_Quit)                     \
  F(SDL_QuitSubSystem)            \
  F(SDL_RegisterEvents)           \
  F(SDL_RemoveTimer)              \
  F(SDL_SetHint)                  \
  F(SDL_UnlockAudioDevice)        \
  F(SDL_WaitEvent)                \
  F(SDL_WaitEventTimeout)         \
  F(SDL_WasInit)                  \
  F(SDL_setenv)
