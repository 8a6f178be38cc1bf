#include "tests/support/player_fixtures.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

#include "tests/support/fixtures.h"

namespace testsupport {

namespace {

std::vector<std::string> AvClip(int seconds) {
  const std::string d = std::to_string(seconds);
  return {"-f",       "lavfi",     "-i",       "testsrc=size=320x240:rate=25:duration=" + d,
          "-f",       "lavfi",     "-i",       "sine=frequency=440:duration=" + d,
          "-ac",      "2",         "-c:v",     "libx264",
          "-preset",  "ultrafast", "-g",       "25",
          "-pix_fmt", "yuv420p",   "-c:a",     "aac",
          "-b:a",     "96k",       "-shortest"};
}

}  // namespace

std::string PlayerClip10s() {
  return Fixture("player-10s.mp4", AvClip(10));
}

std::string PlayerClip2s() {
  return Fixture("player-2s.mp4", AvClip(2));
}

std::string AspectClip() {
  return Fixture(
      "aspect-16-15.mp4",
      {"-f", "lavfi", "-i", "color=c=0x50A0E0:size=720x576:rate=25:duration=2", "-vf",
       "setsar=16/15", "-c:v", "libx264", "-preset", "ultrafast", "-pix_fmt", "yuv420p"});
}

std::string StereoTone() {
  return Fixture("stereo-tone.wav", {"-f", "lavfi", "-i", "sine=frequency=300:duration=3", "-ac",
                                     "2", "-ar", "44100"});
}

std::string SubtitleOnly() {
  std::string srt = TempFolder("srt") + "/source.srt";
  { std::ofstream(srt) << "1\n00:00:00,000 --> 00:00:01,000\nHello\n\n"; }
  return Fixture("subtitle-only.srt", {"-i", srt, "-c:s", "srt"});
}

std::string TransportStream() {
  std::vector<std::string> args = AvClip(10);
  args.insert(args.end(), {"-f", "mpegts"});
  return Fixture("player-10s.ts", args);
}

namespace {

// A copy of `source` changed by `edit`, written once under `name`.
std::string Derived(const std::string& name, const std::string& source,
                    void (*edit)(std::string&)) {
  const std::string path = std::string(VVC_TEST_FIXTURE_DIR) + "/" + name;
  if (::access(path.c_str(), F_OK) == 0) return path;
  std::ifstream in(source, std::ios::binary);
  std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  edit(data);
  const std::string partial = path + ".part" + std::to_string(::getpid());
  { std::ofstream(partial, std::ios::binary) << data; }
  std::rename(partial.c_str(), path.c_str());
  return path;
}

}  // namespace

std::string TruncatedTransportStream() {
  return Derived("player-truncated.ts", TransportStream(),
                 [](std::string& data) { data.resize(data.size() * 4 / 10); });
}

std::string CorruptedTransportStream() {
  return Derived("player-corrupted.ts", TransportStream(), [](std::string& data) {
    const size_t at = data.size() * 3 / 10;
    for (size_t i = at; i < at + 65536 && i < data.size(); ++i)
      data[i] = static_cast<char>((i * 131) & 0xFF);
  });
}

StallingServer::StallingServer(const std::string& file) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  ::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::listen(listener_, 1);
  socklen_t length = sizeof address;
  ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
  port_ = ntohs(address.sin_port);
  thread_ = std::thread(&StallingServer::Serve, this, file);
}

StallingServer::~StallingServer() {
  stop_.store(true);
  thread_.join();
  ::close(listener_);
}

std::string StallingServer::Url() const {
  return "tcp://127.0.0.1:" + std::to_string(port_);
}

void StallingServer::Serve(std::string file) {
  pollfd waiting{listener_, POLLIN, 0};
  while (!stop_.load() && ::poll(&waiting, 1, 50) <= 0) {
  }
  if (stop_.load()) return;
  const int client = ::accept(listener_, nullptr, nullptr);
  if (client < 0) return;
  std::ifstream in(file, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  size_t offset = 0;
  while (offset < data.size() && !stop_.load()) {
    const ssize_t n = ::send(client, data.data() + offset, data.size() - offset, MSG_NOSIGNAL);
    if (n <= 0) break;
    offset += static_cast<size_t>(n);
  }
  sent_.store(true);
  while (!stop_.load()) ::usleep(20000);
  ::close(client);
}

}  // namespace testsupport
