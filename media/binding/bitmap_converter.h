// Turns decoded pictures into 24-bit bitmaps (platform::Bitmap24, BGR rows
// padded to 4 bytes) for hooks, previews and snapshots.
//
// The converter owns the bitmap, its conversion buffer and both cached
// scaler contexts, and frees them in ResetConverter() and its destructor.
// One converter belongs to one thread at a time; the bitmap is written under
// its canvas lock so a reader holding that lock never sees half a picture.
// Needs avutil and swscale loaded.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/bitmap24.h"

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

struct SwsContext;

namespace media {

class BitmapConverter {
 public:
  BitmapConverter() = default;
  ~BitmapConverter();
  BitmapConverter(const BitmapConverter&) = delete;
  BitmapConverter& operator=(const BitmapConverter&) = delete;

  // Frees the bitmap, the buffer and both scaler contexts.
  void ResetConverter();

  // Puts a width x height picture of pixel format `format` into Bitmap().
  // A BGR24 picture of even size whose first line size equals the bitmap's
  // row size is copied as it is; any other picture is converted through the
  // converter's buffer (bicubic). False when the size is not positive, the
  // buffer cannot be allocated or no scaler can be made for the format.
  bool PictureToBitmap(const uint8_t* const data[4], const int linesize[4], AVPixelFormat format,
                       int height, int width);
  bool PictureToBitmap(const AVFrame* frame, AVPixelFormat format, int height, int width);

  // Null until the first successful PictureToBitmap.
  platform::Bitmap24* Bitmap() const { return bitmap_.get(); }
  // The conversion buffer's size; 0 while no picture went through it.
  int BufferSize() const { return bufferSize_; }
  // The cached context for converting the bitmap back into a picture; the
  // video path gets it with sws_getCachedContext, the converter frees it.
  SwsContext*& FromBitmapScaler() { return fromBitmap_; }

 private:
  std::unique_ptr<platform::Bitmap24> bitmap_;
  uint8_t* buffer_ = nullptr;  // av_malloc'ed
  int bufferSize_ = 0;
  uint8_t* pictureData_[4] = {};  // the picture over buffer_
  int pictureLinesize_[4] = {};
  SwsContext* toBitmap_ = nullptr;
  SwsContext* fromBitmap_ = nullptr;
};

}  // namespace media
