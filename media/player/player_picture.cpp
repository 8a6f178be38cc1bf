// The frame hook (every decoded picture as a 24-bit bitmap the application
// may paint into) and snapshots of the picture on screen.
#include <exception>

#include "media/binding/entry_table.h"
#include "media/player/media_player.h"

namespace media {

void TCustomPlayer::PipelineHook(AVFrame* picture, int64_t ptsMicroseconds) {
  if (!hook_.load()) return;
  THookEvent handler;
  {
    std::lock_guard lock(handlerMutex_);
    handler = onHook_;
  }
  if (!handler) return;
  const int width = picture->width, height = picture->height;
  if (!hookConverter_.PictureToBitmap(picture->data, picture->linesize, AV_PIX_FMT_YUV420P, height,
                                      width) ||
      hookConverter_.Bitmap() == nullptr) {
    PipelineLog(llError, "Cannot initialize the toRGB conversion context");
    return;
  }
  platform::Bitmap24& bitmap = *hookConverter_.Bitmap();
  bitmap.Lock();
  try {
    handler(this, bitmap, ptsMicroseconds);
  } catch (const std::exception& e) {
    bitmap.Unlock();
    PipelineLog(llError, std::string("Error occurs OnHook: ") + e.what());
    return;
  } catch (...) {
    bitmap.Unlock();
    PipelineLog(llError, "Error occurs OnHook: unknown exception");
    return;
  }
  bitmap.Unlock();
  SwsContext*& back = hookConverter_.FromBitmapScaler();
  back = lib::sws_getCachedContext(back, width, height, AV_PIX_FMT_BGR24, width, height,
                                   AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
  if (back == nullptr) {
    PipelineLog(llError, "Cannot initialize the fromRGB conversion context");
    return;
  }
  const uint8_t* source[4] = {bitmap.Bits(), nullptr, nullptr, nullptr};
  const int sourcePitch[4] = {bitmap.Stride(), 0, 0, 0};
  lib::sws_scale(back, source, sourcePitch, 0, height, picture->data, picture->linesize);
}

const platform::Bitmap24& TCustomPlayer::CaptureFrame(int64_t& pts) {
  auto playback = Current();
  if (!playback || playback->Closed() || !playback->HasVideo()) {
    snapshot_.SetSize(0, 0);
    pts = -1;
    return snapshot_;
  }
  snapshot_.SetSize(playback->CodecWidth(), playback->CodecHeight());
  snapshot_.Fill(0, 0, 0);
  double seconds = 0;
  AVFrame* picture = playback->DisplayedPicture(seconds);
  pts = std::llrint(seconds * 1e6) - playback->StartTime();
  if (picture != nullptr) {
    if (snapshotConverter_.PictureToBitmap(picture->data, picture->linesize, AV_PIX_FMT_YUV420P,
                                           picture->height, picture->width) &&
        snapshotConverter_.Bitmap() != nullptr)
      snapshot_ = *snapshotConverter_.Bitmap();
    else
      snapshot_.SetSize(0, 0);
    lib::av_frame_free(&picture);
  }
  return snapshot_;
}

const platform::Bitmap24& TCustomPlayer::CurrentPicture() {
  int64_t pts = 0;
  return CaptureFrame(pts);
}

}  // namespace media
