#include "media/binding/bitmap_converter.h"

#include <cstring>

#include "media/binding/entry_table.h"

namespace media {
namespace {

constexpr AVPixelFormat kTargetFormat = AV_PIX_FMT_BGR24;

// Holds a bitmap's canvas lock for a scope.
class CanvasLock {
 public:
  explicit CanvasLock(const platform::Bitmap24& bitmap) : bitmap_(bitmap) { bitmap_.Lock(); }
  ~CanvasLock() { bitmap_.Unlock(); }
  CanvasLock(const CanvasLock&) = delete;
  CanvasLock& operator=(const CanvasLock&) = delete;

 private:
  const platform::Bitmap24& bitmap_;
};

}  // namespace

BitmapConverter::~BitmapConverter() {
  ResetConverter();
}

void BitmapConverter::ResetConverter() {
  bitmap_.reset();
  // The pointers stay null when the libraries were unloaded meanwhile; the
  // memory went with them.
  if (buffer_ != nullptr && lib::av_free != nullptr) lib::av_free(buffer_);
  buffer_ = nullptr;
  bufferSize_ = 0;
  for (SwsContext** context : {&toBitmap_, &fromBitmap_}) {
    if (*context != nullptr && lib::sws_freeContext != nullptr) lib::sws_freeContext(*context);
    *context = nullptr;
  }
  std::memset(pictureData_, 0, sizeof pictureData_);
  std::memset(pictureLinesize_, 0, sizeof pictureLinesize_);
}

bool BitmapConverter::PictureToBitmap(const uint8_t* const data[4], const int linesize[4],
                                      AVPixelFormat format, int height, int width) {
  if (data == nullptr || linesize == nullptr || width <= 0 || height <= 0) return false;
  if (lib::av_image_check_size(static_cast<unsigned>(width), static_cast<unsigned>(height), 0,
                               nullptr) < 0)
    return false;
  if (!bitmap_) bitmap_ = std::make_unique<platform::Bitmap24>();
  {
    CanvasLock lock(*bitmap_);
    bitmap_->SetSize(width, height);
  }
  const int stride = platform::Bitmap24::StrideFor(width);

  const uint8_t* const* rows = data;
  int rowSize = linesize[0];
  const bool direct =
      format == kTargetFormat && width % 2 == 0 && height % 2 == 0 && linesize[0] == stride;
  if (!direct) {
    const int size = lib::av_image_get_buffer_size(kTargetFormat, width, height, 1);
    if (size < 0) return false;
    if (buffer_ == nullptr || bufferSize_ < size) {
      lib::av_free(buffer_);
      bufferSize_ = 0;
      buffer_ = static_cast<uint8_t*>(lib::av_malloc(static_cast<size_t>(size)));
      if (buffer_ == nullptr) return false;
      bufferSize_ = size;
    }
    lib::av_image_fill_arrays(pictureData_, pictureLinesize_, buffer_, kTargetFormat, width, height,
                              1);
    toBitmap_ = lib::sws_getCachedContext(toBitmap_, width, height, format, width, height,
                                          kTargetFormat, SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (toBitmap_ == nullptr) return false;
    lib::sws_scale(toBitmap_, data, linesize, 0, height, pictureData_, pictureLinesize_);
    rows = pictureData_;
    rowSize = pictureLinesize_[0];
  }

  // Never more than a bitmap row, whatever line size the picture has.
  const size_t bytes = static_cast<size_t>(rowSize < stride ? rowSize : stride);
  CanvasLock lock(*bitmap_);
  for (int y = 0; y < height; ++y)
    std::memcpy(bitmap_->ScanLine(y), rows[0] + static_cast<ptrdiff_t>(y) * rowSize, bytes);
  return true;
}

bool BitmapConverter::PictureToBitmap(const AVFrame* frame, AVPixelFormat format, int height,
                                      int width) {
  if (frame == nullptr) return false;
  return PictureToBitmap(frame->data, frame->linesize, format, height, width);
}

}  // namespace media
