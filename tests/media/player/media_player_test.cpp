// The player on generated clips with SDL's dummy audio driver and the memory
// surface: states and their order, pause, steps, seeks, the end, aspect
// rectangles, the frame hook, the waveform, and bad input.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "media/binding/engine_log.h"
#include "media/player/media_player.h"
#include "media/player/memory_surface.h"
#include "platform/main_thread.h"
#include "tests/support/fixtures.h"
#include "tests/support/media_fixtures.h"
#include "tests/support/player_fixtures.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr int64_t kSecond = 1000000;

class PlayerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ::setenv("SDL_AUDIODRIVER", "dummy", 0);
    testsupport::LoadRealLibraries(PlayerLibraries);
    player.SetOnState([this](TCustomPlayer*, TPlayState s) { states.push_back(s); });
    player.SetOnPosition([this](TCustomPlayer*, int64_t p) { positions.push_back(p); });
    player.SetOnFileOpen(
        [this](TCustomPlayer*, int64_t d, int32_t w, int32_t h, int32_t&, int32_t&) {
          openDuration = d;
          openWidth = w;
          openHeight = h;
        });
  }
  void TearDown() override {
    player.Stop(true);
    EngineLog().SetOnLog(nullptr);
    EngineLog().SetTriggerEventInMainThread(true);
  }

  // Serves the main-thread dispatcher (where the events arrive) until the
  // condition holds or the time is up.
  bool WaitFor(const std::function<bool()>& condition, double seconds) {
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    while (!condition()) {
      if (Clock::now() > deadline) return false;
      platform::WaitAndProcessMessages(10ms);
    }
    return true;
  }
  void Pump(double seconds) {
    WaitFor([] { return false; }, seconds);
  }
  int Count(TPlayState s) const {
    return static_cast<int>(std::count(states.begin(), states.end(), s));
  }
  void OpenOrFail(const std::string& file) {
    ASSERT_TRUE(player.Open(file, &surface)) << player.LastErrMsg();
  }
  // Waits until no new picture has been shown for 0.3 s.
  void WaitUntilStill() {
    for (int last = -1; last != player.FramesShown();) {
      last = player.FramesShown();
      Pump(0.3);
    }
  }

  TMemorySurface surface;  // outlives the player
  TMediaPlayer player;
  std::vector<TPlayState> states;
  std::vector<int64_t> positions;
  int64_t openDuration = -2;
  int32_t openWidth = 0, openHeight = 0;
  // Written by hook and log handlers on the player's threads.
  std::mutex handlerMutex;
  std::vector<int64_t> hookStamps;
  int hookCalls = 0;
  std::vector<std::string> logLines;
};

// The bounding box of the pixels that are not black.
TSurfaceRect LitArea(const platform::Bitmap24& b) {
  int x0 = b.Width(), y0 = b.Height(), x1 = -1, y1 = -1;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const uint8_t* p = b.ScanLine(y) + 3 * x;
      if (std::max({p[0], p[1], p[2]}) > 40) {
        x0 = std::min(x0, x);
        y0 = std::min(y0, y);
        x1 = std::max(x1, x);
        y1 = std::max(y1, y);
      }
    }
  return x1 < 0 ? TSurfaceRect{} : TSurfaceRect{x0, y0, x1 - x0 + 1, y1 - y0 + 1};
}

bool Reddish(const platform::Bitmap24& b, int x, int y) {
  const uint8_t* p = b.ScanLine(y) + 3 * x;
  return p[2] > 200 && p[1] < 70 && p[0] < 70;
}

TEST_F(PlayerTest, OpenPlayStopInOrder) {
  OpenOrFail(testsupport::PlayerClip2s());
  EXPECT_NEAR(openDuration, 2 * kSecond, 100000);
  EXPECT_EQ(openWidth, 320);
  EXPECT_EQ(openHeight, 240);
  EXPECT_TRUE(player.FileOpen());
  EXPECT_EQ(player.Probe().VideoStreamCount(), 1) << "the probe follows the playing file";
  ASSERT_TRUE(WaitFor([&] { return !positions.empty(); }, 5));
  EXPECT_FALSE(player.Paused());
  player.Stop(true);
  EXPECT_FALSE(player.FileOpen());
  EXPECT_TRUE(player.Paused());
  Pump(0.1);
  ASSERT_FALSE(states.empty());
  EXPECT_EQ(states.front(), psPlay);
  EXPECT_EQ(states.back(), psStop);
  EXPECT_EQ(Count(psStop), 1);
  EXPECT_TRUE(surface.Closed());
}

struct EndCase {
  const char* name;
  std::string (*file)();
};
void PrintTo(const EndCase& c, std::ostream* os) {
  *os << c.name;
}
class PlayerEndTest : public PlayerTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(PlayerEndTest, ReachesTheEndAndReportsTheDuration) {
  OpenOrFail(GetParam().file());
  ASSERT_TRUE(WaitFor([&] { return Count(psEnd) > 0; }, 8)) << "no psEnd";
  ASSERT_FALSE(positions.empty());
  Pump(0.3);
  EXPECT_EQ(positions.back(), openDuration) << "the last position is the duration";
  EXPECT_GE(player.FramesShown(), 30);
  player.Stop(true);
  Pump(0.1);
  EXPECT_EQ(states.back(), psStop);
}

INSTANTIATE_TEST_SUITE_P(Clips, PlayerEndTest,
                         ::testing::Values(EndCase{"Mp4", testsupport::PlayerClip2s},
                                           EndCase{"MkvWithSubtitle", testsupport::MkvWithSubtitle},
                                           EndCase{"AviMpeg4Mp3", testsupport::AviMpeg4Mp3}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, StopWithoutWaitingEndsThroughThePlayThread) {
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return !positions.empty(); }, 5));
  player.Pause();
  player.Stop(false);
  ASSERT_TRUE(WaitFor([&] { return Count(psStop) == 1; }, 5));
  EXPECT_FALSE(player.FileOpen());
  EXPECT_EQ(states, (std::vector<TPlayState>{psPlay, psPause, psStop}));
}

TEST_F(PlayerTest, StopFromTheEndHandlerDoesNotWaitForItself) {
  player.SetOnState([this](TCustomPlayer* sender, TPlayState s) {
    states.push_back(s);
    if (s == psEnd) sender->Stop(true);  // inside a delivery in the main thread
  });
  OpenOrFail(testsupport::PlayerClip2s());
  ASSERT_TRUE(WaitFor([&] { return Count(psStop) == 1; }, 8));
  EXPECT_FALSE(player.FileOpen());
  OpenOrFail(testsupport::PlayerClip2s());  // and the player is usable again
  ASSERT_TRUE(WaitFor([&] { return Count(psPlay) == 2; }, 5));
}

TEST_F(PlayerTest, EventsOnTheEventThreadWhenNotInTheMainThread) {
  std::thread::id stateThread;
  player.SetTriggerEventInMainThread(false);
  player.SetOnState([&](TCustomPlayer*, TPlayState s) {
    std::lock_guard lock(handlerMutex);
    stateThread = std::this_thread::get_id();
    states.push_back(s);
  });
  OpenOrFail(testsupport::PlayerClip2s());
  ASSERT_TRUE(WaitFor(
      [&] {
        std::lock_guard lock(handlerMutex);
        return !states.empty();
      },
      5));
  player.Stop(true);
  std::lock_guard lock(handlerMutex);
  EXPECT_NE(stateThread, std::this_thread::get_id());
  EXPECT_EQ(states.back(), psStop);
}

TEST_F(PlayerTest, PauseTwiceSendsOnePauseAndStopsThePicture) {
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond / 2; }, 5));
  player.Resume();  // not paused: nothing
  player.Pause();
  player.Pause();
  EXPECT_TRUE(player.Paused());
  WaitUntilStill();
  const int shown = player.FramesShown();
  const int64_t position = player.Position();
  Pump(0.5);
  EXPECT_EQ(player.FramesShown(), shown);
  EXPECT_NEAR(player.Position(), position, 20000);
  player.Resume();
  ASSERT_TRUE(WaitFor([&] { return player.FramesShown() > shown + 5; }, 3));
  EXPECT_GT(player.Position(), position);
  EXPECT_EQ(states, (std::vector<TPlayState>{psPlay, psPause, psResume}));
}

TEST_F(PlayerTest, ThreeStepsShowThreeFramesAndOneStepState) {
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return player.FramesShown() >= 10; }, 5));
  player.Pause();
  WaitUntilStill();
  const int base = player.FramesShown();
  platform::Bitmap24 before = surface.Screen();
  for (int i = 1; i <= 3; ++i) {
    player.StepNextFrame();
    ASSERT_TRUE(WaitFor([&] { return player.FramesShown() >= base + i; }, 3)) << "step " << i;
    EXPECT_TRUE(WaitFor([&] { return player.Paused(); }, 1));
    const platform::Bitmap24 after = surface.Screen();
    EXPECT_NE(std::vector<uint8_t>(after.Bits(), after.Bits() + after.ByteSize()),
              std::vector<uint8_t>(before.Bits(), before.Bits() + before.ByteSize()))
        << "step " << i << " shows a new picture";
    before = after;
  }
  Pump(0.5);
  EXPECT_EQ(player.FramesShown(), base + 3);
  EXPECT_EQ(states, (std::vector<TPlayState>{psPlay, psPause, psStep}));
  player.Resume();
  ASSERT_TRUE(WaitFor([&] { return player.FramesShown() > base + 6; }, 3)) << "plays on";
}

TEST_F(PlayerTest, SeekReportsPositionsFromTheTarget) {
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond / 2; }, 5));
  player.Seek(0, true, 5 * kSecond);
  Pump(0.2);
  positions.clear();
  ASSERT_TRUE(WaitFor([&] { return positions.size() >= 5; }, 3));
  for (int64_t p : positions) {
    EXPECT_GE(p, 49 * kSecond / 10);
    EXPECT_LT(p, 65 * kSecond / 10);
  }
  EXPECT_EQ(Count(psPause), 0) << "a seek does not change the state";

  player.Seek(0, true, 100 * kSecond);  // beyond the end: the end
  ASSERT_TRUE(WaitFor([&] { return Count(psEnd) > 0; }, 4));
  EXPECT_GE(player.Position(), 9 * kSecond);
}

TEST_F(PlayerTest, ByteSeekPassesTheOffsetOn) {
  const std::string file = testsupport::TransportStream();
  OpenOrFail(file);
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond / 2; }, 5));
  const int64_t size = static_cast<int64_t>(std::filesystem::file_size(file));
  player.Seek(2, true, size / 2);  // the byte flag: an offset, not a time
  Pump(0.3);
  positions.clear();
  ASSERT_TRUE(WaitFor([&] { return positions.size() >= 3; }, 3));
  EXPECT_NEAR(static_cast<double>(positions.front()), 5.0 * kSecond, 1.5 * kSecond);
}

TEST_F(PlayerTest, SeekWhilePausedShowsTheNewPicture) {
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond / 2; }, 5));
  player.Pause();
  WaitUntilStill();
  int64_t pts = 0;
  player.CaptureFrame(pts);
  EXPECT_LT(pts, 3 * kSecond);
  player.Seek(0, true, 5 * kSecond);
  ASSERT_TRUE(WaitFor(
      [&] {
        player.CaptureFrame(pts);
        return pts >= 49 * kSecond / 10;
      },
      3));
  EXPECT_LT(pts, 55 * kSecond / 10);
  EXPECT_TRUE(player.Paused());
  const int shown = player.FramesShown();
  Pump(0.5);
  EXPECT_EQ(player.FramesShown(), shown) << "still paused after the new picture";
}

TEST_F(PlayerTest, PositionAdvancesAtRealTimeSpeed) {
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond / 2; }, 5));
  const auto start = Clock::now();
  const int64_t from = player.Position();
  Pump(3.0);
  const double wall = std::chrono::duration<double>(Clock::now() - start).count();
  const double played = (player.Position() - from) / 1e6;
  EXPECT_NEAR(played, wall, 0.5);
}

struct AspectCase {
  const char* name;
  float aspect;
  int screenWidth, screenHeight;
  TSurfaceRect expected;
};
void PrintTo(const AspectCase& c, std::ostream* os) {
  *os << c.name;
}
class PlayerAspectTest : public PlayerTest, public ::testing::WithParamInterface<AspectCase> {};

TEST_P(PlayerAspectTest, PictureLandsInTheRectangle) {
  const AspectCase& c = GetParam();
  player.SetScreenWidth(c.screenWidth);
  player.SetScreenHeight(c.screenHeight);
  player.SetAspectRatio(c.aspect);
  OpenOrFail(testsupport::AspectClip());
  ASSERT_TRUE(WaitFor([&] { return surface.PictureCount() >= 3; }, 5));
  player.Pause();
  WaitUntilStill();
  const int areaWidth = c.screenWidth > 0 ? c.screenWidth : 720;
  const int areaHeight = c.screenHeight > 0 ? c.screenHeight : 576;
  EXPECT_EQ(surface.Width(), areaWidth);
  EXPECT_EQ(surface.Height(), areaHeight);
  EXPECT_EQ(surface.LastPictureRect(), c.expected);
  EXPECT_EQ(LitArea(surface.Screen()), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlayerAspectTest,
    ::testing::Values(AspectCase{"Forced16by9In400x300", 16.0f / 9, 400, 300, {0, 38, 400, 224}},
                      AspectCase{"OwnPixelAspect16by15", 0, 0, 0, {0, 18, 720, 540}},
                      AspectCase{"FillTheWindow", -1, 400, 300, {0, 0, 400, 300}},
                      AspectCase{"OwnAspectInAWideWindow", 0, 500, 300, {50, 0, 400, 300}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, FileOpenHandlerOrHostChoosesTheDrawingSize) {
  player.SetOnFileOpen([](TCustomPlayer*, int64_t, int32_t, int32_t, int32_t& w, int32_t& h) {
    w = 400;
    h = 300;
  });
  OpenOrFail(testsupport::PlayerClip2s());
  ASSERT_TRUE(WaitFor([&] { return surface.PictureCount() > 0; }, 5));
  EXPECT_EQ(surface.Width(), 400);
  EXPECT_EQ(surface.Height(), 300);
  player.Stop(true);

  player.SetOnFileOpen(nullptr);
  player.SetScreenWidth(0);
  player.SetScreenHeight(0);
  surface.SetHostSize(500, 250);
  OpenOrFail(testsupport::PlayerClip2s());
  const int before = surface.PictureCount();
  ASSERT_TRUE(WaitFor([&] { return surface.PictureCount() > before + 2; }, 5));
  EXPECT_EQ(surface.Width(), 500);
  EXPECT_EQ(surface.Height(), 250);
  EXPECT_EQ(player.ScreenWidth(), 500);
  EXPECT_EQ(surface.LastPictureRect(), (TSurfaceRect{84, 0, 332, 250}));
}

TEST_F(PlayerTest, AspectChangeWhilePausedRedrawsAtOnce) {
  player.SetScreenWidth(400);
  player.SetScreenHeight(300);
  OpenOrFail(testsupport::AspectClip());
  ASSERT_TRUE(WaitFor([&] { return surface.PictureCount() >= 3; }, 5));
  player.Pause();
  WaitUntilStill();
  EXPECT_EQ(surface.LastPictureRect(), (TSurfaceRect{0, 0, 400, 300}));
  player.SetAspectRatio(16.0f / 9);
  ASSERT_TRUE(WaitFor(
      [&] {
        return surface.LastPictureRect() == TSurfaceRect{0, 38, 400, 224};
      },
      2));
  EXPECT_EQ(LitArea(surface.Screen()), (TSurfaceRect{0, 38, 400, 224}));
}

TEST_F(PlayerTest, HookSquareAppearsOnScreenAndInCaptureFrame) {
  player.SetHook(true);
  player.SetOnHook([&](TCustomPlayer*, platform::Bitmap24& bitmap, int64_t pts) {
    for (int y = 16; y < 80; ++y)
      for (int x = 16; x < 80; ++x) {
        uint8_t* p = bitmap.ScanLine(y) + 3 * x;
        p[0] = 0;
        p[1] = 0;
        p[2] = 255;
      }
    std::lock_guard lock(handlerMutex);
    hookStamps.push_back(pts);
  });
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return player.FramesShown() >= 5; }, 5));
  player.Pause();
  WaitUntilStill();
  const platform::Bitmap24 screen = surface.Screen();
  EXPECT_TRUE(Reddish(screen, 48, 48));
  EXPECT_TRUE(Reddish(screen, 20, 75));
  EXPECT_FALSE(Reddish(screen, 160, 120));
  int64_t pts = 0;
  const platform::Bitmap24& captured = player.CaptureFrame(pts);
  ASSERT_EQ(captured.Width(), 320);
  ASSERT_EQ(captured.Height(), 240);
  EXPECT_TRUE(Reddish(captured, 48, 48));
  EXPECT_FALSE(Reddish(captured, 160, 120));
  std::lock_guard lock(handlerMutex);
  ASSERT_GE(hookStamps.size(), 5u);
  EXPECT_TRUE(std::is_sorted(hookStamps.begin(), hookStamps.end()));
  EXPECT_EQ(hookStamps.front(), 0);
  EXPECT_NE(std::find(hookStamps.begin(), hookStamps.end(), pts), hookStamps.end())
      << "the captured picture is one the hook saw";
}

TEST_F(PlayerTest, HookThatThrowsLeavesThePictureAndIsCalledAgain) {
  EngineLog().SetTriggerEventInMainThread(false);
  EngineLog().SetOnLog([&](TMediaComponent* sender, uint32_t, TLogLevel, const std::string& m) {
    std::lock_guard lock(handlerMutex);
    if (sender == &player) logLines.push_back(m);
  });
  player.SetHook(true);
  player.SetOnHook([&](TCustomPlayer*, platform::Bitmap24& bitmap, int64_t) {
    for (int y = 16; y < 80; ++y)
      for (int x = 16; x < 80; ++x) bitmap.ScanLine(y)[3 * x + 2] = 255;
    std::lock_guard lock(handlerMutex);
    ++hookCalls;
    throw std::runtime_error("boom");
  });
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return player.FramesShown() >= 5; }, 5));
  player.Pause();
  WaitUntilStill();
  EXPECT_FALSE(Reddish(surface.Screen(), 48, 48));
  player.Stop(true);
  std::lock_guard lock(handlerMutex);
  EXPECT_GE(hookCalls, 5);
  EXPECT_NE(std::find(logLines.begin(), logLines.end(), "Error occurs OnHook: boom"),
            logLines.end());
}

TEST_F(PlayerTest, AudioOnlyShowsTheWaveformAndAudioPositions) {
  OpenOrFail(testsupport::StereoTone());
  EXPECT_EQ(openWidth, -1);
  EXPECT_EQ(openHeight, -1);
  int64_t pts = 0;
  const platform::Bitmap24& none = player.CaptureFrame(pts);
  EXPECT_EQ(none.Width(), 0);
  EXPECT_EQ(pts, -1);
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond; }, 5));
  ASSERT_EQ(surface.Width(), 640);
  ASSERT_EQ(surface.Height(), 480);
  const platform::Bitmap24 screen = surface.Screen();
  auto white = [&](int x, int y) { return screen.ScanLine(y)[3 * x] == 255; };
  int separators = 0;
  for (int y = 0; y < 480; ++y) {
    bool line = true;
    for (int x = 0; x < 640 && line; ++x) line = white(x, y);
    separators += line;
  }
  EXPECT_EQ(separators, 1);
  EXPECT_TRUE(white(0, 240) && white(639, 240));
  int waveColumns[2] = {0, 0};  // columns with a bar at the centre lines of the two bands
  for (int x = 0; x < 640; ++x) {
    waveColumns[0] += white(x, 120) || white(x, 119);
    waveColumns[1] += white(x, 360) || white(x, 359);
  }
  EXPECT_GT(waveColumns[0], 300);
  EXPECT_GT(waveColumns[1], 300);
  EXPECT_FALSE(white(320, 20));
  EXPECT_FALSE(white(320, 460));

  ASSERT_TRUE(WaitFor([&] { return Count(psEnd) > 0; }, 5));
  Pump(0.2);
  EXPECT_GE(Count(psEnd), 1);
  EXPECT_EQ(positions.back(), openDuration);
  ASSERT_GE(positions.size(), 10u);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
}

struct SoundCase {
  const char* name;
  int volume;
  bool mute;
  int minPeak, maxPeak;  // of the 16-bit samples written
};
void PrintTo(const SoundCase& c, std::ostream* os) {
  *os << c.name;
}
class PlayerSoundTest : public PlayerTest, public ::testing::WithParamInterface<SoundCase> {};

// SDL's disk driver writes what the callback mixed into a file.
TEST_P(PlayerSoundTest, VolumeAndMuteReachTheDevice) {
  const SoundCase& c = GetParam();
  const std::string output = testsupport::TempFolder("sound") + "/out.raw";
  ::setenv("SDL_AUDIODRIVER", "disk", 1);
  ::setenv("SDL_DISKAUDIOFILE", output.c_str(), 1);
  player.SetAudioVolume(c.volume);
  player.SetMute(c.mute);
  // A sine of amplitude 1/8 made stereo at 1/sqrt(2) each: peaks of 2,896.
  OpenOrFail(testsupport::StereoTone());
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond; }, 5));
  player.Stop(true);
  std::ifstream in(output, std::ios::binary);
  const std::string data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(data.size(), 44100u * 4 / 2) << "half a second of sound at least";
  int peak = 0;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    const auto sample = static_cast<int16_t>(static_cast<uint8_t>(data[i]) |
                                             static_cast<uint8_t>(data[i + 1]) << 8);
    peak = std::max(peak, std::abs(static_cast<int>(sample)));
  }
  EXPECT_GE(peak, c.minPeak);
  EXPECT_LE(peak, c.maxPeak);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlayerSoundTest,
                         ::testing::Values(SoundCase{"FullVolume", 128, false, 2880, 2910},
                                           SoundCase{"HalfVolume", 64, false, 1440, 1455},
                                           SoundCase{"Silent", 0, false, 0, 0},
                                           SoundCase{"Muted", 128, true, 0, 0}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, DisableDisplayDrawsNothingAndDisablesVideo) {
  player.SetDisableDisplay(true);
  OpenOrFail(testsupport::PlayerClip2s());
  EXPECT_TRUE(player.DisableVideo());
  EXPECT_EQ(openWidth, -1);
  ASSERT_TRUE(WaitFor([&] { return player.Position() > kSecond / 2; }, 5));
  EXPECT_EQ(surface.OpenCount(), 0);
  EXPECT_EQ(surface.PictureCount(), 0);
  player.Stop(true);
  player.SetDisableDisplay(false);
  OpenOrFail(testsupport::PlayerClip2s());
  EXPECT_TRUE(player.DisableVideo()) << "the property keeps the value";
}

TEST_F(PlayerTest, OpenWhilePlayingStopsTheOldFileFirst) {
  OpenOrFail(testsupport::PlayerClip10s());
  ASSERT_TRUE(WaitFor([&] { return Count(psPlay) == 1; }, 5));
  OpenOrFail(testsupport::PlayerClip2s());
  ASSERT_TRUE(WaitFor([&] { return Count(psPlay) == 2; }, 5));
  EXPECT_EQ(states, (std::vector<TPlayState>{psPlay, psStop, psPlay}));
  EXPECT_NEAR(openDuration, 2 * kSecond, 100000);
}

TEST_F(PlayerTest, OnlyOnePlayerPlaysAtATime) {
  OpenOrFail(testsupport::PlayerClip2s());
  TMediaPlayer second;
  EXPECT_FALSE(second.Open(testsupport::PlayerClip2s(), &surface));
  EXPECT_EQ(second.LastErrMsg(), "Only one player can play at a time.");
  ASSERT_TRUE(WaitFor([&] { return !positions.empty(); }, 5)) << "the first one plays on";
}

struct FailureCase {
  const char* name;
  std::string (*file)();
  std::string text;  // after "<file>: "
};
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << c.name;
}
class PlayerOpenFailureTest : public PlayerTest,
                              public ::testing::WithParamInterface<FailureCase> {};

std::string MissingFile() {
  return testsupport::TempFolder("missing") + "/none.mp4";
}

TEST_P(PlayerOpenFailureTest, FailsWithTheReasonAndStaysUsable) {
  const std::string file = GetParam().file();
  EXPECT_FALSE(player.Open(file, &surface));
  EXPECT_EQ(player.LastErrMsg(), file + ": " + GetParam().text);
  EXPECT_FALSE(player.FileOpen());
  EXPECT_TRUE(player.Paused());
  OpenOrFail(testsupport::PlayerClip2s());
  ASSERT_TRUE(WaitFor([&] { return !positions.empty(); }, 5));
}

INSTANTIATE_TEST_SUITE_P(Cases, PlayerOpenFailureTest,
                         ::testing::Values(FailureCase{"NoStreamToPlay", testsupport::SubtitleOnly,
                                                       "could not open codecs, no stream to play."},
                                           FailureCase{"NotMedia", testsupport::TextFile,
                                                       "Invalid data found when processing input"},
                                           FailureCase{"Missing", MissingFile,
                                                       "No such file or directory"}),
                         [](const auto& info) { return std::string(info.param.name); });

class PlayerBadInputTest : public PlayerTest, public ::testing::WithParamInterface<EndCase> {};

TEST_P(PlayerBadInputTest, PlaysWhatItCanThenEndsOrFailsCleanly) {
  const std::string file = GetParam().file();
  if (!player.Open(file, &surface)) {
    EXPECT_FALSE(player.LastErrMsg().empty());
    return;
  }
  ASSERT_TRUE(WaitFor([&] { return Count(psEnd) > 0; }, 15)) << "no psEnd";
  player.Stop(true);
  Pump(0.1);
  EXPECT_EQ(states.back(), psStop);
}

INSTANTIATE_TEST_SUITE_P(
    Files, PlayerBadInputTest,
    ::testing::Values(EndCase{"TruncatedTs", testsupport::TruncatedTransportStream},
                      EndCase{"CorruptedTs", testsupport::CorruptedTransportStream},
                      EndCase{"TruncatedMp4", testsupport::TruncatedMp4}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PlayerTest, StopReturnsWhileTheReadThreadIsBlocked) {
  testsupport::StallingServer server(testsupport::TransportStream());
  OpenOrFail(server.Url());
  ASSERT_TRUE(WaitFor([&] { return server.AllSent(); }, 10));
  Pump(1.5);  // the read thread has read everything and waits for more
  ASSERT_TRUE(player.FileOpen());
  const auto start = Clock::now();
  player.Stop(true);
  EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 10.0);
  EXPECT_FALSE(player.FileOpen());
  Pump(0.1);
  EXPECT_EQ(states.back(), psStop);
}

TEST_F(PlayerTest, HundredOpenStopCycles) {
  for (int i = 0; i < 100; ++i) {
    ASSERT_TRUE(player.Open(testsupport::PlayerClip2s(), &surface)) << i << player.LastErrMsg();
    if (i % 10 == 0) {
      ASSERT_TRUE(WaitFor([&] { return player.FramesShown() > 0; }, 5));
    }
    player.Stop(true);
  }
  Pump(0.1);
  EXPECT_EQ(Count(psStop), 100);
}

}  // namespace
