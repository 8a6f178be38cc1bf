// The per-file edit record of a job row (`TlvFilesRecord`) and the watermark
// items it owns (`TWmRec`). Plain data: the job list fills a record when a
// file is added, the editing dialogs change it, the start of a batch reads it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace app {

// A colour as red, green and blue.
struct TWmColor {
  uint8_t Red = 0;
  uint8_t Green = 0;
  uint8_t Blue = 0;
  bool operator==(const TWmColor&) const = default;
};

// The font of a text watermark.
struct TWmFont {
  std::string Name;
  int32_t Size = 10;  // points
  bool Bold = false;
  bool Italic = false;
  bool Underline = false;
  bool StrikeOut = false;
  TWmColor Color;
  bool operator==(const TWmFont&) const = default;
};

// `TWmRec.Kind`.
inline constexpr int32_t kWmKindText = 0;
inline constexpr int32_t kWmKindImage = 1;

// One saved watermark; only the fields of its own kind are meaningful.
// Positions and sizes are in source pixels (the decoded picture before crop,
// scaling and padding); times are whole seconds, both inclusive.
struct TWmRec {
  std::string Text;
  TWmFont Font;
  int32_t TextLeft = 0;
  int32_t TextTop = 0;
  int32_t TextWidth = 0;
  int32_t TextHeight = 0;
  int32_t TextAlpha = 255;  // 0 .. 255, 255 = opaque
  TWmColor BackColor;
  bool HasBackColor = false;  // false: the text box is transparent
  std::string ImageFile;      // a BMP picture
  int32_t ImageLeft = 0;
  int32_t ImageTop = 0;
  int32_t ImageWidth = 0;
  int32_t ImageHeight = 0;
  int32_t ImageAlpha = 255;
  int32_t Kind = kWmKindText;
  int32_t StartTime = 0;
  int32_t EndTime = 0;
  bool operator==(const TWmRec&) const = default;
};

// Neutral values of the colour effects.
inline constexpr int32_t kNeutralBrightness = 255;
inline constexpr int32_t kNeutralContrast = 0;
inline constexpr int32_t kNeutralSaturation = 255;
inline constexpr int32_t kNeutralExposure = 0;

// Zoom modes of a job (the option builder acts on these four).
inline constexpr const char* kZoomFull = "full";
inline constexpr const char* kZoomLetterbox = "lbox";
inline constexpr const char* kZoomPanScan = "pan";
inline constexpr const char* kZoomCenter = "center";

// The edit record of one job row. A default record holds the neutral edits.
struct TlvFilesRecord {
  int32_t SelectionIndex = 0;  // position in the open dialog's selection
  std::string FileName;        // full source path, the row's caption
  std::string OutputFile;      // destination shown when the file was added
  int32_t DurationSeconds = 0;
  int64_t TrimStart = 0;   // microseconds; 0 = from the beginning
  int64_t TrimLength = 0;  // microseconds; 0 = to the end
  std::string Zoom = kZoomLetterbox;
  // Margins cut from the source picture, in source pixels, even, never
  // negative.
  int32_t CropTop = 0;
  int32_t CropLeft = 0;
  int32_t CropBottom = 0;
  int32_t CropRight = 0;
  // The same margins in pixels of the crop dialog's preview.
  int32_t PreviewTop = 0;
  int32_t PreviewLeft = 0;
  int32_t PreviewBottom = 0;
  int32_t PreviewRight = 0;
  std::vector<TWmRec> WaterMarks;  // drawing order: later ones on top
  int32_t Brightness = kNeutralBrightness;
  int32_t Contrast = kNeutralContrast;
  int32_t Saturation = kNeutralSaturation;
  int32_t Exposure = kNeutralExposure;
  bool ProcessText = false;
  bool ProcessImage = false;
  bool operator==(const TlvFilesRecord&) const = default;
};

// Whole seconds of a duration in microseconds, truncated; an unknown
// (negative) duration gives 0.
int32_t DurationInSeconds(int64_t durationMicroseconds);

// The record of a newly added file: neutral edits, the file's duration and
// the format's zoom.
TlvFilesRecord NewFilesRecord(int32_t selectionIndex, const std::string& fileName,
                              const std::string& outputFile, int64_t durationMicroseconds,
                              const std::string& zoom);

// Brightness 255, contrast 0, saturation 255 and exposure 0.
bool EffectsNeutral(const TlvFilesRecord& record);
// At least one crop margin above 0.
bool HasCrop(const TlvFilesRecord& record);
// The first watermark item has a text or a picture file, whatever its kind.
bool FirstWaterMarkHasContent(const TlvFilesRecord& record);

}  // namespace app
