// A video surface that keeps in memory what would be on screen: a 24-bit
// picture of the drawing area as of the last Update, plus a few counters.
// Used by the tests and by `vvc-cli play --headless`.
//
// The player draws from its event-loop thread; any other thread may read
// the presented picture and the counters at any time.
#pragma once

#include <cstdint>
#include <mutex>

#include "media/player/video_surface.h"
#include "platform/bitmap24.h"

struct SwsContext;

namespace media {

class TMemorySurface : public TVideoSurface {
 public:
  TMemorySurface() = default;
  ~TMemorySurface() override;

  bool Open(int& width, int& height) override;
  void ShowPicture(const TYuvPicture& picture, const TSurfaceRect& rect) override;
  void FillRect(const TSurfaceRect& rect, uint8_t red, uint8_t green, uint8_t blue) override;
  void Update() override;
  void Close() override;
  bool HostSize(int& width, int& height) const override;

  // A host-decided size for HostSize (0 x 0: follow the picture).
  void SetHostSize(int width, int height);

  // A copy of what is on screen (as of the last Update).
  platform::Bitmap24 Screen() const;
  int Width() const;
  int Height() const;
  int OpenCount() const;
  int PictureCount() const;  // ShowPicture calls
  int UpdateCount() const;
  bool Closed() const;
  // The rectangle of the latest ShowPicture.
  TSurfaceRect LastPictureRect() const;

 private:
  // Drawing state: used by the drawing thread only.
  platform::Bitmap24 back_;
  SwsContext* scaler_ = nullptr;

  mutable std::mutex mutex_;
  platform::Bitmap24 front_;  // guarded by mutex_
  int hostWidth_ = 0;         // guarded by mutex_
  int hostHeight_ = 0;        // guarded by mutex_
  int opens_ = 0;             // guarded by mutex_
  int pictures_ = 0;          // guarded by mutex_
  int updates_ = 0;           // guarded by mutex_
  bool closed_ = false;       // guarded by mutex_
  TSurfaceRect lastRect_;     // guarded by mutex_
};

}  // namespace media
