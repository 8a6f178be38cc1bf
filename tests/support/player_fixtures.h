// Clips for the player's tests, generated once per build tree with the
// ffmpeg tool, and a small server that streams a file over TCP and then
// stalls (a read that blocks).
#pragma once

#include <atomic>
#include <string>
#include <thread>

namespace testsupport {

std::string PlayerClip10s();    // 320x240 25 fps H.264 (a key frame each second) + AAC stereo
std::string PlayerClip2s();     // the same, 2 s
std::string AspectClip();       // 720x576, pixel aspect 16:15, one flat colour, 2 s, no audio
std::string StereoTone();       // 44.1 kHz stereo PCM sine, 3 s, no video
std::string SubtitleOnly();     // an SRT file: one subtitle stream, nothing to play
std::string TransportStream();  // 320x240 H.264 + AAC in MPEG-TS, 10 s
std::string TruncatedTransportStream();  // its first 40 %
std::string CorruptedTransportStream();  // with 64 KiB of garbage at 30 %

// Serves `file` to the first client on 127.0.0.1 (an ephemeral port), then
// keeps the connection open without sending more until destroyed.
class StallingServer {
 public:
  explicit StallingServer(const std::string& file);
  ~StallingServer();
  StallingServer(const StallingServer&) = delete;
  StallingServer& operator=(const StallingServer&) = delete;

  std::string Url() const;  // "tcp://127.0.0.1:PORT"
  bool AllSent() const { return sent_.load(); }

 private:
  void Serve(std::string file);
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> sent_{false};
  std::atomic<bool> stop_{false};
  std::thread thread_;
};

}  // namespace testsupport
