// The rectangle a picture takes in the drawing area for the player's
// AspectRatio setting.
#pragma once

#include "media/player/video_surface.h"

namespace media {

// The display aspect (width / height) of a picture:
// - setting < 0 with a drawing area of positive size: the area's own aspect
//   (the picture fills it);
// - setting > 0: the setting;
// - otherwise the picture's own: pixel aspect (sarNum / sarDen, 1 when
//   unknown or not positive) x width / height.
double DisplayAspect(float setting, int areaWidth, int areaHeight, int sarNum, int sarDen,
                     int pictureWidth, int pictureHeight);

// The largest rectangle of that aspect centred in the area: the full height
// with the width rounded (ties to even) and its lowest bit cleared; when that
// is wider than the area, the full width with the height computed the same
// way. offsetX/offsetY move it (the picture offset, 0 here).
TSurfaceRect DisplayRect(double aspect, int areaWidth, int areaHeight, int offsetX = 0,
                         int offsetY = 0);

}  // namespace media
