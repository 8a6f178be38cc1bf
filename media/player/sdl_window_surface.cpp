#include "media/player/sdl_window_surface.h"

#include "media/binding/entry_table.h"

namespace media {

TSdlWindowSurface::~TSdlWindowSurface() {
  Close();
}

bool TSdlWindowSurface::Open(int& width, int& height) {
  if (width <= 0 || height <= 0) return false;
  if (!videoStarted_) {
    if (lib::SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
    videoStarted_ = true;
  }
  if (window_ == nullptr) {
    window_ = lib::SDL_CreateWindow("Preview", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                    width, height, SDL_WINDOW_RESIZABLE);
    if (window_ == nullptr) return false;
    renderer_ = lib::SDL_CreateRenderer(window_, -1, 0);
    if (renderer_ == nullptr) {
      Close();
      return false;
    }
  } else {
    int w = 0, h = 0;
    lib::SDL_GetWindowSize(window_, &w, &h);
    if (w != width || h != height) lib::SDL_SetWindowSize(window_, width, height);
  }
  lib::SDL_GetWindowSize(window_, &width, &height);
  lib::SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  lib::SDL_RenderClear(renderer_);
  lib::SDL_RenderPresent(renderer_);
  return true;
}

void TSdlWindowSurface::ShowPicture(const TYuvPicture& picture, const TSurfaceRect& rect) {
  if (renderer_ == nullptr || picture.Width <= 0 || picture.Height <= 0) return;
  if (texture_ == nullptr || textureWidth_ != picture.Width || textureHeight_ != picture.Height) {
    if (texture_ != nullptr) lib::SDL_DestroyTexture(texture_);
    texture_ = lib::SDL_CreateTexture(renderer_, SDL_PIXELFORMAT_IYUV, SDL_TEXTUREACCESS_STREAMING,
                                      picture.Width, picture.Height);
    textureWidth_ = texture_ != nullptr ? picture.Width : 0;
    textureHeight_ = texture_ != nullptr ? picture.Height : 0;
    if (texture_ == nullptr) return;
  }
  lib::SDL_UpdateYUVTexture(texture_, nullptr, picture.Planes[0], picture.Pitches[0],
                            picture.Planes[1], picture.Pitches[1], picture.Planes[2],
                            picture.Pitches[2]);
  // A presented frame's back buffer is undefined: paint the borders too.
  lib::SDL_SetRenderDrawColor(renderer_, 0, 0, 0, 255);
  lib::SDL_RenderClear(renderer_);
  const SDL_Rect target{rect.X, rect.Y, rect.Width, rect.Height};
  lib::SDL_RenderCopy(renderer_, texture_, nullptr, &target);
}

void TSdlWindowSurface::FillRect(const TSurfaceRect& rect, uint8_t red, uint8_t green,
                                 uint8_t blue) {
  if (renderer_ == nullptr) return;
  lib::SDL_SetRenderDrawColor(renderer_, red, green, blue, 255);
  const SDL_Rect r{rect.X, rect.Y, rect.Width, rect.Height};
  lib::SDL_RenderFillRect(renderer_, &r);
}

void TSdlWindowSurface::Update() {
  if (renderer_ != nullptr) lib::SDL_RenderPresent(renderer_);
}

void TSdlWindowSurface::Close() {
  if (texture_ != nullptr) lib::SDL_DestroyTexture(texture_);
  if (renderer_ != nullptr) lib::SDL_DestroyRenderer(renderer_);
  if (window_ != nullptr) lib::SDL_DestroyWindow(window_);
  texture_ = nullptr;
  renderer_ = nullptr;
  window_ = nullptr;
  textureWidth_ = textureHeight_ = 0;
  if (videoStarted_ && lib::SDL_QuitSubSystem != nullptr) lib::SDL_QuitSubSystem(SDL_INIT_VIDEO);
  videoStarted_ = false;
}

}  // namespace media
