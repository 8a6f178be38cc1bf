// The video path: pre-processing of decoded pictures (the custom hook with
// its 24-bit bitmap, frame-hook plug-ins), geometry through one filter
// graph per output stream (deinterlace, crop, scale to the encoder's size,
// the user's `vfilters`, the encoder's pixel format), frame-rate sync by
// dropping and duplicating per `vsync`, encoding, and preview bitmaps.
//
// Pictures enter the graph with their time on the task's time line in
// microseconds (time base 1/1000000), so the sink hands them back with the
// same times.
#include <algorithm>
#include <cmath>

#include "media/binding/engine_log.h"
#include "media/engine/engine_exception.h"
#include "media/engine/transcode_records.h"
#include "media/engine/transcoder.h"

namespace media {
namespace {

// Builds the graph from the decoded picture's geometry to the encoder's.
// keepEncoderSize: the encoder is open already, so the graph ends in a
// scale to its size (a picture size change mid-stream).
void BuildGraph(TCustomTranscoder& task, TOutputStream& ost, int width, int height,
                AVPixelFormat format, AVRational sar, bool keepEncoderSize) {
  const TOptionState& settings = task.Files().Outputs[ost.FileIndex].Settings;
  AVCodecContext* enc = ost.EncoderContext.get();
  TVideoState& video = ost.Video;
  video.Graph.reset(lib::avfilter_graph_alloc());
  if (!video.Graph) throw EngineException("Error opening filters!");
  AVFilterGraph* graph = video.Graph.get();
  const std::string scaleFlags = FormatText("flags=0x%X", settings.SwsFlags);
  graph->scale_sws_opts = lib::av_strdup(scaleFlags.c_str());

  auto fail = [&](int code) {
    video.Graph.reset();
    char text[256] = {};
    lib::av_strerror(code, text, sizeof text);
    throw EngineException(std::string("Error opening filters: ") + text);
  };
  const std::string sourceArgs = FormatText(
      "video_size=%dx%d:pix_fmt=%d:time_base=1/%d:pixel_aspect=%d/%d", width, height,
      static_cast<int>(format), AV_TIME_BASE, sar.num > 0 ? sar.num : 1, sar.den > 0 ? sar.den : 1);
  int result = lib::avfilter_graph_create_filter(&video.Source, lib::avfilter_get_by_name("buffer"),
                                                 "src", sourceArgs.c_str(), nullptr, graph);
  if (result < 0) fail(result);
  result = lib::avfilter_graph_create_filter(&video.Sink, lib::avfilter_get_by_name("buffersink"),
                                             "out", nullptr, nullptr, graph);
  if (result < 0) fail(result);

  std::vector<std::string> chain;
  if (settings.DoDeinterlace) chain.push_back("yadif=0:-1:0");
  const int cropWidth = width - video.LeftBand - video.RightBand;
  const int cropHeight = height - video.TopBand - video.BottomBand;
  if (video.LeftBand || video.RightBand || video.TopBand || video.BottomBand)
    chain.push_back(
        FormatText("crop=%d:%d:%d:%d", cropWidth, cropHeight, video.LeftBand, video.TopBand));
  if (!keepEncoderSize && (cropWidth != enc->width || cropHeight != enc->height) &&
      enc->width > 0 && enc->height > 0)
    chain.push_back(
        FormatText("scale=%d:%d:flags=0x%X", enc->width, enc->height, settings.SwsFlags));
  if (!settings.VideoFilters.empty()) chain.push_back(settings.VideoFilters);
  if (keepEncoderSize)
    chain.push_back(
        FormatText("scale=%d:%d:flags=0x%X", enc->width, enc->height, settings.SwsFlags));
  chain.push_back(FormatText("format=pix_fmts=%s", lib::av_get_pix_fmt_name(enc->pix_fmt)));
  std::string description;
  for (const auto& part : chain) description += (description.empty() ? "" : ",") + part;

  AVFilterInOut* outputs = lib::avfilter_inout_alloc();
  AVFilterInOut* inputs = lib::avfilter_inout_alloc();
  if (outputs == nullptr || inputs == nullptr) {
    lib::avfilter_inout_free(&outputs);
    lib::avfilter_inout_free(&inputs);
    fail(AVERROR(ENOMEM));
  }
  outputs->name = lib::av_strdup("in");
  outputs->filter_ctx = video.Source;
  inputs->name = lib::av_strdup("out");
  inputs->filter_ctx = video.Sink;
  result = lib::avfilter_graph_parse_ptr(graph, description.c_str(), &inputs, &outputs, nullptr);
  lib::avfilter_inout_free(&outputs);
  lib::avfilter_inout_free(&inputs);
  if (result < 0) fail(result);
  result = lib::avfilter_graph_config(graph, nullptr);
  if (result < 0) fail(result);
  video.GraphWidth = width;
  video.GraphHeight = height;
  video.GraphFormat = format;
  if (!keepEncoderSize) {
    enc->width = lib::av_buffersink_get_w(video.Sink);
    enc->height = lib::av_buffersink_get_h(video.Sink);
    const AVRational sinkSar = lib::av_buffersink_get_sample_aspect_ratio(video.Sink);
    if (sinkSar.num > 0 && !settings.VideoFilters.empty())
      enc->sample_aspect_ratio = ost.Stream->sample_aspect_ratio = sinkSar;
  }
}

void Preview(TCustomTranscoder& task, const AVFrame* picture, int64_t pts) {
  auto& files = task.Files();
  if (!task.PreviewBitmap || !task.OnPreviewBitmap) return;
  const int64_t now = lib::av_gettime_relative();
  if (files.LastPreviewTime != INT64_MIN && now - files.LastPreviewTime <= 100000) return;
  files.LastPreviewTime = now;
  if (!files.PreviewConverter.PictureToBitmap(picture, static_cast<AVPixelFormat>(picture->format),
                                              picture->height, picture->width)) {
    EngineLog().LogMessage(&task, llError, "Cannot initialize the toRGB conversion context");
    task.PreviewBitmap = false;
    return;
  }
  TPreviewInfo info;
  info.TaskIndex = task.TaskIndex;
  info.Bitmap = files.PreviewConverter.Bitmap();
  info.FrameNumber = task.FrameNumber();
  info.PTS = pts;
  task.OnPreviewBitmap(info);
}

void VideoOut(TCustomTranscoder& task, TOutputStream& ost, AVFrame* picture, int64_t pts) {
  auto& files = task.Files();
  const TOutputFile& output = files.Outputs[ost.FileIndex];
  const TOptionState& settings = output.Settings;
  AVCodecContext* enc = ost.EncoderContext.get();
  const double inputFrames =
      static_cast<double>(pts - task.State().StartTime) / 1e6 / av_q2d(enc->time_base);
  int64_t frames = 1;
  const int vsync = settings.VideoSyncMethod;
  if (vsync != 0) {
    const double vdelta = inputFrames - static_cast<double>(ost.SyncCounter);
    const bool variable =
        vsync == 2 || (vsync < 0 && (output.Context->oformat->flags & AVFMT_VARIABLE_FPS));
    if (vdelta < -1.1) {
      frames = 0;
    } else if (variable) {
      if (vdelta <= -0.6)
        frames = 0;
      else if (vdelta > 0.6)
        ost.SyncCounter = std::llrint(inputFrames);
    } else if (vdelta > 1.1) {
      frames = std::llrint(vdelta);
    }
    if (frames == 0) {
      ++files.DropFrames;
      files.LogNextReport = true;
      if (task.State().Verbose > 2) EngineLog().LogMessage(&task, llVerbose, "*** drop!");
    } else if (frames > 1) {
      files.DupFrames += static_cast<int>(frames - 1);
      files.LogNextReport = true;
      if (task.State().Verbose > 2)
        EngineLog().LogFormat(&task, llVerbose, "*** %d dup!", static_cast<int>(frames - 1));
    }
  } else {
    ost.SyncCounter = std::llrint(inputFrames);
  }
  frames = std::min<int64_t>(frames, settings.MaxVideoFrames - ost.FramesWritten);
  for (int64_t i = 0; i < frames; ++i) {
    if (task.StopRequested()) break;
    task.WaitWhilePaused();
    picture->pts = ost.SyncCounter;
    picture->pict_type = AV_PICTURE_TYPE_NONE;
    if (settings.TopFieldFirst != -1) picture->top_field_first = settings.TopFieldFirst;
    if (lib::avcodec_send_frame(enc, picture) < 0) throw EngineException("Video encoding failed");
    Preview(task, picture, pts);
    DrainEncoder(task, ost);
    ++ost.SyncCounter;
  }
}

void PullFiltered(TCustomTranscoder& task, TOutputStream& ost) {
  FramePtr filtered = NewFrame();
  while (true) {
    const int result = lib::av_buffersink_get_frame(ost.Video.Sink, filtered.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    if (result < 0) throw EngineException("Error while filtering video");
    VideoOut(task, ost, filtered.get(), filtered->pts);
    lib::av_frame_unref(filtered.get());
  }
}

}  // namespace

void SetUpVideoFilters(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist,
                       int width, int height, AVPixelFormat format) {
  BuildGraph(task, ost, width, height, format, ist.Decoder->sample_aspect_ratio, false);
}

void VideoFrameIn(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist,
                  AVFrame* frame, int64_t framePts) {
  TVideoState& video = ost.Video;
  const AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
  if (!video.Graph || frame->width != video.GraphWidth || frame->height != video.GraphHeight ||
      format != video.GraphFormat) {
    if (video.Graph)
      EngineLog().LogFormat(&task, llQuiet, "Input Stream #%d.%d frame size changed to %dx%d, %s",
                            ist.FileIndex, ist.Stream->index, frame->width, frame->height,
                            lib::av_get_pix_fmt_name(format));
    BuildGraph(task, ost, frame->width, frame->height, format, frame->sample_aspect_ratio, true);
  }
  FramePtr copy = NewFrame();
  if (lib::av_frame_ref(copy.get(), frame) < 0) throw EngineException("Out of memory");
  copy->pts = framePts;
  if (lib::av_buffersrc_add_frame_flags(video.Source, copy.get(), AV_BUFFERSRC_FLAG_KEEP_REF) < 0)
    throw EngineException("Error while filtering video");
  PullFiltered(task, ost);
}

void FlushVideo(TCustomTranscoder& task, TOutputStream& ost, const TInputStream&) {
  if (!ost.Video.Graph) return;
  if (lib::av_buffersrc_add_frame_flags(ost.Video.Source, nullptr, 0) < 0) return;
  PullFiltered(task, ost);
  ost.Video.Graph.reset();  // the next input block builds its own
}

void PreProcessPicture(TCustomTranscoder& task, const TInputStream&, AVFrame* frame, int64_t pts) {
  auto& files = task.Files();
  ++task.FrameNumber();
  const bool hook = task.CustomHook && task.OnCustomHook;
  if (!hook && files.FrameHooks.empty()) return;
  if (lib::av_frame_make_writable(frame) < 0) {
    EngineLog().LogMessage(&task, llError, "hook buf malloc error.");
    return;
  }
  const AVPixelFormat format = static_cast<AVPixelFormat>(frame->format);
  if (hook) {
    BitmapConverter& converter = files.HookConverter;
    if (!converter.PictureToBitmap(frame, format, frame->height, frame->width)) {
      EngineLog().LogMessage(&task, llError, "Cannot initialize the toRGB conversion context");
      task.CustomHook = false;
      files.FrameHooks.clear();
      return;
    }
    THookInfo info;
    info.TaskIndex = task.TaskIndex;
    info.Bitmap = converter.Bitmap();
    info.FrameNumber = task.FrameNumber();
    info.PTS = pts;
    try {
      task.OnCustomHook(info);
    } catch (const std::exception& e) {
      EngineLog().LogMessage(&task, llError, std::string("Error occurs OnCustomHook: ") + e.what());
      info.Update = false;
    } catch (...) {
      EngineLog().LogMessage(&task, llError, "Error occurs OnCustomHook: ");
      info.Update = false;
    }
    if (info.Update) {
      platform::Bitmap24* bitmap = converter.Bitmap();
      SwsContext*& scaler = converter.FromBitmapScaler();
      scaler = lib::sws_getCachedContext(scaler, bitmap->Width(), bitmap->Height(),
                                         AV_PIX_FMT_BGR24, frame->width, frame->height, format,
                                         SWS_BICUBIC, nullptr, nullptr, nullptr);
      if (scaler == nullptr) {
        EngineLog().LogMessage(&task, llError, "Cannot initialize the fromRGB conversion context");
        info.StopHook = true;
      } else {
        const uint8_t* source[4] = {bitmap->ScanLine(0), nullptr, nullptr, nullptr};
        const int stride[4] = {bitmap->Stride(), 0, 0, 0};
        lib::sws_scale(scaler, source, stride, 0, bitmap->Height(), frame->data, frame->linesize);
      }
    }
    if (info.StopHook) {
      task.CustomHook = false;
      ReleaseFrameHooks(files);
    }
    return;
  }
  for (auto& plugin : files.FrameHooks)
    plugin.Process(plugin.Context, frame, format, frame->width, frame->height, pts);
}

}  // namespace media
