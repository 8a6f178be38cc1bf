// The transcode loop: how demux, decode, filter, encode and mux meet.
//
// Set-up maps every output stream to an input stream (stream maps, else the
// best stream of its media type; in join mode one source per input file),
// prepares stream copy (codec parameters and time base taken over) or
// encoding (decoder opened on the source, the video filter graph built,
// encoder opened under the codec lock), and writes the headers.
//
// The loop then reads one packet at a time from the input whose output
// streams lag most (join mode: the current input), shifts its time stamps
// onto the task's time line (microseconds, input offset applied), and
// either writes it as it is to the copying output streams or sends it to
// the stream's decoder. Every decoded frame goes to each encoding output
// stream fed by that input stream: audio through the resampler and the
// sample FIFO into encoder-sized frames (audio_path.cpp), video through the
// pre-processing hooks, the filter graph (crop, scale, user filters) and
// frame-rate sync (video_path.cpp). Encoders are drained after every frame
// sent and their packets pass the bitstream filters into the muxer
// (WritePacket). At the end of input (or on a stop request, tested before
// every packet) decoders and encoders are flushed and the trailers written,
// so a stopped task still leaves a playable file.
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "media/binding/engine_log.h"
#include "media/binding/library_loader.h"
#include "media/binding/media_text.h"
#include "media/engine/engine_exception.h"
#include "media/engine/transcode_records.h"
#include "media/engine/transcoder.h"

namespace media {
namespace {

std::string StreamName(int file, int index, AVMediaType type) {
  return FormatText("#%d.%d (%s)", file, index, MediaTypeName(type).c_str());
}

// The best input stream of `type` in file `fileIndex` (all files when -1).
int FindSource(TTranscodeFiles& files, AVMediaType type, int fileIndex) {
  int best = -1;
  for (size_t f = 0; f < files.Inputs.size(); ++f) {
    if (fileIndex >= 0 && static_cast<int>(f) != fileIndex) continue;
    AVFormatContext* context = files.Inputs[f].Context.get();
    const int found = lib::av_find_best_stream(context, type, -1, -1, nullptr, 0);
    if (found >= 0 && context->streams[found]->discard != AVDISCARD_ALL) {
      best = files.Inputs[f].FirstStream + found;
      break;
    }
    for (unsigned s = 0; s < context->nb_streams && best < 0; ++s)
      if (context->streams[s]->codecpar->codec_type == type &&
          context->streams[s]->discard != AVDISCARD_ALL)
        best = files.Inputs[f].FirstStream + static_cast<int>(s);
    if (best >= 0) break;
  }
  return best;
}

void OpenDecoder(TInputStream& ist, int index) {
  if (ist.Decoder) return;
  AVCodecParameters* par = ist.Stream->codecpar;
  const AVCodec* codec =
      ist.ForcedDecoder ? ist.ForcedDecoder : lib::avcodec_find_decoder(par->codec_id);
  const std::string name = StreamName(ist.FileIndex, index, par->codec_type);
  if (codec == nullptr)
    throw EngineException::Format("Decoder (codec id %d) not found for input stream %s",
                                  static_cast<int>(par->codec_id), name.c_str());
  ist.Decoder.reset(lib::avcodec_alloc_context3(codec));
  if (!ist.Decoder) throw EngineException("Out of memory");
  lib::avcodec_parameters_to_context(ist.Decoder.get(), par);
  ist.Decoder->pkt_timebase = ist.Stream->time_base;
  ist.Decoder->thread_count = 0;
  int result;
  {
    std::lock_guard<std::recursive_mutex> lock(CodecLock());
    result = lib::avcodec_open2(ist.Decoder.get(), codec, nullptr);
  }
  if (result < 0)
    throw EngineException::Format("Error while opening decoder for input stream %s", name.c_str());
  ist.Decoding = true;
}

void OpenEncoder(TCustomTranscoder& task, TOutputStream& ost) {
  const std::string name = StreamName(ost.FileIndex, ost.Index, ost.Type);
  if (ost.Encoder == nullptr) {
    const std::string text =
        FormatText("Encoder (codec id %d) not found for output stream %s", 0, name.c_str());
    EngineLog().LogMessage(&task, llError, text);
    throw EngineException(text);
  }
  int result;
  {
    std::lock_guard<std::recursive_mutex> lock(CodecLock());
    result = lib::avcodec_open2(ost.EncoderContext.get(), ost.Encoder, nullptr);
  }
  if (result < 0) {
    const std::string text = FormatText(
        "Error while opening encoder for output stream %s - maybe incorrect parameters such as "
        "bit_rate, rate, width or height. Please check error log message to find out more "
        "detail information.",
        name.c_str());
    EngineLog().LogMessage(&task, llError, text);
    throw EngineException(text);
  }
  ost.EncoderOpen = true;
  lib::avcodec_parameters_from_context(ost.Stream->codecpar, ost.EncoderContext.get());
  ost.Stream->time_base = ost.EncoderContext->time_base;
  if (ost.Type == AVMEDIA_TYPE_VIDEO) ost.Stream->avg_frame_rate = ost.EncoderContext->framerate;
  task.Files().ExtraBytes += ost.EncoderContext->extradata_size;
  for (auto& bsf : ost.Filters) {
    lib::avcodec_parameters_copy(bsf->par_in, ost.Stream->codecpar);
    bsf->time_base_in = ost.Stream->time_base;
    if (lib::av_bsf_init(bsf.get()) < 0)
      throw EngineException("Error initializing bitstream filter");
    lib::avcodec_parameters_copy(ost.Stream->codecpar, bsf->par_out);
  }
}

void SetUpCopy(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist) {
  if (ost.Type == AVMEDIA_TYPE_VIDEO) {
    if (task.CustomHook)
      throw EngineException(
          "-vcodec copy and CustomHook are incompatible (frames are not decoded)");
    if (!task.Files().FrameHooks.empty())
      throw EngineException("-vcodec copy and -vhook are incompatible (frames are not decoded)");
    if (task.PreviewBitmap)
      throw EngineException("-vcodec copy and PostHooks are incompatible (frames are not decoded)");
  }
  if (ost.Type == AVMEDIA_TYPE_AUDIO && task.State().AudioVolume != 256)
    throw EngineException("-acodec copy and -vol are incompatible (frames are not decoded)");
  AVCodecParameters* par = ost.Stream->codecpar;
  const AVRational sar = ost.Stream->sample_aspect_ratio;
  lib::avcodec_parameters_copy(par, ist.Stream->codecpar);
  const AVOutputFormat* format = task.Files().Outputs[ost.FileIndex].Context->oformat;
  if (format->codec_tag != nullptr &&
      lib::av_codec_get_id(format->codec_tag, par->codec_tag) != par->codec_id)
    par->codec_tag = 0;
  if (ost.Type == AVMEDIA_TYPE_AUDIO &&
      ((par->codec_id == AV_CODEC_ID_MP3 && par->block_align == 1) ||
       par->codec_id == AV_CODEC_ID_AC3))
    par->block_align = 0;
  if (sar.num != 0 && ost.Type == AVMEDIA_TYPE_VIDEO) {
    ost.Stream->sample_aspect_ratio = ist.Stream->sample_aspect_ratio;
  }
  ost.Stream->time_base = ist.Stream->time_base;
  ost.Stream->avg_frame_rate = ist.Stream->avg_frame_rate;
  ost.Stream->r_frame_rate = ist.Stream->r_frame_rate;
  for (auto& bsf : ost.Filters) {
    lib::avcodec_parameters_copy(bsf->par_in, ost.Stream->codecpar);
    bsf->time_base_in = ost.Stream->time_base;
    if (lib::av_bsf_init(bsf.get()) < 0)
      throw EngineException("Error initializing bitstream filter");
    lib::avcodec_parameters_copy(ost.Stream->codecpar, bsf->par_out);
  }
}

void SetUp(TCustomTranscoder& task) {
  auto& files = task.Files();
  const TOptionState& state = task.State();
  if (files.Inputs.empty()) throw EngineException("No input file");
  if (files.Outputs.empty()) throw EngineException("No output file");
  for (size_t f = 0; f < files.Outputs.size(); ++f) {
    if (files.Outputs[f].Streams.empty()) {
      lib::av_dump_format(files.Outputs[f].Context.get(), static_cast<int>(f),
                          files.Outputs[f].Context->url, 1);
      throw EngineException::Format("Output file #%d does not contain any stream",
                                    static_cast<int>(f));
    }
  }
  size_t streamCount = 0;
  for (auto& output : files.Outputs) streamCount += output.Streams.size();
  if (!state.StreamMaps.empty() && state.StreamMaps.size() != streamCount)
    throw EngineException("Number of stream maps must match number of output streams");
  size_t mapIndex = 0;
  for (auto& output : files.Outputs) {
    for (auto& ost : output.Streams) {
      if (!state.StreamMaps.empty()) {
        const TStreamMap& map = state.StreamMaps[mapIndex++];
        if (map.FileIndex >= static_cast<int>(files.Inputs.size()) ||
            map.StreamIndex >= static_cast<int>(files.Inputs[map.FileIndex].Context->nb_streams))
          throw EngineException::Format("Could not find input stream #%d.%d", map.FileIndex,
                                        map.StreamIndex);
        const int source = files.Inputs[map.FileIndex].FirstStream + map.StreamIndex;
        const AVMediaType type = files.InputStreams[source].Stream->codecpar->codec_type;
        if (type != ost.Type)
          throw EngineException::Format(
              "Codec type mismatch for mapping #%d.%d (%s) -> #%d.%d (%s)", map.FileIndex,
              map.StreamIndex, MediaTypeName(type).c_str(), ost.FileIndex, ost.Index,
              MediaTypeName(ost.Type).c_str());
        ost.Sources.push_back(source);
      } else if (output.Join) {
        for (size_t f = 0; f < files.Inputs.size(); ++f) {
          const int source = FindSource(files, ost.Type, static_cast<int>(f));
          ost.Sources.push_back(source);
        }
        if (ost.Sources[0] < 0) ost.Sources.clear();
      } else {
        const int source = FindSource(files, ost.Type, -1);
        if (source >= 0) ost.Sources.push_back(source);
      }
      if (ost.Sources.empty())
        throw EngineException::Format("Could not find input stream matching output stream %s",
                                      StreamName(ost.FileIndex, ost.Index, ost.Type).c_str());
      for (int source : ost.Sources) {
        if (source < 0) continue;
        TInputStream& ist = files.InputStreams[source];
        ist.Used = true;
        lib::av_dict_copy(&ost.Stream->metadata, ist.Stream->metadata, AV_DICT_DONT_OVERWRITE);
        ost.Stream->disposition = ist.Stream->disposition;
        if (!ost.Copy) OpenDecoder(ist, ist.Stream->index);
      }
      TInputStream& first = files.InputStreams[ost.Sources[0]];
      if (ost.Copy) {
        SetUpCopy(task, ost, first);
        continue;
      }
      if (ost.Type == AVMEDIA_TYPE_VIDEO) {
        AVCodecContext* dec = first.Decoder.get();
        SetUpVideoFilters(task, ost, first, dec->width, dec->height, dec->pix_fmt);
      }
      if (ost.Type == AVMEDIA_TYPE_SUBTITLE) {
        AVCodecContext* enc = ost.EncoderContext.get();
        enc->time_base = AVRational{1, 1000};
        enc->width = first.Decoder->width;
        enc->height = first.Decoder->height;
        if (first.Decoder->subtitle_header_size > 0) {
          enc->subtitle_header =
              static_cast<uint8_t*>(lib::av_mallocz(first.Decoder->subtitle_header_size + 1));
          if (enc->subtitle_header != nullptr) {
            std::copy_n(first.Decoder->subtitle_header, first.Decoder->subtitle_header_size,
                        enc->subtitle_header);
            enc->subtitle_header_size = first.Decoder->subtitle_header_size;
          }
        }
      }
      OpenEncoder(task, ost);
      if (ost.Type == AVMEDIA_TYPE_AUDIO) {
        AVCodecContext* enc = ost.EncoderContext.get();
        ost.Audio.Fifo.reset(
            lib::av_audio_fifo_alloc(enc->sample_fmt, enc->ch_layout.nb_channels, 1024));
        if (!ost.Audio.Fifo) throw EngineException("Out of memory in do_audio_out");
      }
    }
  }
  // Metadata of the inputs, without overwriting the output's own.
  for (auto& output : files.Outputs)
    lib::av_dict_copy(&output.Context->metadata, files.Inputs[0].Context->metadata,
                      AV_DICT_DONT_OVERWRITE);
  for (size_t f = 0; f < files.Outputs.size(); ++f) {
    TOutputFile& output = files.Outputs[f];
    const int result = lib::avformat_write_header(output.Context.get(), nullptr);
    if (result < 0) {
      const std::string text =
          FormatText("Could not write header for output file #%d (incorrect codec parameters ?)",
                     static_cast<int>(f));
      EngineLog().LogMessage(&task, llError, text);
      throw EngineException(text + ": " + LibraryErrorText(output.FileName, result));
    }
    output.HeaderWritten = true;
    if (state.Verbose >= 0)
      lib::av_dump_format(output.Context.get(), static_cast<int>(f), output.Context->url, 1);
  }
  if (state.Verbose >= 0) {
    EngineLog().LogMessage(&task, llVerbose, "Stream mapping:");
    for (auto& output : files.Outputs)
      for (auto& ost : output.Streams) {
        const TInputStream& ist = files.InputStreams[ost.Sources[0]];
        EngineLog().LogFormat(&task, llVerbose, "  Stream #%d.%d -> #%d.%d (%s)", ist.FileIndex,
                              ist.Stream->index, ost.FileIndex, ost.Index,
                              MediaTypeName(ost.Type).c_str());
      }
  }
  if (state.RateEmu)
    for (auto& ist : files.InputStreams) ist.WallStart = lib::av_gettime_relative();
  files.StartWallTime = lib::av_gettime_relative();
}

// The output streams fed by input stream `source`.
template <typename F>
void ForEachOutputOf(TTranscodeFiles& files, int source, F&& action) {
  for (auto& output : files.Outputs)
    for (auto& ost : output.Streams)
      if (ost.Active &&
          std::find(ost.Sources.begin(), ost.Sources.end(), source) != ost.Sources.end())
        action(ost);
}

void CopyPacket(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist,
                const AVPacket* packet, int64_t startTime) {
  if (ost.FramesWritten == 0 && !(packet->flags & AV_PKT_FLAG_KEY) &&
      !task.State().CopyInitialNonkeyframes)
    return;
  PacketPtr copy(lib::av_packet_clone(packet));
  if (!copy) throw EngineException("Out of memory");
  const int64_t offset = lib::av_rescale_q(startTime, AV_TIME_BASE_Q, ist.Stream->time_base);
  if (copy->pts != AV_NOPTS_VALUE) copy->pts -= offset;
  if (copy->dts == AV_NOPTS_VALUE)
    copy->dts = lib::av_rescale_q(ist.Pts, AV_TIME_BASE_Q, ist.Stream->time_base);
  copy->dts -= offset;
  lib::av_packet_rescale_ts(copy.get(), ist.Stream->time_base, ost.Stream->time_base);
  copy->stream_index = ost.Index;
  if (ost.Type == AVMEDIA_TYPE_VIDEO) {
    task.Files().VideoBytes += copy->size;
    ++ost.SyncCounter;
  } else {
    task.Files().AudioBytes += copy->size;
  }
  WritePacket(task, ost, copy.get());
}

void SubtitleOut(TCustomTranscoder& task, TOutputStream& ost, AVSubtitle& subtitle, int64_t pts) {
  if (pts == AV_NOPTS_VALUE) {
    if (task.State().ExitOnError) throw EngineException("Subtitle packets must have a pts");
    EngineLog().LogMessage(&task, llError, "Subtitle packets must have a pts");
    return;
  }
  std::vector<uint8_t> buffer(1 << 20);
  subtitle.pts = pts + static_cast<int64_t>(subtitle.start_display_time) * 1000;
  subtitle.end_display_time -= subtitle.start_display_time;
  subtitle.start_display_time = 0;
  const int size = lib::avcodec_encode_subtitle(ost.EncoderContext.get(), buffer.data(),
                                                static_cast<int>(buffer.size()), &subtitle);
  if (size < 0) throw EngineException("Subtitle encoding failed");
  PacketPtr packet = NewPacket();
  if (lib::av_new_packet(packet.get(), size) < 0) throw EngineException("Out of memory");
  std::copy_n(buffer.data(), size, packet->data);
  packet->pts = packet->dts = lib::av_rescale_q(subtitle.pts - task.State().StartTime,
                                                AV_TIME_BASE_Q, ost.Stream->time_base);
  packet->duration =
      lib::av_rescale_q(subtitle.end_display_time, AVRational{1, 1000}, ost.Stream->time_base);
  packet->stream_index = ost.Index;
  WritePacket(task, ost, packet.get());
}

void HandleFrame(TCustomTranscoder& task, int source, AVFrame* frame) {
  auto& files = task.Files();
  TInputStream& ist = files.InputStreams[source];
  // Packets carry the input's timestamp offset already (added when read),
  // so decoded frames do too.
  int64_t pts = frame->best_effort_timestamp;
  if (pts != AV_NOPTS_VALUE)
    pts = lib::av_rescale_q(pts, ist.Stream->time_base, AV_TIME_BASE_Q);
  else
    pts = ist.NextPts != AV_NOPTS_VALUE ? ist.NextPts : ist.Pts;
  ist.Pts = pts;
  const AVCodecContext* dec = ist.Decoder.get();
  if (dec->codec_type == AVMEDIA_TYPE_AUDIO && frame->sample_rate > 0)
    ist.NextPts = pts + frame->nb_samples * int64_t{AV_TIME_BASE} / frame->sample_rate;
  else if (dec->codec_type == AVMEDIA_TYPE_VIDEO && dec->framerate.num > 0)
    ist.NextPts = pts + lib::av_rescale_q(1, AVRational{dec->framerate.den, dec->framerate.num},
                                          AV_TIME_BASE_Q);
  const TOptionState& state = task.State();
  if (dec->codec_type == AVMEDIA_TYPE_VIDEO) PreProcessPicture(task, ist, frame, pts);
  if (dec->codec_type == AVMEDIA_TYPE_AUDIO && state.AudioVolume != 256 &&
      (frame->format == AV_SAMPLE_FMT_S16 || frame->format == AV_SAMPLE_FMT_S16P)) {
    const bool planar = frame->format == AV_SAMPLE_FMT_S16P;
    const int planes = planar ? frame->ch_layout.nb_channels : 1;
    const int count = planar ? frame->nb_samples : frame->nb_samples * frame->ch_layout.nb_channels;
    for (int p = 0; p < planes; ++p) {
      auto* samples = reinterpret_cast<int16_t*>(frame->extended_data[p]);
      for (int i = 0; i < count; ++i)
        samples[i] = static_cast<int16_t>(
            std::clamp((samples[i] * state.AudioVolume + 128) >> 8, -32768, 32767));
    }
  }
  if (state.RateEmu) {
    const int64_t ahead = pts - (lib::av_gettime_relative() - ist.WallStart);
    if (ahead > 1000) lib::av_usleep(static_cast<unsigned>(ahead));
  }
  if (state.StartTime != 0 && pts < state.StartTime) return;
  ForEachOutputOf(files, source, [&](TOutputStream& ost) {
    if (ost.Copy) return;
    if (ost.Type == AVMEDIA_TYPE_AUDIO)
      AudioOut(task, ost, ist, frame, pts);
    else if (ost.Type == AVMEDIA_TYPE_VIDEO)
      VideoFrameIn(task, ost, ist, frame, pts);
  });
  ist.AtStart = false;
}

// Sends one packet (null: flush) to the stream's decoder and hands on what
// comes out. False on a decoding error.
bool DecodePacket(TCustomTranscoder& task, int source, const AVPacket* packet) {
  auto& files = task.Files();
  TInputStream& ist = files.InputStreams[source];
  AVCodecContext* dec = ist.Decoder.get();
  if (dec->codec_type == AVMEDIA_TYPE_SUBTITLE) {
    if (packet == nullptr) return true;
    AVSubtitle subtitle{};
    int got = 0;
    if (lib::avcodec_decode_subtitle2(dec, &subtitle, &got, const_cast<AVPacket*>(packet)) < 0)
      return false;
    if (got) {
      const int64_t pts =
          packet->pts == AV_NOPTS_VALUE
              ? AV_NOPTS_VALUE
              : lib::av_rescale_q(packet->pts, ist.Stream->time_base, AV_TIME_BASE_Q);
      ForEachOutputOf(files, source, [&](TOutputStream& ost) {
        if (!ost.Copy && ost.Type == AVMEDIA_TYPE_SUBTITLE) SubtitleOut(task, ost, subtitle, pts);
      });
      lib::avsubtitle_free(&subtitle);
    }
    return true;
  }
  int result = lib::avcodec_send_packet(dec, packet);
  if (result < 0 && result != AVERROR_EOF) return false;
  FramePtr frame = NewFrame();
  while (true) {
    result = lib::avcodec_receive_frame(dec, frame.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return true;
    if (result < 0) return false;
    HandleFrame(task, source, frame.get());
    lib::av_frame_unref(frame.get());
  }
}

void FlushInputStream(TCustomTranscoder& task, int source) {
  auto& files = task.Files();
  TInputStream& ist = files.InputStreams[source];
  if (!ist.Decoding) return;
  DecodePacket(task, source, nullptr);
  lib::avcodec_flush_buffers(ist.Decoder.get());
  ist.Decoding = false;  // flushed
  ForEachOutputOf(files, source, [&](TOutputStream& ost) {
    if (ost.Type == AVMEDIA_TYPE_VIDEO && !ost.Copy) FlushVideo(task, ost, ist);
  });
}

void FlushEncoders(TCustomTranscoder& task) {
  for (auto& output : task.Files().Outputs)
    for (auto& ost : output.Streams) {
      if (ost.Copy || !ost.EncoderOpen) continue;
      if (ost.Type == AVMEDIA_TYPE_AUDIO) FlushAudio(task, ost);
      if (ost.Type == AVMEDIA_TYPE_SUBTITLE) continue;
      lib::avcodec_send_frame(ost.EncoderContext.get(), nullptr);
      DrainEncoder(task, ost);
    }
}

// The progress report; fileIndex -1 makes the final one.
void Report(TCustomTranscoder& task, int fileIndex) {
  auto& files = task.Files();
  const TOptionState& state = task.State();
  const bool final = fileIndex < 0;
  int64_t totalSize = 0;
  AVFormatContext* first = files.Outputs[0].Context.get();
  if (first->pb != nullptr) {
    totalSize = lib::avio_size(first->pb);
    if (totalSize < 0) totalSize = first->pb->pos + (first->pb->buf_ptr - first->pb->buffer);
  }
  std::string line;
  TProgressInfo info;
  info.TaskIndex = task.TaskIndex;
  info.FileIndex = fileIndex;
  bool videoSeen = false;
  for (auto& output : files.Outputs)
    for (auto& ost : output.Streams) {
      if (ost.Type != AVMEDIA_TYPE_VIDEO || !ost.Active) continue;
      const float q = ost.Copy ? -1.0f : ost.LastQuality;
      if (!videoSeen) {
        videoSeen = true;
        if (ost.FramesWritten == 0) return;
        const double elapsed =
            static_cast<double>(lib::av_gettime_relative() - files.StartWallTime) / 1e6;
        const int fps = elapsed > 1 ? static_cast<int>(ost.FramesWritten / elapsed + 0.5) : 0;
        line +=
            FormatText("frame=%5d fps=%3d q=%3.1f ", static_cast<int>(ost.FramesWritten), fps, q);
        if (final) line += "L";
        info.CurrentFrame = static_cast<int32_t>(ost.FramesWritten);
        info.CurrentFPS = fps;
        info.Quality = q;
      } else {
        line += FormatText("q=%2.1f ", q);
      }
    }
  double seconds = 1e10;
  for (auto& output : files.Outputs)
    for (auto& ost : output.Streams)
      if (ost.EndTime > 0) seconds = std::min(seconds, ost.EndTime);
  if (seconds >= 1e10) seconds = 0;
  seconds = std::max(seconds, 0.01);
  if (task.OnProgress || state.Verbose > 0 || final) {
    const double bitrate = static_cast<double>(totalSize) * 8 / seconds / 1000;
    line += FormatText("size=%8.0fkB time=%0.2f bitrate=%6.1fkbits/s",
                       static_cast<double>(totalSize) / 1024, seconds, bitrate);
    if (files.DupFrames || files.DropFrames)
      line += FormatText(" dup=%d drop=%d", files.DupFrames, files.DropFrames);
    if (files.LogNextReport && state.Verbose >= 0 && task.OnProgress) {
      EngineLog().LogMessage(&task, llVerbose, line);
      files.LogNextReport = false;
    }
    info.BitRate = static_cast<float>(bitrate);
    info.CurrentSize = totalSize;
    info.CurrentDuration = static_cast<int64_t>(seconds * 1e6);
    info.TotalDuration = task.TotalDuration();
    if (task.OnProgress)
      task.OnProgress(info);
    else if (state.Verbose >= 0)
      EngineLog().LogMessage(&task, llVerbose, line);
  }
  if (final && state.Verbose >= 0) {
    const double sum = static_cast<double>(files.VideoBytes + files.AudioBytes + files.ExtraBytes);
    EngineLog().LogFormat(&task, llVerbose,
                          "video:%1.0fkB audio:%1.0fkB global headers:%1.0fkB muxing overhead "
                          "%f%%\r\n",
                          files.VideoBytes / 1024.0, files.AudioBytes / 1024.0,
                          files.ExtraBytes / 1024.0,
                          sum > 0 ? 100.0 * (static_cast<double>(totalSize) - sum) / sum : 0.0);
  }
}

void RunLoop(TCustomTranscoder& task) {
  auto& files = task.Files();
  const TOptionState& state = task.State();
  PacketPtr packet = NewPacket();
  int64_t lastReport = lib::av_gettime_relative();
  size_t current = 0;  // join mode: the input being read
  while (!task.StopRequested()) {
    task.WaitWhilePaused();
    if (task.StopRequested()) break;
    // Choose the input whose output streams lag most.
    int chosen = -1;
    double smallest = 1e300;
    bool limitReached = false;
    for (auto& output : files.Outputs)
      for (auto& ost : output.Streams) {
        if (!ost.Active) continue;
        const int limit = ost.Type == AVMEDIA_TYPE_VIDEO      ? state.MaxVideoFrames
                          : ost.Type == AVMEDIA_TYPE_AUDIO    ? state.MaxAudioFrames
                          : ost.Type == AVMEDIA_TYPE_SUBTITLE ? state.MaxSubtitleFrames
                                                              : state.MaxDataFrames;
        if (ost.FramesWritten >= limit) limitReached = true;
        const int source =
            files.Join ? ost.Sources[std::min(current, ost.Sources.size() - 1)] : ost.Sources[0];
        if (source < 0) continue;
        const TInputStream& ist = files.InputStreams[source];
        const TInputFile& input = files.Inputs[ist.FileIndex];
        if (input.Ended || input.NoPacket || ist.PastRecordingTime) continue;
        if (ost.EndTime < smallest) {
          smallest = ost.EndTime;
          chosen = ist.FileIndex;
        }
      }
    if (files.Join) chosen = files.Inputs[current].Ended ? -1 : static_cast<int>(current);
    if (limitReached) chosen = -1;
    if (chosen < 0) {
      bool anyNoPacket = false;
      for (auto& input : files.Inputs) anyNoPacket |= input.NoPacket;
      if (files.Join || !anyNoPacket) break;
      for (auto& input : files.Inputs) input.NoPacket = false;
      lib::av_usleep(10000);
      continue;
    }
    if (state.LimitFilesize != 0) {
      AVIOContext* pb = files.Outputs[0].Context->pb;
      if (pb != nullptr && pb->pos + (pb->buf_ptr - pb->buffer) >= state.LimitFilesize) break;
    }
    TInputFile& input = files.Inputs[chosen];
    const int result = lib::av_read_frame(input.Context.get(), packet.get());
    if (result == AVERROR(EAGAIN)) {
      input.NoPacket = true;
      continue;
    }
    if (result < 0) {
      input.Ended = true;
      if (state.Shortest && !files.Join) break;
      if (files.Join) {
        // End of one block: flush its decoders, then carry on from where
        // its streams ended.
        for (unsigned s = 0; s < input.Context->nb_streams; ++s)
          FlushInputStream(task, input.FirstStream + static_cast<int>(s));
        if (current + 1 >= files.Inputs.size()) break;
        double end = 0;
        for (auto& ost : files.Outputs[0].Streams) end = std::max(end, ost.EndTime);
        ++current;
        files.Inputs[current].TsOffset +=
            static_cast<int64_t>(std::nearbyint(end * 1e6)) + task.State().StartTime;
      }
      continue;
    }
    for (auto& other : files.Inputs) other.NoPacket = false;
    if (state.DoPktDump)
      lib::av_log(nullptr, AV_LOG_INFO, "packet stream %d size %d\n", packet->stream_index,
                  packet->size);
    if (packet->stream_index < 0 ||
        packet->stream_index >= static_cast<int>(input.Context->nb_streams)) {
      lib::av_packet_unref(packet.get());
      continue;
    }
    const int source = input.FirstStream + packet->stream_index;
    TInputStream& ist = files.InputStreams[source];
    if (!ist.Used || ist.Stream->discard == AVDISCARD_ALL) {
      lib::av_packet_unref(packet.get());
      continue;
    }
    const int64_t offset = lib::av_rescale_q(input.TsOffset, AV_TIME_BASE_Q, ist.Stream->time_base);
    if (packet->dts != AV_NOPTS_VALUE) packet->dts += offset;
    if (packet->pts != AV_NOPTS_VALUE) packet->pts += offset;
    const double scale =
        ist.Stream->index < kMaxStreams ? state.InputTsScale[ist.Stream->index] : 0;
    if (scale != 0) {
      if (packet->dts != AV_NOPTS_VALUE) packet->dts = std::llrint(packet->dts * scale);
      if (packet->pts != AV_NOPTS_VALUE) packet->pts = std::llrint(packet->pts * scale);
    }
    if (packet->dts != AV_NOPTS_VALUE) {
      ist.Pts = lib::av_rescale_q(packet->dts, ist.Stream->time_base, AV_TIME_BASE_Q);
      if (ist.NextPts == AV_NOPTS_VALUE) ist.NextPts = ist.Pts;
    }
    if (state.RecordingTime != INT64_MAX && packet->dts != AV_NOPTS_VALUE &&
        ist.Pts >= state.StartTime + state.RecordingTime) {
      ist.PastRecordingTime = true;
      lib::av_packet_unref(packet.get());
      continue;
    }
    // Stream copy goes straight to the muxer.
    ForEachOutputOf(files, source, [&](TOutputStream& ost) {
      if (ost.Copy) CopyPacket(task, ost, ist, packet.get(), state.StartTime);
    });
    if (ist.Decoding && !DecodePacket(task, source, packet.get())) {
      const std::string text =
          FormatText("Error while decoding stream #%d.%d (%s)", ist.FileIndex, ist.Stream->index,
                     MediaTypeName(ist.Stream->codecpar->codec_type).c_str());
      if (state.ExitOnError) {
        lib::av_packet_unref(packet.get());
        throw EngineException(text);
      }
      if (state.Verbose >= 0) EngineLog().LogMessage(&task, llVerbose, text);
      lib::av_packet_unref(packet.get());
      continue;
    }
    lib::av_packet_unref(packet.get());
    const int64_t now = lib::av_gettime_relative();
    if (now - lastReport > int64_t{task.ProgressIntervalMs} * 1000) {
      Report(task, chosen);
      lastReport = now;
    }
  }
}

}  // namespace

void WritePacket(TCustomTranscoder& task, TOutputStream& ost, AVPacket* packet) {
  auto& output = task.Files().Outputs[ost.FileIndex];
  const TOptionState& state = task.State();
  PacketPtr filtered;
  for (auto& bsf : ost.Filters) {
    int result = lib::av_bsf_send_packet(bsf.get(), packet);
    if (result >= 0) {
      if (!filtered) filtered = NewPacket();
      result = lib::av_bsf_receive_packet(bsf.get(), filtered.get());
      if (result >= 0) packet = filtered.get();
    }
    if (result < 0 && result != AVERROR(EAGAIN)) {
      const std::string text = FormatText("%s failed for stream %d, codec %s", bsf->filter->name,
                                          ost.Index, ost.Copy ? "copy" : ost.Encoder->name) +
                               LibraryErrorText("", result);
      if (state.ExitOnError) throw EngineException(text);
      EngineLog().LogMessage(&task, llError, text);
    }
    if (result == AVERROR(EAGAIN)) return;
  }
  if (packet->duration > 0 || packet->pts != AV_NOPTS_VALUE) {
    const int64_t end = (packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts) +
                        std::max<int64_t>(packet->duration, 0);
    ost.EndTime = std::max(ost.EndTime, end * av_q2d(ost.Stream->time_base));
  }
  // Muxers refuse decoding times that do not increase.
  if (packet->dts != AV_NOPTS_VALUE && ost.LastCopyDts != AV_NOPTS_VALUE &&
      packet->dts <= ost.LastCopyDts && !(output.Context->oformat->flags & AVFMT_NOTIMESTAMPS)) {
    packet->dts = ost.LastCopyDts + 1;
    if (packet->pts != AV_NOPTS_VALUE && packet->pts < packet->dts) packet->pts = packet->dts;
  }
  if (packet->dts != AV_NOPTS_VALUE) ost.LastCopyDts = packet->dts;
  packet->stream_index = ost.Index;
  ++ost.FramesWritten;
  const int result = lib::av_interleaved_write_frame(output.Context.get(), packet);
  if (result < 0) throw EngineException(LibraryErrorText("av_interleaved_write_frame()", result));
  AVIOContext* pb = output.Context->pb;
  if (pb != nullptr && pb->error < 0)
    throw EngineException(LibraryErrorText("av_interleaved_write_frame()", pb->error));
  task.WaitWhilePaused();
}

void DrainEncoder(TCustomTranscoder& task, TOutputStream& ost) {
  AVCodecContext* enc = ost.EncoderContext.get();
  PacketPtr packet = NewPacket();
  while (true) {
    const int result = lib::avcodec_receive_packet(enc, packet.get());
    if (result == AVERROR(EAGAIN) || result == AVERROR_EOF) return;
    if (result < 0)
      throw EngineException(ost.Type == AVMEDIA_TYPE_AUDIO ? "Audio encoding failed"
                                                           : "Video encoding failed");
    lib::av_packet_rescale_ts(packet.get(), enc->time_base, ost.Stream->time_base);
    if (ost.Type == AVMEDIA_TYPE_VIDEO) {
      task.Files().VideoBytes += packet->size;
      size_t size = 0;
      const uint8_t* stats =
          lib::av_packet_get_side_data(packet.get(), AV_PKT_DATA_QUALITY_STATS, &size);
      if (stats != nullptr && size >= 4)
        ost.LastQuality = static_cast<float>(stats[0] | stats[1] << 8 | stats[2] << 16 |
                                             static_cast<uint32_t>(stats[3]) << 24) /
                          FF_QP2LAMBDA;
    } else {
      task.Files().AudioBytes += packet->size;
    }
    WritePacket(task, ost, packet.get());
    lib::av_packet_unref(packet.get());
  }
}

void TCustomTranscoder::Transcode() {
  auto& files = Files();
  SetFinished(false);
  std::string pending;  // the first error; the outputs are still finished
  try {
    SetUp(*this);
    RunLoop(*this);
  } catch (const EngineException& e) {
    pending = e.what();
  }
  bool headers = true;
  for (auto& output : files.Outputs) headers &= output.HeaderWritten;
  if (headers) {
    try {
      for (size_t s = 0; s < files.InputStreams.size(); ++s)
        FlushInputStream(*this, static_cast<int>(s));
      FlushEncoders(*this);
    } catch (const EngineException& e) {
      if (pending.empty()) pending = e.what();
    }
    for (auto& output : files.Outputs) {
      const int result = lib::av_write_trailer(output.Context.get());
      if (result < 0 && pending.empty()) pending = LibraryErrorText(output.FileName, result);
      AVIOContext* pb = output.Context->pb;
      if (pb != nullptr && pb->error < 0 && pending.empty())
        pending = LibraryErrorText(output.FileName, pb->error);
      output.HeaderWritten = false;
    }
    if (!files.Outputs.empty()) Report(*this, -1);
  }
  ReleaseFrameHooks(files);
  // Close the codecs (under the codec lock, through their deleters) and the
  // files; output files left empty are removed.
  for (auto& ist : files.InputStreams) ist.Decoder.reset();
  std::vector<std::string> names;
  for (auto& output : files.Outputs) {
    for (auto& ost : output.Streams) {
      ost.EncoderContext.reset();
      ost.Video.Graph.reset();
    }
    if (!(output.Context->oformat->flags & AVFMT_NOFILE)) names.push_back(output.FileName);
    output.Context.reset();
  }
  files.Outputs.clear();
  for (const auto& name : names) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(name, ec) && std::filesystem::file_size(name, ec) == 0)
      std::filesystem::remove(name, ec);
  }
  SetFinished(pending.empty() && !StopRequested());
  if (!pending.empty()) {
    SetErrorText(pending);
    throw EngineException(pending);
  }
}

}  // namespace media
