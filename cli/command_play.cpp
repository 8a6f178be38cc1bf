#include "cli/command_play.h"

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <optional>

#include "cli/media_libraries.h"
#include "cli/usage.h"
#include "media/player/media_player.h"
#include "media/player/memory_surface.h"
#include "platform/main_thread.h"

namespace cli {
namespace {

using Clock = std::chrono::steady_clock;

struct PlayOptions {
  std::string file;
  bool headless = false;
  double start = 0;
  double playFor = 0;  // 0: to the end
  std::optional<double> seekTo;
  std::string snapshot;
  int volume = 128;
  bool mute = false;
};

bool ParseSeconds(const std::string& text, double& value) {
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return !text.empty() && end != nullptr && *end == '\0' && value >= 0;
}

// Returns an error text, empty when the arguments are fine.
std::string Parse(const std::vector<std::string>& args, PlayOptions& o) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](std::string& out) {
      if (i + 1 >= args.size()) return false;
      out = args[++i];
      return true;
    };
    std::string v;
    if (a == "--headless") {
      o.headless = true;
    } else if (a == "--mute") {
      o.mute = true;
    } else if (a == "--start" || a == "--for" || a == "--seek-to") {
      double seconds = 0;
      if (!value(v) || !ParseSeconds(v, seconds)) return a + " needs a number of seconds";
      if (a == "--start") o.start = seconds;
      if (a == "--for") o.playFor = seconds;
      if (a == "--seek-to") o.seekTo = seconds;
    } else if (a == "--snapshot") {
      if (!value(o.snapshot) || o.snapshot.empty()) return "--snapshot needs a file name";
    } else if (a == "--volume") {
      char* end = nullptr;
      if (!value(v)) return "--volume needs a value 0..128";
      const long n = std::strtol(v.c_str(), &end, 10);
      if (v.empty() || *end != '\0' || n < 0 || n > 128) return "--volume needs a value 0..128";
      o.volume = static_cast<int>(n);
    } else if (!a.empty() && a[0] == '-' && a != "-") {
      return "unknown option '" + a + "'";
    } else if (o.file.empty()) {
      o.file = a;
    } else {
      return "play takes one file";
    }
  }
  return o.file.empty() ? "play needs a file" : "";
}

void Put16(std::ofstream& out, uint16_t v) {
  const char b[2] = {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
  out.write(b, 2);
}

void Put32(std::ofstream& out, uint32_t v) {
  for (int i = 0; i < 4; ++i) out.put(static_cast<char>((v >> (8 * i)) & 0xFF));
}

// A 24-bit uncompressed BMP (rows bottom-up, padded to 4 bytes like ours).
bool WriteBmp(const std::string& path, const platform::Bitmap24& bitmap) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  if (!out) return false;
  const uint32_t imageSize = static_cast<uint32_t>(bitmap.Stride()) * bitmap.Height();
  out.write("BM", 2);
  Put32(out, 14 + 40 + imageSize);
  Put32(out, 0);
  Put32(out, 14 + 40);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(bitmap.Width()));
  Put32(out, static_cast<uint32_t>(bitmap.Height()));
  Put16(out, 1);
  Put16(out, 24);
  Put32(out, 0);  // no compression
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi
  Put32(out, 2835);
  Put32(out, 0);
  Put32(out, 0);
  for (int y = bitmap.Height() - 1; y >= 0; --y)
    out.write(reinterpret_cast<const char*>(bitmap.ScanLine(y)), bitmap.Stride());
  return static_cast<bool>(out);
}

double Seconds(Clock::duration d) {
  return std::chrono::duration<double>(d).count();
}

}  // namespace

int RunPlayCommand(const std::vector<std::string>& args) {
  PlayOptions o;
  const std::string problem = Parse(args, o);
  if (!problem.empty()) return UsageError(problem);
  if (o.headless) ::setenv("SDL_AUDIODRIVER", "dummy", 1);
  if (!LoadMediaLibraries(media::PlayerLibraries, DefaultLibraryFolder())) return 1;

  media::TMemorySurface memory;
  media::TMediaPlayer player;
  player.SetAudioVolume(o.volume);
  player.SetMute(o.mute);
  bool ended = false, stopped = false;
  auto lastPrint = Clock::now();
  player.SetOnState([&](media::TCustomPlayer*, media::TPlayState state) {
    std::cout << "state " << media::PlayStateName(state) << std::endl;
    ended = ended || state == media::psEnd;
    stopped = stopped || state == media::psStop;
  });
  player.SetOnPosition([&](media::TCustomPlayer*, int64_t pts) {
    if (Seconds(Clock::now() - lastPrint) < 1.0) return;
    lastPrint = Clock::now();
    std::printf("position %.3f\n", pts / 1e6);
    std::fflush(stdout);
  });
  if (!player.Open(o.file, o.headless ? &memory : nullptr)) {
    std::cerr << "vvc-cli: " << player.LastErrMsg() << "\n";
    return 1;
  }
  if (o.start > 0) player.Seek(0, true, static_cast<int64_t>(o.start * 1e6));
  const auto began = Clock::now();
  lastPrint = began;
  const double seekAt = o.playFor > 0 ? std::min(1.0, o.playFor / 2) : 1.0;
  bool sought = !o.seekTo.has_value();
  while (!ended && !stopped) {
    const double elapsed = Seconds(Clock::now() - began);
    if (o.playFor > 0 && elapsed >= o.playFor) break;
    if (!sought && elapsed >= seekAt) {
      sought = true;
      player.Seek(0, true, static_cast<int64_t>(*o.seekTo * 1e6));
    }
    platform::WaitAndProcessMessages(std::chrono::milliseconds(20));
  }

  int rc = 0;
  if (!o.snapshot.empty()) {
    int64_t pts = 0;
    const platform::Bitmap24& picture = player.CaptureFrame(pts);
    if (picture.Empty()) {
      std::cerr << "vvc-cli: no picture to write to " << o.snapshot << "\n";
      rc = 1;
    } else if (!WriteBmp(o.snapshot, picture)) {
      std::cerr << "vvc-cli: cannot write " << o.snapshot << "\n";
      rc = 1;
    }
  }
  const int shown = player.FramesShown(), dropped = player.FramesDropped();
  const int64_t position = player.Position();
  player.Stop(true);
  std::printf("shown %d dropped %d position %.3f\n", shown, dropped, position / 1e6);
  return rc;
}

}  // namespace cli
