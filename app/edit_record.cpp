#include "app/edit_record.h"

namespace app {

int32_t DurationInSeconds(int64_t durationMicroseconds) {
  if (durationMicroseconds <= 0) return 0;
  return static_cast<int32_t>(durationMicroseconds / 1000000);
}

TlvFilesRecord NewFilesRecord(int32_t selectionIndex, const std::string& fileName,
                              const std::string& outputFile, int64_t durationMicroseconds,
                              const std::string& zoom) {
  TlvFilesRecord record;
  record.SelectionIndex = selectionIndex;
  record.FileName = fileName;
  record.OutputFile = outputFile;
  record.DurationSeconds = DurationInSeconds(durationMicroseconds);
  record.Zoom = zoom;
  return record;
}

bool EffectsNeutral(const TlvFilesRecord& record) {
  return record.Brightness == kNeutralBrightness && record.Contrast == kNeutralContrast &&
         record.Saturation == kNeutralSaturation && record.Exposure == kNeutralExposure;
}

bool HasCrop(const TlvFilesRecord& record) {
  return record.CropTop > 0 || record.CropLeft > 0 || record.CropBottom > 0 || record.CropRight > 0;
}

bool FirstWaterMarkHasContent(const TlvFilesRecord& record) {
  if (record.WaterMarks.empty()) return false;
  const TWmRec& first = record.WaterMarks.front();
  return !first.Text.empty() || !first.ImageFile.empty();
}

}  // namespace app
