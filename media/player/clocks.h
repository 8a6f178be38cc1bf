// The playback clocks, as pure functions of the state the pipeline keeps.
// All times are seconds; `now` is the monotonic time of the caller.
#pragma once

namespace media {

enum TClockKind : int { ckAudio, ckVideo, ckExternal };

// The time of the sample being heard: the time stamp up to which audio was
// decoded, less the bytes of the current buffer not yet handed to the
// device (16-bit samples). No correction when the rate or channel count is 0.
double AudioClockAt(double decodedUpTo, int unplayedBytes, int sampleRate, int channels);

// The time of the picture on screen: its time stamp while paused; otherwise
// now + drift (drift = time stamp - the moment it was shown) once a picture
// was shown (drift not 0); before that, the file's start time.
double VideoClockAt(bool paused, double picturePts, double drift, double now, double startSeconds);

// An external clock started at `base` at the moment `baseTime`.
double ExternalClockAt(double base, double baseTime, double now);

// Which clock the others follow: the audio kind uses the audio clock when
// there is audio, else the video clock; the video kind the reverse; the
// external kind always the external clock.
TClockKind MasterClockSource(TClockKind kind, bool hasAudio, bool hasVideo);

}  // namespace media
