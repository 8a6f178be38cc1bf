// The records of one task's files and streams, shared by file set-up, the
// transcode loop and the audio and video paths, with one owner for every
// library handle (the deleters below free it through the entry table).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "media/binding/bitmap_converter.h"
#include "media/binding/entry_table.h"
#include "media/engine/option_state.h"

namespace media {

struct FrameDeleter {
  void operator()(AVFrame* frame) const { lib::av_frame_free(&frame); }
};
struct PacketDeleter {
  void operator()(AVPacket* packet) const { lib::av_packet_free(&packet); }
};
// Closing a codec holds the process-wide codec lock.
struct CodecContextDeleter {
  void operator()(AVCodecContext* context) const;
};
struct SwrDeleter {
  void operator()(SwrContext* context) const { lib::swr_free(&context); }
};
struct FilterGraphDeleter {
  void operator()(AVFilterGraph* graph) const { lib::avfilter_graph_free(&graph); }
};
struct AudioFifoDeleter {
  void operator()(AVAudioFifo* fifo) const { lib::av_audio_fifo_free(fifo); }
};
struct BsfDeleter {
  void operator()(AVBSFContext* bsf) const { lib::av_bsf_free(&bsf); }
};
struct InputContextDeleter {
  void operator()(AVFormatContext* context) const;
};
// An output container with its byte stream (closed through the Unicode
// file protocol's close).
struct OutputContextDeleter {
  void operator()(AVFormatContext* context) const;
};

using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;
using SwrPtr = std::unique_ptr<SwrContext, SwrDeleter>;
using FilterGraphPtr = std::unique_ptr<AVFilterGraph, FilterGraphDeleter>;
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;
using BsfPtr = std::unique_ptr<AVBSFContext, BsfDeleter>;
using InputContextPtr = std::unique_ptr<AVFormatContext, InputContextDeleter>;
using OutputContextPtr = std::unique_ptr<AVFormatContext, OutputContextDeleter>;

FramePtr NewFrame();  // raises EngineException when out of memory
PacketPtr NewPacket();

struct TInputStream {
  int FileIndex = 0;
  AVStream* Stream = nullptr;
  const AVCodec* ForcedDecoder = nullptr;  // vcodec/acodec/scodec given before the input
  CodecContextPtr Decoder;                 // opened when some output encodes from it
  bool Decoding = false;
  bool Used = false;                 // some output stream maps to it
  int64_t Pts = 0;                   // microseconds on the task's time line
  int64_t NextPts = AV_NOPTS_VALUE;  // microseconds
  bool AtStart = true;               // no audio block handed on yet (async)
  bool PastRecordingTime = false;
  int64_t WallStart = 0;  // option re
};

struct TInputFile {
  InputContextPtr Context;
  std::string FileName;
  int64_t TsOffset = 0;  // microseconds added to every time stamp
  int FirstStream = 0;   // index into TTranscodeFiles::InputStreams
  bool Ended = false;
  bool NoPacket = false;  // the last read said to try again
};

// The video geometry and sync of one encoded video output stream.
struct TVideoState {
  FilterGraphPtr Graph;
  AVFilterContext* Source = nullptr;
  AVFilterContext* Sink = nullptr;
  int GraphWidth = 0, GraphHeight = 0;  // the decoded picture the graph was built for
  AVPixelFormat GraphFormat = AV_PIX_FMT_NONE;
  int TopBand = 0, BottomBand = 0, LeftBand = 0, RightBand = 0;
};

struct TAudioState {
  SwrPtr Resampler;
  AudioFifoPtr Fifo;
  int InRate = 0;
  AVSampleFormat InFormat = AV_SAMPLE_FMT_NONE;
  AVChannelLayout InLayout{};
};

struct TOutputFile;

struct TOutputStream {
  int FileIndex = 0;
  int Index = 0;  // within the file
  AVMediaType Type = AVMEDIA_TYPE_UNKNOWN;
  AVStream* Stream = nullptr;
  bool Copy = false;
  const AVCodec* Encoder = nullptr;
  CodecContextPtr EncoderContext;
  bool EncoderOpen = false;
  std::vector<BsfPtr> Filters;  // the bitstream filter chain
  std::vector<int> Sources;     // input stream per input file block (join), else one
  int64_t SyncCounter = 0;      // frames or samples written
  int64_t FramesWritten = 0;    // packets or pictures written
  double EndTime = 0;           // seconds: end of the last packet written
  bool Active = true;
  int64_t LastCopyDts = AV_NOPTS_VALUE;
  TVideoState Video;
  TAudioState Audio;
  float LastQuality = 0;  // the last coded picture's quality / FF_QP2LAMBDA
};

struct TOutputFile {
  OutputContextPtr Context;
  std::string FileName;
  TOptionState Settings;  // the option state as the output was opened
  bool Join = false;
  bool HeaderWritten = false;
  std::vector<TOutputStream> Streams;
};

// One loaded frame-hook plug-in of the task's chain.
struct TFrameHook {
  void* Library = nullptr;  // handle of the process-wide list
  void* Context = nullptr;
  using ConfigureFn = int (*)(void** context, int argc, char* argv[]);
  using ProcessFn = void (*)(void* context, AVFrame* picture, AVPixelFormat format, int width,
                             int height, int64_t pts);
  using ReleaseFn = void (*)(void* context);
  ProcessFn Process = nullptr;
  ReleaseFn Release = nullptr;
};

struct TTranscodeFiles {
  std::vector<TInputFile> Inputs;
  std::vector<TInputStream> InputStreams;
  std::vector<TOutputFile> Outputs;
  std::vector<TFrameHook> FrameHooks;
  bool Join = false;
  // Task-wide counters of the progress report.
  int64_t VideoBytes = 0, AudioBytes = 0, ExtraBytes = 0;
  int DupFrames = 0, DropFrames = 0;
  bool LogNextReport = false;  // one-shot: frames were duplicated or dropped
  int64_t StartWallTime = 0;
  int64_t LastPreviewTime = INT64_MIN;
  BitmapConverter HookConverter, PreviewConverter;
  ~TTranscodeFiles();
};

// Transcode steps implemented in their own files.
class TCustomTranscoder;
void WritePacket(TCustomTranscoder& task, TOutputStream& ost, AVPacket* packet);
void DrainEncoder(TCustomTranscoder& task, TOutputStream& ost);
void AudioOut(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist,
              const AVFrame* frame, int64_t framePts);
void FlushAudio(TCustomTranscoder& task, TOutputStream& ost);
void SetUpVideoFilters(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist,
                       int width, int height, AVPixelFormat format);
void VideoFrameIn(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist,
                  AVFrame* frame, int64_t framePts);
void FlushVideo(TCustomTranscoder& task, TOutputStream& ost, const TInputStream& ist);
void PreProcessPicture(TCustomTranscoder& task, const TInputStream& ist, AVFrame* frame,
                       int64_t pts);
void ReleaseFrameHooks(TTranscodeFiles& files);

}  // namespace media
