// A 24-bit picture in memory: blue-green-red bytes, rows top to bottom, each
// row padded to a multiple of 4 bytes. The canvas lock serialises drawing
// by different threads (the GUI wraps the same buffer in a QImage).
#pragma once

#include <cstdint>
#include <mutex>
#include <vector>

namespace platform {

class Bitmap24 {
 public:
  Bitmap24() = default;
  Bitmap24(int width, int height) { SetSize(width, height); }
  Bitmap24(const Bitmap24& other);
  Bitmap24& operator=(const Bitmap24& other);

  // Resizes; the content is black after a change of size. Negative sizes
  // count as 0.
  void SetSize(int width, int height);
  int Width() const { return width_; }
  int Height() const { return height_; }
  // Bytes per row: width x 3 rounded up to a multiple of 4.
  int Stride() const { return stride_; }
  static int StrideFor(int width) { return (width * 3 + 3) & ~3; }
  bool Empty() const { return width_ == 0 || height_ == 0; }

  // Row y (0 = top); y must lie in 0..Height()-1.
  uint8_t* ScanLine(int y) { return data_.data() + static_cast<size_t>(y) * stride_; }
  const uint8_t* ScanLine(int y) const {
    return data_.data() + static_cast<size_t>(y) * stride_;
  }
  uint8_t* Bits() { return data_.data(); }
  const uint8_t* Bits() const { return data_.data(); }
  size_t ByteSize() const { return data_.size(); }

  // Fills the whole picture with one colour.
  void Fill(uint8_t blue, uint8_t green, uint8_t red);

  void Lock() const { canvas_.lock(); }
  void Unlock() const { canvas_.unlock(); }

 private:
  int width_ = 0;
  int height_ = 0;
  int stride_ = 0;
  std::vector<uint8_t> data_;
  mutable std::recursive_mutex canvas_;
};

}  // namespace platform
