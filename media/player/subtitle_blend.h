// Graphic subtitles over a picture: palette conversion to YUVA and the
// blending of a palettised rectangle into a planar 4:2:0 picture, in fixed
// point (1,024 = 1.0) with the player's fixed coefficients.
#pragma once

#include <cstdint>

namespace media {

// 0xAARRGGBB to 0xAAYYUUVV.
uint32_t RgbaToYuva(uint32_t argb);
// Converts `count` palette entries in place.
void ConvertPaletteToYuva(uint32_t* palette, int count);

// A writable planar 4:2:0 picture.
struct TYuvPlanes {
  uint8_t* Planes[3] = {nullptr, nullptr, nullptr};  // Y, Cb, Cr
  int Pitches[3] = {0, 0, 0};
  int Width = 0;
  int Height = 0;
};

// One subtitle rectangle: palette indexes (one byte per pixel) and a YUVA
// palette.
struct TSubtitleBitmap {
  const uint8_t* Indexes = nullptr;
  int Pitch = 0;
  const uint32_t* Palette = nullptr;
  int PaletteSize = 0;  // entries; indexes beyond it count as transparent
  int X = 0;
  int Y = 0;
  int Width = 0;
  int Height = 0;
};

// Blends the rectangle into the picture. The rectangle is first fitted in:
// its size clamped to the picture's, then its position clamped so that it
// lies inside. Luma: ((old << s) * (255 - a) + new * a) / (255 << s) with
// s = 0 and the pixel's alpha; chroma per 2 x 2 block of n = 1, 2 or 4
// pixels inside the rectangle: the same with a = alpha sum >> 2, new = the
// sum of the block's U (V) values and s = 0, 1, 2.
void BlendSubtitle(TYuvPlanes& picture, const TSubtitleBitmap& rect);

}  // namespace media
