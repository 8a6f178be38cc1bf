// The event-loop side of the pipeline: the video surface, picture buffers,
// the refresh that shows due pictures and drops late ones, subtitles over
// the picture and the waveform. Everything here runs on the player's play
// thread.
#include "media/binding/entry_table.h"
#include "media/player/display_rect.h"
#include "media/player/playback.h"
#include "media/player/subtitle_blend.h"

namespace media {

int TPlayback::OpenSurface(bool force) {
  TVideoSurface* surface = options_.Surface;
  if (surface == nullptr || options_.DisableDisplay) return 0;
  int width = 640, height = 480;
  const int screenWidth = controls_.ScreenWidth.load(),
            screenHeight = controls_.ScreenHeight.load();
  if (screenWidth > 0 && screenHeight > 0) {
    width = screenWidth;
    height = screenHeight;
  } else if (wantedWidth_.load() > 0 && wantedHeight_.load() > 0) {
    width = wantedWidth_.load();
    height = wantedHeight_.load();
  }
  if (!force && surfaceOpen_ && width == askedWidth_ && height == askedHeight_) return 0;
  askedWidth_ = width;
  askedHeight_ = height;
  if (!surface->Open(width, height) || width <= 0 || height <= 0) {
    surfaceOpen_ = false;
    host_.PipelineLog(llError, "SDL: could not set video mode.");
    return -1;
  }
  surfaceOpen_ = true;
  windowWidth_ = width;
  windowHeight_ = height;
  return 0;
}

void TPlayback::Resized(int width, int height) {
  controls_.ScreenWidth.store(width);
  controls_.ScreenHeight.store(height);
  OpenSurface(true);
}

void TPlayback::Redraw() {
  if (options_.Surface == nullptr || options_.DisableDisplay) return;
  if (!surfaceOpen_ && OpenSurface(false) < 0) return;
  if (HasAudio() && displayMode_.load() == 1)
    DrawWave();
  else if (HasVideo())
    ShowPicture();
}

void TPlayback::ShowPicture() {
  // Only this thread changes displayed_, so reading it needs no lock.
  const AVFrame* picture = displayed_;
  if (picture == nullptr) return;
  const double aspect = DisplayAspect(
      controls_.AspectRatio.load(), windowWidth_, windowHeight_, picture->sample_aspect_ratio.num,
      picture->sample_aspect_ratio.den, picture->width, picture->height);
  const TSurfaceRect rect = DisplayRect(aspect, windowWidth_, windowHeight_);
  TYuvPicture yuv;
  for (int i = 0; i < 3; ++i) {
    yuv.Planes[i] = picture->data[i];
    yuv.Pitches[i] = picture->linesize[i];
  }
  yuv.Width = picture->width;
  yuv.Height = picture->height;
  options_.Surface->ShowPicture(yuv, rect);
  options_.Surface->Update();
}

void TPlayback::DrawWave() {
  const int width = windowWidth_, height = windowHeight_;
  const int channels = audioChannels_ > 0 ? audioChannels_ : 1;
  std::vector<std::vector<int16_t>> bands(static_cast<size_t>(channels));
  {
    std::lock_guard lock(audioMutex_);
    int start = wave_.LastStart();
    if (!paused_.load()) {
      long delay = audioSilence_ ? 0 : (audioBufferSize_ - audioBufferIndex_) / (2 * channels);
      if (audioCallbackTime_ > 0)
        delay -= static_cast<long>((Now() - audioCallbackTime_) * audioRate_);
      delay += 2L * width;
      if (delay < width) delay = width;
      start = wave_.FindStart(delay, channels);
    }
    for (int c = 0; c < channels; ++c) bands[c] = wave_.Channel(start, c, channels, width);
  }
  DrawWaveform(*options_.Surface, bands, width, height);
}

void TPlayback::AllocatePicture() {
  OpenSurface(false);
  PictureSlot* slot = nullptr;
  int width = 0, height = 0;
  {
    std::lock_guard lock(pictureMutex_);
    slot = &slots_[pictureWrite_];
    if (slot->Allocated) return;
    width = wantedWidth_.load();
    height = wantedHeight_.load();
  }
  // While not allocated the slot belongs to this thread.
  if (slot->Frame == nullptr)
    slot->Frame = lib::av_frame_alloc();
  else
    lib::av_frame_unref(slot->Frame);
  if (slot->Frame != nullptr) {
    slot->Frame->format = AV_PIX_FMT_YUV420P;
    slot->Frame->width = width;
    slot->Frame->height = height;
    if (lib::av_frame_get_buffer(slot->Frame, 0) < 0) lib::av_frame_free(&slot->Frame);
  }
  {
    std::lock_guard lock(pictureMutex_);
    slot->Width = width;
    slot->Height = height;
    slot->Allocated = true;
  }
  pictureCond_.notify_all();
}

void TPlayback::Refresh(bool advance) {
  if (HasVideo()) {
    if (!advance) {
      Redraw();
      host_.PipelinePosition(*this);
      return;
    }
    bool dropped = false;
    for (;;) {
      std::unique_lock lock(pictureMutex_);
      if (pictureCount_ == 0) break;
      PictureSlot& slot = slots_[pictureRead_];
      const double now = Now();
      if (now < slot.Target) return;
      picturePts_ = slot.Pts;
      pictureDrift_ = slot.Pts - now;
      picturePos_ = slot.Pos;
      const double nextTarget = pictureCount_ == 2 ? slots_[(pictureRead_ + 1) % 2].Target
                                                   : slot.Target + videoClock_ - slot.Pts;
      const bool late = now > nextTarget && !captureDevice_;
      const bool stale = afterSeek_.load();
      if (late || stale) {
        skipper_.Late();
        if (pictureCount_ == 2 || now > nextTarget + 0.5 || stale) {
          pictureRead_ = (pictureRead_ + 1) % 2;
          --pictureCount_;
          lock.unlock();
          pictureCond_.notify_all();
          dropped = true;
          if (!stale) framesDropped_.fetch_add(1);
          continue;
        }
      }
      // Counted slots are not touched by the decode thread.
      AVFrame* frame = slot.Frame;
      const double pts = slot.Pts;
      lock.unlock();
      ExpireSubtitles(pts);
      if (frame != nullptr) {
        BlendSubtitles(frame, pts);
        AVFrame* shown = lib::av_frame_clone(frame);
        {
          std::lock_guard display(displayMutex_);
          if (displayed_ != nullptr) lib::av_frame_free(&displayed_);
          displayed_ = shown;
          displayedPts_ = pts;
        }
        Redraw();
      }
      lock.lock();
      pictureRead_ = (pictureRead_ + 1) % 2;
      --pictureCount_;
      lock.unlock();
      pictureCond_.notify_all();
      if (frame != nullptr) framesShown_.fetch_add(1);
      break;
    }
    if (!dropped) host_.PipelinePosition(*this);
  } else if (HasAudio()) {
    Redraw();
    host_.PipelinePosition(*this);
  }
}

void TPlayback::ExpireSubtitles(double pts) {
  if (subtitleStream_ < 0) return;
  {
    std::lock_guard lock(subtitleMutex_);
    if (subtitleStreamChanged_) {
      FreeSubtitles();
      subtitleStreamChanged_ = false;
    } else if (subtitleCount_ > 0) {
      const SubtitleEntry& first = subtitles_[subtitleRead_];
      bool expired = pts > first.Pts + first.Sub->end_display_time / 1000.0;
      if (!expired && subtitleCount_ > 1) {
        const SubtitleEntry& next = subtitles_[(subtitleRead_ + 1) % 4];
        expired = pts > next.Pts + next.Sub->start_display_time / 1000.0;
      }
      if (!expired) return;
      SubtitleEntry& e = subtitles_[subtitleRead_];
      lib::avsubtitle_free(e.Sub);
      delete e.Sub;
      e.Sub = nullptr;
      subtitleRead_ = (subtitleRead_ + 1) % 4;
      --subtitleCount_;
    } else {
      return;
    }
  }
  subtitleCond_.notify_all();
}

void TPlayback::BlendSubtitles(AVFrame* picture, double pts) {
  if (subtitleStream_ < 0) return;
  std::lock_guard lock(subtitleMutex_);
  if (subtitleCount_ == 0) return;
  const SubtitleEntry& e = subtitles_[subtitleRead_];
  if (pts < e.Pts + e.Sub->start_display_time / 1000.0) return;
  TYuvPlanes planes;
  for (int i = 0; i < 3; ++i) {
    planes.Planes[i] = picture->data[i];
    planes.Pitches[i] = picture->linesize[i];
  }
  planes.Width = picture->width;
  planes.Height = picture->height;
  for (unsigned i = 0; i < e.Sub->num_rects; ++i) {
    const AVSubtitleRect* r = e.Sub->rects[i];
    if (r->type != SUBTITLE_BITMAP || r->data[0] == nullptr || r->data[1] == nullptr) continue;
    TSubtitleBitmap bitmap;
    bitmap.Indexes = r->data[0];
    bitmap.Pitch = r->linesize[0];
    bitmap.Palette = reinterpret_cast<const uint32_t*>(r->data[1]);
    bitmap.PaletteSize = r->nb_colors;
    bitmap.X = r->x;
    bitmap.Y = r->y;
    bitmap.Width = r->w;
    bitmap.Height = r->h;
    BlendSubtitle(planes, bitmap);
  }
}

}  // namespace media
