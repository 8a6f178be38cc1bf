// The records through which callers describe a conversion task to the
// converter component and through which the component reports back, the
// four event types, and the option-line syntax both option records carry.
//
// Callers reset a record before filling it (ResetInputOptions,
// ResetOutputOptions; a default-constructed record holds the same values).
// A field left at its reset value is not handed to the engine. The event
// records are filled by the component just before each event and are valid
// only while the handler runs: a handler copies what it wants to keep.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {
class Bitmap24;
}

namespace media {

class TCustomMediaConverter;  // the converter component, the Sender of every event

// The libraries' no-time-stamp value (AV_NOPTS_VALUE): "not set".
inline constexpr int64_t kNoTimestamp = INT64_MIN;

// Metadata of an output file (TOutputOptions::Info).
struct TStreamInfo {
  // Creation time as days since 1899-12-30 (fraction = time of day), local
  // time. Less than 0: none; exactly 0: the current time; above 0: that time.
  double Timestamp = -1.0;
  int32_t Year = -1;   // metadata "year" when greater than 0
  int32_t Track = -1;  // metadata "track" when greater than 0
  // Each becomes metadata under its lower-case name when not empty.
  std::string Title;
  std::string Author;
  std::string Copyright;
  std::string Comment;
  std::string Album;
  std::string Genre;
};

// One input of a task.
struct TInputOptions {
  std::string FileName;              // empty: the name given to AddTask
  std::string FileFormat;            // forced input format, as option f
  int64_t StartTime = kNoTimestamp;  // microseconds, as option ss
  int32_t ProgramID = -1;            // as option programid when 0 or more
  std::string ExtOptions;            // option lines (ParseOptionLines)
};

// One output file of a task. The comment after each field says when
// SetOutputFile hands it to the engine, and as which option.
struct TOutputOptions {
  std::string FileName;                  // empty: the name given to SetOutputFile
  std::string FileFormat;                // non-empty: f
  int32_t PacketSize = -1;               // > 0: "packetsize"
  int32_t MuxRate = -1;                  // > 0: "muxrate"
  float MuxDelay = -1.0f;                // seconds; > 0: muxdelay
  float MuxPreload = -1.0f;              // seconds; > 0: muxpreload
  std::string AudioCodec;                // "def_acodec"
  std::string AudioPreset;               // "def_apre"
  bool DisableAudio = false;             // true: an
  int32_t AudioVolume = -1;              // >= 0: vol (256 = unchanged)
  int32_t AudioChannels = -1;            // > 0: ac
  int32_t AudioSampleRate = -1;          // > 0: ar
  int32_t AudioBitrate = -1;             // bit/s; > 0: "ab"
  int32_t AudioBitrateTolerance = -1;    // > 0: "abt"
  std::string AudioLanguage;             // always: alang
  int32_t AudioSync = 0;                 // always: async
  std::string AudioTag;                  // non-empty: atag
  std::string VideoCodec;                // "def_vcodec"
  std::string VideoPreset;               // "def_vpre"
  bool DisableVideo = false;             // true: vn
  std::string FrameRate;                 // non-empty: r
  std::string FrameSize;                 // "def_s"
  std::string FrameAspectRatio;          // non-empty: aspect
  int32_t CropTop = -1;                  // pixels; > 0: croptop
  int32_t CropBottom = -1;               // > 0: cropbottom
  int32_t CropLeft = -1;                 // > 0: cropleft
  int32_t CropRight = -1;                // > 0: cropright
  int32_t GOPSize = -1;                  // > 0: "g"
  int32_t VideoBitrate = -1;             // bit/s; > 0: "vb"
  int32_t VideoMaxRate = -1;             // > 0: "maxrate"
  int32_t VideoMinRate = -1;             // > 0: "minrate"
  int32_t VideoBitrateTolerance = -1;    // > 0: "bt"
  int32_t VideoBufSize = -1;             // > 0: "bufsize"
  int32_t VideoSync = -1;                // always: vsync
  std::string VideoTag;                  // non-empty: vtag
  std::string VideoFilters;              // "def_vf"
  std::string VideoLanguage;             // always: vlang
  std::string SubtitleCodec;             // "def_scodec"
  std::string SubtitlePreset;            // "def_spre"
  bool DisableSubtitle = false;          // true: sn
  std::string SubtitleLanguage;          // always: slang
  bool InputSync = false;                // true: isync
  bool CopyTimestamps = false;           // true: copyts
  int64_t StartTime = kNoTimestamp;      // microseconds; set: ss
  int64_t RecordingTime = kNoTimestamp;  // microseconds; set: t
  TStreamInfo Info;                      // metadata of the output
  int32_t Target = 0;                    // 1 "vcd", 2 "svcd", 3 "dvd"; other values none
  int32_t TargetNorm = 0;                // 0 "auto", 1 "pal", 2 "ntsc"; other values "auto"
  int32_t TargetDefaultNorm = 1;         // 1 "pal", any other "ntsc"
  bool CustomHook = false;               // true: decoded frames go through OnCustomHook
  bool Join = false;                     // true: all inputs end to end into this output
  std::string ExtOptions;                // option lines (ParseOptionLines)
};

void ResetStreamInfo(TStreamInfo& info);
void ResetInputOptions(TInputOptions& options);
void ResetOutputOptions(TOutputOptions& options);

// Progress of a task (OnProgress).
struct TProgressInfo {
  int32_t TaskIndex = 0;
  int32_t FileIndex = 0;        // input whose packet was read last; -1 in the final report
  int32_t CurrentFrame = 0;     // frames encoded on the first active video output stream
  int32_t CurrentFPS = 0;       // frames per second since the transcode began
  float Quality = 0.0f;         // last coded picture's quality / 118; -1 when copied
  float BitRate = 0.0f;         // kbit/s
  int64_t CurrentSize = 0;      // bytes of the first output file
  int64_t CurrentDuration = 0;  // microseconds written
  int64_t TotalDuration = 0;    // microseconds expected in all; -1 unknown
};
using PProgressInfo = TProgressInfo*;

// End of a task (OnTerminate); TaskIndex -1 once all tasks are done.
struct TTerminateInfo {
  int32_t TaskIndex = 0;
  bool Finished = false;   // the conversion loop ran to its end without a stop request
  bool Exception = false;  // the task ended by an error
  std::string ExceptionMsg;
};

// One decoded video picture offered to OnCustomHook.
struct THookInfo {
  int32_t TaskIndex = 0;
  // 24-bit blue-green-red, the decoded size (before crop, scale and pad);
  // owned by the engine.
  platform::Bitmap24* Bitmap = nullptr;
  int32_t FrameNumber = 0;  // per-task count of decoded pictures, the first is 1
  int64_t PTS = 0;          // microseconds on the input's time line
  bool Update = true;       // in/out: copy the bitmap back into the frame
  bool StopHook = false;    // in/out: call the hook no more for this task
};
using PHookInfo = THookInfo*;

// One encoded picture offered to OnPreviewBitmap.
struct TPreviewInfo {
  int32_t TaskIndex = 0;
  platform::Bitmap24* Bitmap = nullptr;  // 24-bit, output size; owned by the engine
  int32_t FrameNumber = 0;
  int64_t PTS = 0;  // microseconds of the output picture
};

using TCustomHookEvent = std::function<void(TCustomMediaConverter* Sender, PHookInfo AHookInfo)>;
using TPreviewBitmapEvent =
    std::function<void(TCustomMediaConverter* Sender, const TPreviewInfo& APreviewInfo)>;
using TProgressEvent =
    std::function<void(TCustomMediaConverter* Sender, PProgressInfo AProgressInfo)>;
using TTerminateEvent =
    std::function<void(TCustomMediaConverter* Sender, const TTerminateInfo& ATerminateInfo)>;

// --- Option lines -----------------------------------------------------------

// One option line: Key lower-cased, Value as written (neither is trimmed).
struct TOptionLine {
  std::string Key;
  std::string Value;
  bool operator==(const TOptionLine&) const = default;
};

// Removes leading and trailing blanks and control characters (bytes up to
// 0x20).
std::string TrimText(std::string_view text);

// Turns CR LF, CR and LF into LF.
std::string UnifyLineBreaks(std::string_view text);

// Splits option lines: the whole text is trimmed, line breaks and every
// "<CRLF>" (exact case) become line ends, and each line is split at its
// first "=" into key (lower-cased) and value (empty without "="). Lines are
// returned in order; an empty line gives an empty key, which the engine
// ignores.
std::vector<TOptionLine> ParseOptionLines(std::string_view text);

}  // namespace media
