// The subtitle thread: decodes subtitle packets into the four-entry subtitle
// queue. Only graphic subtitles are kept; their palettes are converted to
// YUVA here so that the event loop can blend them at once.
#include <chrono>

#include "media/binding/entry_table.h"
#include "media/player/playback.h"
#include "media/player/subtitle_blend.h"

namespace media {

using namespace std::chrono_literals;

void TPlayback::SubtitleThread() {
  AVPacket* packet = lib::av_packet_alloc();
  if (packet == nullptr) return;
  for (;;) {
    while (paused_.load() && !subtitleQueue_.Aborted() && !pausedAtSeek_.load())
      std::this_thread::sleep_for(10ms);
    bool flush = false;
    if (subtitleQueue_.Get(packet, true, &flush) < 0) break;
    if (flush) {
      lib::avcodec_flush_buffers(subtitleCodec_);
      continue;
    }
    {
      std::unique_lock lock(subtitleMutex_);
      subtitleCond_.wait(lock, [this] { return subtitleCount_ < 4 || subtitleQueue_.Aborted(); });
    }
    if (subtitleQueue_.Aborted()) {
      lib::av_packet_unref(packet);
      break;
    }
    auto* sub = new AVSubtitle{};
    int got = 0;
    const int rc = lib::avcodec_decode_subtitle2(subtitleCodec_, sub, &got, packet);
    const double pts =
        packet->pts != AV_NOPTS_VALUE ? packet->pts * av_q2d(subtitleSt_->time_base) : 0;
    lib::av_packet_unref(packet);
    if (rc >= 0 && got && sub->format == 0) {
      for (unsigned i = 0; i < sub->num_rects; ++i) {
        AVSubtitleRect* r = sub->rects[i];
        if (r->type == SUBTITLE_BITMAP && r->data[1] != nullptr)
          ConvertPaletteToYuva(reinterpret_cast<uint32_t*>(r->data[1]), r->nb_colors);
      }
      std::lock_guard lock(subtitleMutex_);
      subtitles_[subtitleWrite_] = {pts, sub};
      subtitleWrite_ = (subtitleWrite_ + 1) % 4;
      ++subtitleCount_;
      sub = nullptr;
    }
    if (sub != nullptr) {
      if (got) lib::avsubtitle_free(sub);
      delete sub;
    }
  }
  lib::av_packet_free(&packet);
}

void TPlayback::FreeSubtitles() {
  for (; subtitleCount_ > 0; --subtitleCount_) {
    SubtitleEntry& e = subtitles_[subtitleRead_];
    lib::avsubtitle_free(e.Sub);
    delete e.Sub;
    e.Sub = nullptr;
    subtitleRead_ = (subtitleRead_ + 1) % 4;
  }
  subtitleRead_ = subtitleWrite_ = 0;
}

}  // namespace media
