// A queue of demuxed packets between the read thread (the only producer)
// and one decoder (the only consumer).
//
// Besides packets it carries flush markers: the read thread puts one after
// every seek (and one when the stream opens); the consumer flushes its
// decoder when it takes one. Every marker starts a new serial, and each
// entry carries the serial that was current when it was put, so a consumer
// can tell data from before and after a seek apart without extra flags.
//
// All members are safe to call from any thread; the content, the counters
// and the abort flag are guarded by the queue's own mutex.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

struct AVPacket;

namespace media {

class TPacketQueue {
 public:
  // Bytes a queued entry counts beyond its data (the size bound of the read
  // thread is measured with it).
  static constexpr int kEntryOverhead = 72;

  TPacketQueue() = default;
  ~TPacketQueue();
  TPacketQueue(const TPacketQueue&) = delete;
  TPacketQueue& operator=(const TPacketQueue&) = delete;

  // Empties the queue and clears the abort flag (a queue is reusable).
  void Start();

  // Takes over the packet's data (the packet is left empty). An empty packet
  // (no data, size 0) is queued as it is: it asks the decoder to drain.
  // Returns 0, or -1 when memory runs out (the packet is then unreferenced).
  int Put(AVPacket* packet);
  // Queues a flush marker and starts a new serial.
  void PutFlush();

  // Takes the oldest entry. Returns -1 when the queue was aborted, 0 when it
  // is empty and block is false, 1 when an entry was taken: *flush tells a
  // marker (packet is then left untouched) from a packet (moved into
  // `packet`, which must be empty); *serial receives the entry's serial.
  // With block true it waits until an entry arrives or the queue is aborted.
  int Get(AVPacket* packet, bool block, bool* flush, int* serial = nullptr);

  // Makes every waiting and later Get return -1 until Start.
  void Abort();
  // Drops every entry (the abort flag stays as it is).
  void Flush();

  bool Aborted() const;
  int Count() const;
  // Data bytes of the queued packets plus kEntryOverhead per entry.
  int64_t Size() const;
  // The serial of the latest marker (0 before the first).
  int Serial() const;

 private:
  struct Entry {
    AVPacket* packet;  // owned; null for a flush marker
    int serial;
  };
  void DropAll();  // with mutex_ held

  mutable std::mutex mutex_;
  std::condition_variable arrived_;
  std::deque<Entry> entries_;  // guarded by mutex_
  int64_t size_ = 0;           // guarded by mutex_
  int serial_ = 0;             // guarded by mutex_
  bool aborted_ = false;       // guarded by mutex_
};

}  // namespace media
