#include "media/player/memory_surface.h"

#include <algorithm>
#include <cstring>

#include "media/binding/entry_table.h"

namespace media {

TMemorySurface::~TMemorySurface() {
  if (scaler_ != nullptr && lib::sws_freeContext != nullptr) lib::sws_freeContext(scaler_);
}

bool TMemorySurface::Open(int& width, int& height) {
  width = std::max(width, 0);
  height = std::max(height, 0);
  back_.SetSize(width, height);
  back_.Fill(0, 0, 0);
  std::lock_guard lock(mutex_);
  front_ = back_;
  ++opens_;
  closed_ = false;
  return true;
}

void TMemorySurface::ShowPicture(const TYuvPicture& picture, const TSurfaceRect& rect) {
  const bool inside = rect.X >= 0 && rect.Y >= 0 && rect.Width > 0 && rect.Height > 0 &&
                      rect.X + rect.Width <= back_.Width() &&
                      rect.Y + rect.Height <= back_.Height();
  if (inside && picture.Width > 0 && picture.Height > 0) {
    scaler_ = lib::sws_getCachedContext(scaler_, picture.Width, picture.Height, AV_PIX_FMT_YUV420P,
                                        rect.Width, rect.Height, AV_PIX_FMT_BGR24, SWS_BICUBIC,
                                        nullptr, nullptr, nullptr);
    if (scaler_ != nullptr) {
      uint8_t* dst[4] = {back_.ScanLine(rect.Y) + 3 * rect.X, nullptr, nullptr, nullptr};
      int dstPitch[4] = {back_.Stride(), 0, 0, 0};
      lib::sws_scale(scaler_, picture.Planes, picture.Pitches, 0, picture.Height, dst, dstPitch);
    }
  }
  std::lock_guard lock(mutex_);
  ++pictures_;
  lastRect_ = rect;
}

void TMemorySurface::FillRect(const TSurfaceRect& rect, uint8_t red, uint8_t green, uint8_t blue) {
  const int x0 = std::max(rect.X, 0), y0 = std::max(rect.Y, 0);
  const int x1 = std::min(rect.X + rect.Width, back_.Width());
  const int y1 = std::min(rect.Y + rect.Height, back_.Height());
  for (int y = y0; y < y1; ++y) {
    uint8_t* p = back_.ScanLine(y) + 3 * x0;
    for (int x = x0; x < x1; ++x, p += 3) {
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    }
  }
}

void TMemorySurface::Update() {
  std::lock_guard lock(mutex_);
  if (front_.Width() == back_.Width() && front_.Height() == back_.Height())
    std::memcpy(front_.Bits(), back_.Bits(), back_.ByteSize());
  else
    front_ = back_;
  ++updates_;
}

void TMemorySurface::Close() {
  std::lock_guard lock(mutex_);
  closed_ = true;
}

bool TMemorySurface::HostSize(int& width, int& height) const {
  std::lock_guard lock(mutex_);
  if (hostWidth_ <= 0 || hostHeight_ <= 0) return false;
  width = hostWidth_;
  height = hostHeight_;
  return true;
}

void TMemorySurface::SetHostSize(int width, int height) {
  std::lock_guard lock(mutex_);
  hostWidth_ = width;
  hostHeight_ = height;
}

platform::Bitmap24 TMemorySurface::Screen() const {
  std::lock_guard lock(mutex_);
  return front_;
}

int TMemorySurface::Width() const {
  std::lock_guard lock(mutex_);
  return front_.Width();
}

int TMemorySurface::Height() const {
  std::lock_guard lock(mutex_);
  return front_.Height();
}

int TMemorySurface::OpenCount() const {
  std::lock_guard lock(mutex_);
  return opens_;
}

int TMemorySurface::PictureCount() const {
  std::lock_guard lock(mutex_);
  return pictures_;
}

int TMemorySurface::UpdateCount() const {
  std::lock_guard lock(mutex_);
  return updates_;
}

bool TMemorySurface::Closed() const {
  std::lock_guard lock(mutex_);
  return closed_;
}

TSurfaceRect TMemorySurface::LastPictureRect() const {
  std::lock_guard lock(mutex_);
  return lastRect_;
}

}  // namespace media
