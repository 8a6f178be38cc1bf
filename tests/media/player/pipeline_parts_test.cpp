// The pipeline's parts that work without a file: packet queues, the event
// queue, the clocks, the frame schedule and skipping, and the seek order.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <limits>
#include <ostream>
#include <thread>
#include <vector>

#include "media/binding/entry_table.h"
#include "media/player/clocks.h"
#include "media/player/frame_timing.h"
#include "media/player/packet_queue.h"
#include "media/player/player_event_queue.h"
#include "media/player/seek_fallback.h"
#include "tests/support/real_libraries.h"

namespace {

using namespace media;

class PacketQueueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testsupport::LoadRealLibraries();
    packet = lib::av_packet_alloc();
  }
  void TearDown() override { lib::av_packet_free(&packet); }

  void PutData(int size, int stream) {
    ASSERT_EQ(lib::av_new_packet(packet, size), 0);
    packet->stream_index = stream;
    ASSERT_EQ(queue.Put(packet), 0);
    EXPECT_EQ(packet->data, nullptr) << "the queue takes the data over";
  }

  TPacketQueue queue;
  AVPacket* packet = nullptr;
};

TEST_F(PacketQueueTest, KeepsOrderSizesAndSerialsAcrossFlushMarkers) {
  PutData(100, 1);
  queue.PutFlush();
  PutData(200, 2);
  lib::av_packet_unref(packet);
  ASSERT_EQ(queue.Put(packet), 0);  // an empty packet (end of input) is queued as well
  EXPECT_EQ(queue.Count(), 4);
  EXPECT_EQ(queue.Size(), 300 + 4 * TPacketQueue::kEntryOverhead);
  EXPECT_EQ(queue.Serial(), 1);

  struct Expected {
    bool flush;
    int size;
    int stream;
    int serial;
  } expected[] = {{false, 100, 1, 0}, {true, 0, -1, 1}, {false, 200, 2, 1}, {false, 0, 0, 1}};
  for (const auto& e : expected) {
    bool flush = false;
    int serial = -1;
    ASSERT_EQ(queue.Get(packet, false, &flush, &serial), 1);
    EXPECT_EQ(flush, e.flush);
    EXPECT_EQ(serial, e.serial);
    if (!e.flush) {
      EXPECT_EQ(packet->size, e.size);
      EXPECT_EQ(packet->stream_index, e.stream);
    }
    lib::av_packet_unref(packet);
  }
  bool flush = false;
  EXPECT_EQ(queue.Get(packet, false, &flush), 0) << "empty and not blocking";
  EXPECT_EQ(queue.Size(), 0);
}

TEST_F(PacketQueueTest, FlushDropsEverythingButKeepsTheAbortFlag) {
  PutData(50, 0);
  PutData(60, 0);
  queue.Flush();
  EXPECT_EQ(queue.Count(), 0);
  EXPECT_EQ(queue.Size(), 0);
  EXPECT_FALSE(queue.Aborted());
  queue.Abort();
  queue.Flush();
  EXPECT_TRUE(queue.Aborted());
}

TEST_F(PacketQueueTest, AbortWakesABlockedConsumerAndStartReopens) {
  int result = 0;
  std::thread consumer([&] {
    AVPacket* p = lib::av_packet_alloc();
    bool flush = false;
    result = queue.Get(p, true, &flush);
    lib::av_packet_free(&p);
  });
  std::this_thread::sleep_for(std::chrono::milliseconds(50));
  queue.Abort();
  consumer.join();
  EXPECT_EQ(result, -1);

  PutData(10, 0);
  bool flush = false;
  EXPECT_EQ(queue.Get(packet, false, &flush), -1) << "an aborted queue gives nothing";
  queue.Start();
  EXPECT_EQ(queue.Count(), 0) << "Start empties the queue";
  PutData(10, 0);
  EXPECT_EQ(queue.Get(packet, true, &flush), 1);
}

TEST(PlayerEventQueueTest, SameKindCoalescesOtherKindsQueue) {
  TPlayerEventQueue q;
  for (int i = 1; i <= 5; ++i) q.Push({pePosition, psPlay, i});
  TPlayerEvent e;
  ASSERT_TRUE(q.Pop(e));
  EXPECT_EQ(e.TimeStamp, 5) << "a busy receiver gets the latest position only";
  EXPECT_FALSE(q.Pop(e));

  q.Push({pePosition, psPlay, 1});
  q.Push({peState, psPause, 0});
  q.Push({pePosition, psPlay, 2});
  std::vector<TPlayerEventKind> kinds;
  while (q.Pop(e)) kinds.push_back(e.Kind);
  EXPECT_EQ(kinds, (std::vector<TPlayerEventKind>{pePosition, peState, pePosition}));

  q.Push({peState, psPause, 0});
  q.Push({peState, psStop, 0});
  ASSERT_TRUE(q.Pop(e));
  EXPECT_EQ(e.State, psStop);
}

TEST(PlayerEventQueueTest, FullRingDropsTheOldest) {
  TPlayerEventQueue q;
  for (int i = 0; i < 12; ++i) q.Push({i % 2 ? peState : pePosition, psPlay, i});
  std::vector<int64_t> stamps;
  TPlayerEvent e;
  while (q.Pop(e)) stamps.push_back(e.TimeStamp);
  ASSERT_EQ(stamps.size(), 9u);  // ten slots, one of them always free
  EXPECT_EQ(stamps.front(), 3);
  EXPECT_EQ(stamps.back(), 11);
}

TEST(ClocksTest, AudioVideoAndMasterClocks) {
  // One second of stereo 16-bit at 44.1 kHz still in the buffer.
  EXPECT_DOUBLE_EQ(AudioClockAt(10.0, 44100 * 4, 44100, 2), 9.0);
  EXPECT_DOUBLE_EQ(AudioClockAt(10.0, 4000, 0, 2), 10.0);
  EXPECT_DOUBLE_EQ(VideoClockAt(true, 3.0, 0.5, 100.0, 1.0), 3.0);
  EXPECT_DOUBLE_EQ(VideoClockAt(false, 3.0, 0.5, 100.0, 1.0), 100.5);
  EXPECT_DOUBLE_EQ(VideoClockAt(false, 3.0, 0.0, 100.0, 1.0), 1.0) << "nothing shown yet";
  EXPECT_DOUBLE_EQ(ExternalClockAt(5.0, 100.0, 102.5), 7.5);
  EXPECT_EQ(MasterClockSource(ckAudio, true, true), ckAudio);
  EXPECT_EQ(MasterClockSource(ckAudio, false, true), ckVideo);
  EXPECT_EQ(MasterClockSource(ckVideo, true, false), ckAudio);
  EXPECT_EQ(MasterClockSource(ckExternal, true, true), ckExternal);
}

TEST(FrameTimerTest, DelaysFollowTimeStampsAndKeepTheLastForJumps) {
  TFrameTimer t;
  t.Reset(100.0);
  EXPECT_DOUBLE_EQ(t.Target(0.00, false, 0, 0), 100.0) << "first picture after a flush: now";
  EXPECT_NEAR(t.Target(0.04, false, 0, 0), 100.04, 1e-9);
  EXPECT_NEAR(t.Target(20.0, false, 0, 0), 100.08, 1e-9) << "a jump of 10 s or more";
  EXPECT_NEAR(t.Target(19.0, false, 0, 0), 100.12, 1e-9) << "going back";
  EXPECT_NEAR(t.Target(19.04, false, 0, 0), 100.16, 1e-9);
}

struct SyncCase {
  double videoClock, masterClock, delay, expectedDelay;
};
void PrintTo(const SyncCase& c, std::ostream* os) {
  *os << "video " << c.videoClock << " master " << c.masterClock << " delay " << c.delay;
}
class FrameSyncTest : public ::testing::TestWithParam<SyncCase> {};

TEST_P(FrameSyncTest, CorrectsTowardsTheMasterClock) {
  const SyncCase& c = GetParam();
  TFrameTimer t;
  t.Reset(0);
  t.Target(1.0, false, 0, 0);
  EXPECT_NEAR(t.Target(1.0 + c.delay, true, c.videoClock, c.masterClock), c.expectedDelay, 1e-9);
}

INSTANTIATE_TEST_SUITE_P(Cases, FrameSyncTest,
                         ::testing::Values(SyncCase{1.0, 1.2, 0.04, 0.0},    // behind: at once
                                           SyncCase{1.2, 1.0, 0.04, 0.08},   // ahead: twice
                                           SyncCase{1.02, 1.0, 0.04, 0.04},  // within the delay
                                           SyncCase{21.0, 1.0, 0.04, 0.04},  // 10 s off: left alone
                                           SyncCase{1.008, 1.0, 0.005, 0.005},  // 0.01 s at least
                                           SyncCase{1.011, 1.0, 0.005, 0.01}));

TEST(FrameSkipperTest, KeepsOneInRatioAndRelaxesToAFloor) {
  TFrameSkipper s;
  int kept = 0;
  for (int i = 0; i < 100; ++i) kept += s.Keep();
  EXPECT_EQ(kept, 100);
  for (int i = 0; i < 5; ++i) s.Late();  // ratio 1.05^5 = 1.276
  kept = 0;
  for (int i = 0; i < 100; ++i) kept += s.Keep();
  EXPECT_NEAR(kept, 100 / 1.2763, 1.5);
  for (int i = 0; i < 50; ++i) s.Relax();
  EXPECT_FLOAT_EQ(s.Ratio(), 0.95f);
  kept = 0;
  for (int i = 0; i < 100; ++i) kept += s.Keep();
  EXPECT_EQ(kept, 100);
  s.Late();
  s.Reset();
  EXPECT_FLOAT_EQ(s.Ratio(), 1.0f);
}

TEST(SeekFallbackTest, BoundsFollowTheRelativeHint) {
  int64_t min = 0, max = 0;
  SeekBounds(1000, 0, min, max);
  EXPECT_EQ(min, std::numeric_limits<int64_t>::min());
  EXPECT_EQ(max, std::numeric_limits<int64_t>::max());
  SeekBounds(1000, 1, min, max);
  EXPECT_EQ(min, 1001);
  SeekBounds(1000, -5, min, max);
  EXPECT_EQ(max, 1003);
  EXPECT_EQ(min, std::numeric_limits<int64_t>::min());
}

struct FallbackCase {
  int seekFile, seekFrame, seekToggled;  // results of the three calls
  int expectedCalls, expectedResult;
};
void PrintTo(const FallbackCase& c, std::ostream* os) {
  *os << "results " << c.seekFile << " " << c.seekFrame << " " << c.seekToggled;
}
class SeekFallbackOrderTest : public ::testing::TestWithParam<FallbackCase> {};

TEST_P(SeekFallbackOrderTest, TriesBoundedThenPlainThenToggledBackward) {
  const FallbackCase& c = GetParam();
  std::vector<std::pair<std::string, int>> calls;
  TSeekCalls seek;
  seek.SeekFile = [&](int64_t, int64_t target, int64_t, int flags) {
    EXPECT_EQ(target, 5000000);
    calls.emplace_back("file", flags);
    return c.seekFile;
  };
  seek.SeekFrame = [&](int64_t target, int flags) {
    EXPECT_EQ(target, 5000000);
    calls.emplace_back("frame", flags);
    return calls.size() == 2 ? c.seekFrame : c.seekToggled;
  };
  EXPECT_EQ(SeekWithFallbacks(seek, 5000000, 0, 4), c.expectedResult);
  ASSERT_EQ(static_cast<int>(calls.size()), c.expectedCalls);
  EXPECT_EQ(calls[0], (std::pair<std::string, int>{"file", 4}));
  if (c.expectedCalls > 1) {
    EXPECT_EQ(calls[1], (std::pair<std::string, int>{"frame", 4}));
  }
  if (c.expectedCalls > 2) {
    EXPECT_EQ(calls[2], (std::pair<std::string, int>{"frame", 5}));
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, SeekFallbackOrderTest,
                         ::testing::Values(FallbackCase{0, 0, 0, 1, 0},
                                           FallbackCase{-1, 0, 0, 2, 0},
                                           FallbackCase{-1, -1, 0, 3, 0},
                                           FallbackCase{-1, -1, -22, 3, -22}));

}  // namespace
