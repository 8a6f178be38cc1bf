// The option state of one conversion task and the single entry point that
// applies an option to it.
//
// A task holds its settings like a command line does: the next input file
// opened, the next output file and the next stream created take the
// current values (file set-up reads them, and consumes the per-stream ones
// such as the codec names, so the next stream starts clean). Options arrive
// one at a time as a name and a text value (ApplyOption); names are
// case-sensitive, the component lower-cases keys before they arrive.
//
// Every field below carries its reset value; ResetOptionState restores all
// of them. "Not set" values are what file set-up tests to decide whether a
// value comes from the input instead. Times are microseconds unless the
// comment says seconds.
//
// Thread: the state belongs to its task. Options are applied on the
// caller's thread before the task runs; the task's worker reads the state
// afterwards.
#pragma once

#include <cstdint>

extern "C" {
#include <libavutil/avutil.h>
#include <libavutil/pixfmt.h>
#include <libavutil/rational.h>
#include <libavutil/samplefmt.h>
}

#include <array>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct AVBitStreamFilter;

namespace media {

class OptionStore;
class TMediaComponent;

// The engine's file and per-file stream limit.
inline constexpr int kMaxFiles = 20;
inline constexpr int kMaxStreams = 20;

// One stream map (option map): the output takes that input stream, and
// synchronises to the sync stream. The option only checks the numbers are
// not negative; file set-up checks them against the files it has open.
struct TStreamMap {
  int FileIndex = 0;
  int StreamIndex = 0;
  int SyncFileIndex = 0;
  int SyncStreamIndex = 0;
  bool operator==(const TStreamMap&) const = default;
};

// One metadata map (option map_meta_data): the output file's metadata comes
// from that input file.
struct TMetaDataMap {
  int OutFile = 0;
  int InFile = 0;
  bool operator==(const TMetaDataMap&) const = default;
};

// One bitstream filter of a chain (options absf, vbsf, sbsf). File set-up
// creates a filter context from it for the stream that takes the chain.
struct TBitstreamFilter {
  const AVBitStreamFilter* Filter = nullptr;
  std::string Name;       // as looked up
  std::string Arguments;  // the text after "=", empty when none
};
using TBitstreamFilterChain = std::vector<TBitstreamFilter>;

struct TOptionState {
  // --- Video frame ---------------------------------------------------------
  int FrameWidth = 0;                           // s; 0 = not set
  int FrameHeight = 0;                          // s; 0 = not set
  double FrameAspectRatio = 0.0;                // aspect; 0 = not set
  AVPixelFormat FramePixFmt = AV_PIX_FMT_NONE;  // pix_fmt; none = not set
  int FrameTopBand = 0;                         // croptop
  int FrameBottomBand = 0;                      // cropbottom
  int FrameLeftBand = 0;                        // cropleft
  int FrameRightBand = 0;                       // cropright
  AVRational FrameRate{0, 0};                   // r; 0/0 = not set
  float VideoQScale = 0.0f;                     // qscale; 0 = not set
  std::vector<uint16_t> IntraMatrix;            // intra_matrix; empty or 64 coefficients
  std::vector<uint16_t> InterMatrix;            // inter_matrix; empty or 64 coefficients
  std::string VideoRcOverride;                  // rc_override, parsed at stream creation
  int VideoDiscard = 0;                         // vdt (an AVDiscard level)
  int TopFieldFirst = -1;                       // top; -1 automatic
  int IntraDcPrecision = 8;                     // dc
  bool IntraOnly = false;                       // intra
  bool SameQuality = false;                     // sameq
  bool DoDeinterlace = false;                   // deinterlace
  int MeThreshold = 0;                          // me_threshold
  bool QpHistogram = false;                     // qphist
  bool ForceFps = false;                        // force_fps
  int VideoGlobalHeader = 0;                    // vglobal (bit 0 global, bit 1 local header)
  std::string VideoFilters;                     // vfilters, vf: filter graph text
  // vhook: a frame-hook plug-in was added (the host keeps the chain).
  bool FrameHooksEnabled = false;

  // --- Frame limits (vframes, aframes, dframes; subtitles have no option) --
  int MaxVideoFrames = 2147483647;
  int MaxAudioFrames = 2147483647;
  int MaxDataFrames = 2147483647;
  int MaxSubtitleFrames = 2147483647;

  // --- Audio ---------------------------------------------------------------
  int AudioSampleRate = 44100;                         // ar
  int AudioChannels = 2;                               // ac
  uint64_t AudioChannelLayout = 0;                     // from the input; 0 = none
  AVSampleFormat AudioSampleFmt = AV_SAMPLE_FMT_NONE;  // sample_fmt; none = not set
  float AudioQScale = -99999.0f;                       // aq; -99999 = not set
  int AudioVolume = 256;                               // vol; 256 = unchanged

  // --- Streams: disable switches, codecs, tags, languages -------------------
  // A codec name is empty when none was given; "copy" switches stream copy
  // on instead of naming a codec. Stream creation clears these.
  bool AudioDisable = false;      // an
  bool VideoDisable = false;      // vn
  bool SubtitleDisable = false;   // sn
  std::string AudioCodecName;     // acodec
  std::string VideoCodecName;     // vcodec
  std::string SubtitleCodecName;  // scodec
  bool AudioStreamCopy = false;
  bool VideoStreamCopy = false;
  bool SubtitleStreamCopy = false;
  uint32_t AudioCodecTag = 0;                   // atag (four characters, first in the lowest byte)
  uint32_t VideoCodecTag = 0;                   // vtag
  uint32_t SubtitleCodecTag = 0;                // stag
  std::string AudioLanguage;                    // alang
  std::string VideoLanguage;                    // vlang
  std::string SubtitleLanguage;                 // slang
  TBitstreamFilterChain AudioBitstreamFilters;  // absf
  TBitstreamFilterChain VideoBitstreamFilters;  // vbsf
  TBitstreamFilterChain SubtitleBitstreamFilters;  // sbsf

  // --- Files and timing ------------------------------------------------------
  std::string FileFormat;             // f: forced format of the next file opened; empty = guess
  bool PgmyuvCompatibility = false;   // f was "pgmyuv" (stored as "image2")
  bool LoopInput = false;             // loop_input
  int LoopOutput = -1;                // loop_output: loop count written to the container
  int64_t RecordingTime = INT64_MAX;  // t; INT64_MAX = no limit
  int64_t StartTime = 0;              // ss
  int64_t InputTsOffset = 0;          // itsoffset, for the next input
  std::array<double, kMaxStreams>
      InputTsScale{};                      // itsscale per stream of the next input; 0 = none
  int64_t RecordingTimestamp = 0;          // timestamp, in seconds since 1970
  int64_t LimitFilesize = 0;               // fs, bytes; 0 = none
  float MuxPreload = 0.5f;                 // muxpreload, seconds
  float MuxMaxDelay = 0.7f;                // muxdelay, seconds
  bool CopyTs = false;                     // copyts
  bool Shortest = false;                   // shortest
  bool RateEmu = false;                    // re: read no faster than the input's own time line
  bool InputSync = false;                  // isync: choose packets by input time
  int ProgramId = 0;                       // programid; 0 = none
  int CopyInitialNonkeyframes = 0;         // copyinkf
  int VideoSyncMethod = -1;                // vsync; -1 automatic
  int AudioSyncMethod = 0;                 // async; 0 off
  float AudioDriftThreshold = 0.1f;        // adrift_threshold, seconds
  float DtsDeltaThreshold = 10.0f;         // dts_delta_threshold, seconds
  std::vector<TStreamMap> StreamMaps;      // map
  std::vector<TMetaDataMap> MetaDataMaps;  // map_meta_data
  std::vector<std::pair<std::string, std::string>> Metadata;  // metadata, in order given
  std::array<int, kMaxStreams> StreamIds{};  // streamid: id of output stream index; 0 = none

  // --- Two-pass, statistics, capture -------------------------------------
  int DoPass = 0;               // pass: 0 single pass, 1 or 2
  std::string PassLogFilename;  // passlogfile: prefix of the two-pass log
  std::string VstatsFilename;   // vstats, vstats_file; empty = none
  bool DoPsnr = false;          // psnr
  int VideoChannel = -1;        // vc (capture); -1 = none
  std::string VideoStandard;    // tvstd (capture); empty = none

  // --- Engine behaviour ---------------------------------------------------------
  int Verbose = 1;           // v
  bool ExitOnError = false;  // xerror: a decode error ends the task
  bool DoPktDump = false;    // dump
  bool DoHexDump = false;    // hex
  int ThreadCount = 0;       // codec thread count; 0 = automatic (all cores)
  int SwsFlags = 4;          // scaling flags (SWS_BICUBIC)
};

void ResetOptionState(TOptionState& state);

// The stream id for output stream `index` (0 outside the table).
int StreamIdFor(const TOptionState& state, int index);

// What an option may ask of the task that owns the state. Every call
// happens on the thread applying the option.
class TOptionHost {
 public:
  virtual ~TOptionHost() = default;
  // Number of output files opened so far.
  virtual int OutputFileCount() const = 0;
  // Adds a stream of `type` (video, audio or subtitle) to the last output
  // file; raises EngineException on failure.
  virtual void NewStream(AVMediaType type) = 0;
  // Loads a frame-hook plug-in (arguments[0] is the library path) and
  // appends it to the task's chain; 0 on success, a negative code otherwise.
  virtual int AddFrameHook(const std::vector<std::string>& arguments) = 0;
  // Time bases of the video streams of the opened inputs, in input and
  // stream order; the target preset reads the norm from them (1/25 means
  // PAL). With FFmpeg 5.1 the inverse of each stream's frame rate serves
  // (avg_frame_rate, else r_frame_rate); an unknown one may be 0/1.
  virtual std::vector<AVRational> InputVideoTimeBases() const = 0;
  // Option t: the recording time also becomes the task's total duration.
  virtual void SetTotalDuration(int64_t microseconds) = 0;
};

// Everything an option acts on. Store and Host belong to the task; Host may
// be null (then the options that need it raise), LogSender names the
// component in log messages.
struct TOptionContext {
  TOptionState& State;
  OptionStore& Store;
  TOptionHost* Host = nullptr;
  TMediaComponent* LogSender = nullptr;
};

// Applies one option. Unknown names go to the generic option store and are
// dropped silently when it rejects them. A failed check raises
// EngineException with its text and changes nothing.
void ApplyOption(TOptionContext& context, const std::string& name, const std::string& value);

// True for the names of the option table (not the generic store's).
bool IsEngineOption(const std::string& name);

// Sets a codec name the way acodec, vcodec and scodec do: an empty value
// does nothing, "copy" switches stream copy on, anything else becomes the
// name. `type` is video, audio or subtitle.
void SetCodecName(TOptionState& state, AVMediaType type, const std::string& value);

// Number conversions of the option values; each raises EngineException
// naming the option and the value when the text is not a number of the
// kind. Blanks around the number are allowed.
int ParseIntValue(const std::string& name, const std::string& value);
int64_t ParseInt64Value(const std::string& name, const std::string& value);
float ParseFloatValue(const std::string& name, const std::string& value);

}  // namespace media
