// The standard test clips, generated once per build tree with the ffmpeg
// tool (a few seconds each).
#pragma once

#include <string>

namespace testsupport {

std::string Mp4H264Aac();       // 320x240 25 fps H.264 + AAC stereo, 2 s
std::string MkvWithSubtitle();  // MPEG-4 + Vorbis/ AAC + SRT subtitle, languages eng/ger
std::string AviMpeg4Mp3();      // MPEG-4 part 2 + MP3, 2 s
std::string Mp3WithTitle();     // MP3 with ID3v2 title "Probe Title"
std::string Wav();              // PCM 44.1 kHz mono, 1 s
std::string Ac3Surround();      // 5.1 AC-3, 1 s
std::string MpegTs();           // MPEG-2 video 29.97 fps + MP2 (language eng), 1/90000 time base
std::string TextFile();         // a plain text file
std::string EmptyFile();        // zero bytes
std::string TruncatedMp4();     // the first 3,000 bytes of Mp4H264Aac

}  // namespace testsupport
