// A plain SDL window as video surface: what `vvc-cli play` shows without
// --headless, and what the player uses when it is given no surface. The
// window is created on the first Open, titled "Preview", resizable; SDL's
// video subsystem lives from that Open to Close. Closing the window asks the
// player to stop (SDL's quit event reaches the player's event loop).
#pragma once

#include "media/player/video_surface.h"

struct SDL_Renderer;
struct SDL_Texture;
struct SDL_Window;

namespace media {

class TSdlWindowSurface : public TVideoSurface {
 public:
  TSdlWindowSurface() = default;
  ~TSdlWindowSurface() override;

  bool Open(int& width, int& height) override;
  void ShowPicture(const TYuvPicture& picture, const TSurfaceRect& rect) override;
  void FillRect(const TSurfaceRect& rect, uint8_t red, uint8_t green, uint8_t blue) override;
  void Update() override;
  void Close() override;

 private:
  // All members belong to the player's event-loop thread.
  SDL_Window* window_ = nullptr;
  SDL_Renderer* renderer_ = nullptr;
  SDL_Texture* texture_ = nullptr;
  int textureWidth_ = 0;
  int textureHeight_ = 0;
  bool videoStarted_ = false;
};

}  // namespace media
