#include "platform/bitmap24.h"

#include <climits>
#include <stdexcept>

namespace platform {

Bitmap24::Bitmap24(const Bitmap24& other) {
  std::lock_guard lock(other.canvas_);
  width_ = other.width_;
  height_ = other.height_;
  stride_ = other.stride_;
  data_ = other.data_;
}

Bitmap24& Bitmap24::operator=(const Bitmap24& other) {
  if (this == &other) return *this;
  std::scoped_lock lock(canvas_, other.canvas_);
  width_ = other.width_;
  height_ = other.height_;
  stride_ = other.stride_;
  data_ = other.data_;
  return *this;
}

void Bitmap24::SetSize(int width, int height) {
  if (width < 0) width = 0;
  if (height < 0) height = 0;
  // The row length must stay within int (StrideFor and Stride are int).
  if (width > (INT_MAX - 3) / 3) throw std::length_error("Bitmap24: picture too wide");
  std::lock_guard lock(canvas_);
  if (width == width_ && height == height_) return;
  width_ = width;
  height_ = height;
  stride_ = StrideFor(width);
  data_.assign(static_cast<size_t>(stride_) * static_cast<size_t>(height), 0);
}

void Bitmap24::Fill(uint8_t blue, uint8_t green, uint8_t red) {
  std::lock_guard lock(canvas_);
  for (int y = 0; y < height_; ++y) {
    uint8_t* row = ScanLine(y);
    for (int x = 0; x < width_; ++x) {
      row[3 * x] = blue;
      row[3 * x + 1] = green;
      row[3 * x + 2] = red;
    }
  }
}

}  // namespace platform
