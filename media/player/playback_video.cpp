// The video decode thread: packets from the video queue through the decoder
// and a small filter graph (planar 4:2:0 out) into the picture queue.
#include <chrono>
#include <cmath>
#include <cstdio>

#include "media/binding/entry_table.h"
#include "media/player/playback.h"

namespace media {

using namespace std::chrono_literals;

void TPlayback::VideoThread() {
  AVFrame* picture = lib::av_frame_alloc();
  decoded_ = lib::av_frame_alloc();
  videoPacket_ = lib::av_packet_alloc();
  if (picture != nullptr && decoded_ != nullptr && videoPacket_ != nullptr) {
    for (;;) {
      while (paused_.load() && !videoQueue_.Aborted() && !pausedAtSeek_.load())
        std::this_thread::sleep_for(10ms);
      int rc = GetPicture(picture);
      if (rc < 0) break;
      if (rc == 0) continue;
      if (afterSeek_.load() && flushSeen_.load()) {
        afterSeek_.store(false);
        pausedAtSeek_.store(false);
      }
      const bool current = !afterSeek_.load();
      const double pts = picture->pts == AV_NOPTS_VALUE
                             ? 0
                             : picture->pts * av_q2d(lib::av_buffersink_get_time_base(sink_));
      rc = OutputPicture(picture, pts, picture->pkt_pos);
      lib::av_frame_unref(picture);
      if (rc < 0) break;
      // Pictures still decoded from before a seek do not count as ready.
      if (current) {
        frameReady_.Set();
        audioGate_.store(false);
      }
      endSignalled_.store(false);
      if (host_.PipelineStepping()) PauseForStep();
    }
  }
  lib::av_frame_free(&picture);
  lib::av_frame_free(&decoded_);
  lib::av_packet_free(&videoPacket_);
  lib::avfilter_graph_free(&graph_);
  source_ = sink_ = nullptr;
}

int TPlayback::GetPicture(AVFrame* picture) {
  for (;;) {
    if (sink_ != nullptr) {
      const int rc = lib::av_buffersink_get_frame(sink_, picture);
      if (rc >= 0) return 1;
      if (rc != AVERROR(EAGAIN) && rc != AVERROR_EOF) {
        lib::avfilter_graph_free(&graph_);
        source_ = sink_ = nullptr;
      }
    }
    int rc = lib::avcodec_receive_frame(videoCodec_, decoded_);
    if (rc >= 0) {
      decoded_->pts = decoded_->best_effort_timestamp;
      bool keep = false;
      {
        std::lock_guard lock(pictureMutex_);
        keep = skipper_.Keep();
      }
      if (!keep) {
        framesDropped_.fetch_add(1);
        lib::av_frame_unref(decoded_);
        continue;
      }
      if (!ConfigureFilters(decoded_) ||
          lib::av_buffersrc_add_frame_flags(source_, decoded_, 0) < 0)
        lib::av_frame_unref(decoded_);
      continue;
    }
    bool flush = false;
    if (videoQueue_.Get(videoPacket_, true, &flush) < 0) return -1;
    if (flush) {
      FlushVideo();
      return 0;
    }
    if (videoPacket_->data == nullptr && videoPacket_->size == 0) {
      // End of input: report once (that finds the end), drain the decoder.
      if (!endSignalled_.load()) host_.PipelinePosition(*this);
      if (!draining_) {
        lib::avcodec_send_packet(videoCodec_, nullptr);
        draining_ = true;
      }
      lib::av_packet_unref(videoPacket_);
      return 0;
    }
    if (draining_) {
      lib::avcodec_flush_buffers(videoCodec_);
      draining_ = false;
    }
    lib::avcodec_send_packet(videoCodec_, videoPacket_);
    lib::av_packet_unref(videoPacket_);
  }
}

bool TPlayback::ConfigureFilters(const AVFrame* decoded) {
  if (graph_ != nullptr && decoded->width == graphWidth_ && decoded->height == graphHeight_ &&
      decoded->format == graphFormat_)
    return true;
  lib::avfilter_graph_free(&graph_);
  source_ = sink_ = nullptr;
  graph_ = lib::avfilter_graph_alloc();
  if (graph_ == nullptr) return false;
  graph_->scale_sws_opts = lib::av_strdup("flags=bicubic");
  const AVRational tb = videoSt_->time_base;
  const AVRational sar = decoded->sample_aspect_ratio;
  char args[256];
  std::snprintf(args, sizeof args, "video_size=%dx%d:pix_fmt=%d:time_base=%d/%d:pixel_aspect=%d/%d",
                decoded->width, decoded->height, decoded->format, tb.num, tb.den, sar.num,
                sar.den > 0 ? sar.den : 1);
  const enum AVPixelFormat planar420[] = {AV_PIX_FMT_YUV420P};
  bool ok = lib::avfilter_graph_create_filter(&source_, lib::avfilter_get_by_name("buffer"), "src",
                                              args, nullptr, graph_) >= 0 &&
            lib::avfilter_graph_create_filter(&sink_, lib::avfilter_get_by_name("buffersink"),
                                              "out", nullptr, nullptr, graph_) >= 0;
  ok = ok &&
       lib::av_opt_set_bin(sink_, "pix_fmts", reinterpret_cast<const uint8_t*>(planar420),
                           sizeof planar420, AV_OPT_SEARCH_CHILDREN) >= 0 &&
       lib::avfilter_link(source_, 0, sink_, 0) >= 0 &&
       lib::avfilter_graph_config(graph_, nullptr) >= 0;
  if (!ok) {
    lib::avfilter_graph_free(&graph_);
    source_ = sink_ = nullptr;
    return false;
  }
  graphWidth_ = decoded->width;
  graphHeight_ = decoded->height;
  graphFormat_ = decoded->format;
  return true;
}

void TPlayback::FlushVideo() {
  lib::avcodec_flush_buffers(videoCodec_);
  draining_ = false;
  {
    std::unique_lock lock(pictureMutex_);
    for (auto& slot : slots_) slot.Target = 0;
    pictureCond_.wait(lock, [this] { return pictureCount_ == 0 || videoQueue_.Aborted(); });
    picturePos_ = -1;
    timer_.Reset(Now());
    timerPending_ = true;
    skipper_.Reset();
  }
  flushSeen_.store(true);
}

int TPlayback::OutputPicture(AVFrame* picture, double pts, int64_t pos) {
  {
    std::lock_guard lock(pictureMutex_);
    if (pts != 0)
      videoClock_ = pts;
    else
      pts = videoClock_;
    videoClock_ += frameDuration_ + picture->repeat_pict * frameDuration_ * 0.5;
  }
  return QueuePicture(picture, pts, pos);
}

int TPlayback::QueuePicture(AVFrame* picture, double pts, int64_t pos) {
  const int width = picture->width & ~1, height = picture->height & ~1;
  if (width <= 0 || height <= 0) return 0;
  PictureSlot* slot = nullptr;
  {
    std::unique_lock lock(pictureMutex_);
    if (pictureCount_ >= 2 && !refreshPending_.load()) skipper_.Relax();
    pictureCond_.wait(lock, [this] { return pictureCount_ < 2 || videoQueue_.Aborted(); });
    if (videoQueue_.Aborted()) return -1;
    slot = &slots_[pictureWrite_];
    if (!slot->Allocated || slot->Width != width || slot->Height != height) {
      // The event loop owns the surface; it sizes the slot (and the surface).
      slot->Allocated = false;
      wantedWidth_.store(width);
      wantedHeight_.store(height);
      lock.unlock();
      const bool posted = host_.PipelinePost(pvAlloc);
      lock.lock();
      if (!posted) slot->Allocated = true;  // shown without a buffer: not at all
      pictureCond_.wait(lock, [&] { return slot->Allocated || videoQueue_.Aborted(); });
      if (videoQueue_.Aborted()) return -1;
    }
  }
  // The slot is this thread's until it is counted below.
  AVFrame* target = slot->Frame;
  if (target != nullptr && !lib::av_frame_is_writable(target)) {
    // The picture on screen still uses this buffer: take a fresh one.
    lib::av_frame_unref(target);
    target->format = AV_PIX_FMT_YUV420P;
    target->width = width;
    target->height = height;
    if (lib::av_frame_get_buffer(target, 0) < 0) {
      lib::av_frame_free(&slot->Frame);  // queued, but not shown
      target = nullptr;
    }
  }
  if (target != nullptr) {
    lib::av_image_copy(target->data, target->linesize, const_cast<const uint8_t**>(picture->data),
                       picture->linesize, AV_PIX_FMT_YUV420P, width, height);
    target->sample_aspect_ratio = picture->sample_aspect_ratio;
    host_.PipelineHook(target, std::llrint(pts * 1e6) - startTime_);
  }
  std::lock_guard lock(pictureMutex_);
  slot->Pts = pts;
  slot->Pos = pos;
  // The audio clock is the master; without audio nothing is corrected.
  const bool sync = HasAudio();
  // Decoding the first picture after a flush takes a while: the schedule
  // starts when it is there, not when the flush was seen.
  if (timerPending_) {
    timer_.Reset(Now());
    timerPending_ = false;
  }
  slot->Target = timer_.Target(pts, sync, VideoClockLocked(), sync ? AudioClock() : 0);
  pictureWrite_ = (pictureWrite_ + 1) % 2;
  ++pictureCount_;
  return 0;
}

}  // namespace media
