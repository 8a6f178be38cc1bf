// Where the player draws: an abstract video surface owned by the host.
//
// The GUI provides a widget that keeps the latest picture and paints it on
// its own thread; tests and the command line use TMemorySurface, which
// keeps in memory what would be on screen; TSdlWindowSurface is a plain SDL
// window.
//
// Threads: the player calls every member below from its event-loop thread
// only, one call at a time, between the first Open and Close of a file.
// The host tells the player about a resize or an expose of its drawing area
// through TCustomPlayer::SurfaceResized / SurfaceExposed (any thread).
#pragma once

#include <cstdint>

namespace media {

// A rectangle of the drawing area in pixels; (0, 0) is the top left corner.
struct TSurfaceRect {
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
  bool operator==(const TSurfaceRect&) const = default;
};

// A planar 4:2:0 picture: full-size luma, then the blue and red chroma
// planes at half width and height (rounded up). The planes stay valid only
// during the call that receives them.
struct TYuvPicture {
  // Y, Cb, Cr; the fourth entry stays empty (the libraries' picture layout).
  const uint8_t* Planes[4] = {nullptr, nullptr, nullptr, nullptr};
  int Pitches[4] = {0, 0, 0, 0};  // bytes per row
  int Width = 0;
  int Height = 0;
};

class TVideoSurface {
 public:
  virtual ~TVideoSurface() = default;

  // (Re)creates the drawing area. width and height come in as the size the
  // player wants (even, positive) and go out as the size it really has,
  // which the player then draws into. The content is black afterwards.
  // Returns false when no drawing area can be made; the player then logs
  // "SDL: could not set video mode." and draws nothing until the next Open.
  virtual bool Open(int& width, int& height) = 0;

  // Draws the picture scaled into rect. The rectangle lies inside the
  // drawing area; what lies outside it is left as it was.
  virtual void ShowPicture(const TYuvPicture& picture, const TSurfaceRect& rect) = 0;

  // Fills rect (clipped to the drawing area) with one colour.
  virtual void FillRect(const TSurfaceRect& rect, uint8_t red, uint8_t green, uint8_t blue) = 0;

  // Makes everything drawn since the last Update visible at once.
  virtual void Update() = 0;

  // The player has closed its file and draws no more until the next Open;
  // the surface may keep showing the last content.
  virtual void Close() = 0;

  // The size the host gives the drawing area when the host decides it (a
  // widget in a layout); false when the surface follows the picture size.
  // Asked once on the thread that opens a file.
  virtual bool HostSize(int& width, int& height) const {
    (void)width;
    (void)height;
    return false;
  }
};

}  // namespace media
