#include "media/player/display_rect.h"

#include <cmath>

namespace media {

double DisplayAspect(float setting, int areaWidth, int areaHeight, int sarNum, int sarDen,
                     int pictureWidth, int pictureHeight) {
  if (setting < 0 && areaWidth > 0 && areaHeight > 0)
    return static_cast<double>(areaWidth) / areaHeight;
  if (setting > 0) return setting;
  double pixelAspect = (sarNum != 0 && sarDen != 0) ? static_cast<double>(sarNum) / sarDen : 0;
  if (pixelAspect <= 0) pixelAspect = 1;
  if (pictureWidth <= 0 || pictureHeight <= 0) return pixelAspect;
  return pixelAspect * pictureWidth / pictureHeight;
}

TSurfaceRect DisplayRect(double aspect, int areaWidth, int areaHeight, int offsetX, int offsetY) {
  if (!(aspect > 0) || !std::isfinite(aspect)) aspect = 1;
  long height = areaHeight;
  long width = std::lrint(height * aspect) & ~1L;
  if (width > areaWidth) {
    width = areaWidth;
    height = std::lrint(width / aspect) & ~1L;
  }
  TSurfaceRect r;
  r.Width = static_cast<int>(width);
  r.Height = static_cast<int>(height);
  r.X = static_cast<int>((areaWidth - width) / 2) + offsetX;
  r.Y = static_cast<int>((areaHeight - height) / 2) + offsetY;
  return r;
}

}  // namespace media
