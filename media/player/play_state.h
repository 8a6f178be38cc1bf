// Player states and driver choices shared by the player component, the
// playback pipeline and its clients.
#pragma once

namespace media {

// In this order (the order of the events a client sees).
enum TPlayState : int { psPlay, psPause, psResume, psStep, psStop, psEnd };

// "psPlay" ... "psEnd"; "?" for a value outside the enumeration.
const char* PlayStateName(TPlayState state);

// SDL audio driver: adDefault leaves SDL_AUDIODRIVER as the environment has
// it, adDirectSound selects "pulseaudio", adWaveOut "alsa".
enum TAudioDriver : int { adDefault, adDirectSound, adWaveOut };

// Kept for the published interface; it selects nothing on this platform.
enum TVideoDriver : int { vdDefault, vdDirectDraw, vdGDI };

// Mixing volume: 0 (silent) .. 128 (unchanged).
using TAudioVolume = int;
inline constexpr TAudioVolume kMaxAudioVolume = 128;

}  // namespace media
