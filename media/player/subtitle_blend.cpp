#include "media/player/subtitle_blend.h"

#include <algorithm>

namespace media {
namespace {

int Blend(int alpha, int oldValue, int newValue, int shift) {
  return ((oldValue << shift) * (255 - alpha) + newValue * alpha) / (255 << shift);
}

uint32_t Entry(const TSubtitleBitmap& r, int x, int y) {
  const int index = r.Indexes[static_cast<long>(y) * r.Pitch + x];
  return index < r.PaletteSize ? r.Palette[index] : 0;
}

}  // namespace

uint32_t RgbaToYuva(uint32_t argb) {
  const int a = static_cast<int>(argb >> 24);
  const int r = static_cast<int>((argb >> 16) & 0xFF);
  const int g = static_cast<int>((argb >> 8) & 0xFF);
  const int b = static_cast<int>(argb & 0xFF);
  const int y = (263 * r + 517 * g + 101 * b + 16896) >> 10;
  const int u = ((-152 * r - 298 * g + 450 * b + 511) >> 10) + 128;
  const int v = ((450 * r - 377 * g - 74 * b + 511) >> 10) + 128;
  return static_cast<uint32_t>(a) << 24 | static_cast<uint32_t>(y) << 16 |
         static_cast<uint32_t>(u) << 8 | static_cast<uint32_t>(v);
}

void ConvertPaletteToYuva(uint32_t* palette, int count) {
  for (int i = 0; i < count; ++i) palette[i] = RgbaToYuva(palette[i]);
}

void BlendSubtitle(TYuvPlanes& picture, const TSubtitleBitmap& rect) {
  if (rect.Indexes == nullptr || rect.Palette == nullptr) return;
  const int width = std::clamp(rect.Width, 0, picture.Width);
  const int height = std::clamp(rect.Height, 0, picture.Height);
  const int x0 = std::clamp(rect.X, 0, picture.Width - width);
  const int y0 = std::clamp(rect.Y, 0, picture.Height - height);
  if (width == 0 || height == 0) return;

  for (int y = 0; y < height; ++y) {
    uint8_t* luma = picture.Planes[0] + static_cast<long>(y0 + y) * picture.Pitches[0] + x0;
    for (int x = 0; x < width; ++x) {
      const uint32_t e = Entry(rect, x, y);
      luma[x] = static_cast<uint8_t>(
          Blend(static_cast<int>(e >> 24), luma[x], static_cast<int>((e >> 16) & 0xFF), 0));
    }
  }

  const int x1 = x0 + width, y1 = y0 + height;  // exclusive
  for (int cy = y0 >> 1; cy <= (y1 - 1) >> 1; ++cy) {
    uint8_t* cb = picture.Planes[1] + static_cast<long>(cy) * picture.Pitches[1];
    uint8_t* cr = picture.Planes[2] + static_cast<long>(cy) * picture.Pitches[2];
    for (int cx = x0 >> 1; cx <= (x1 - 1) >> 1; ++cx) {
      int n = 0, alphaSum = 0, uSum = 0, vSum = 0;
      for (int py = 2 * cy; py <= 2 * cy + 1; ++py) {
        if (py < y0 || py >= y1) continue;
        for (int px = 2 * cx; px <= 2 * cx + 1; ++px) {
          if (px < x0 || px >= x1) continue;
          const uint32_t e = Entry(rect, px - x0, py - y0);
          ++n;
          alphaSum += static_cast<int>(e >> 24);
          uSum += static_cast<int>((e >> 8) & 0xFF);
          vSum += static_cast<int>(e & 0xFF);
        }
      }
      const int shift = n == 4 ? 2 : n == 2 ? 1 : 0;
      cb[cx] = static_cast<uint8_t>(Blend(alphaSum >> 2, cb[cx], uSum, shift));
      cr[cx] = static_cast<uint8_t>(Blend(alphaSum >> 2, cr[cx], vSum, shift));
    }
  }
}

}  // namespace media
