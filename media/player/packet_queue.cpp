#include "media/player/packet_queue.h"

#include "media/binding/entry_table.h"

namespace media {

TPacketQueue::~TPacketQueue() {
  std::lock_guard lock(mutex_);
  DropAll();
}

void TPacketQueue::DropAll() {
  for (Entry& e : entries_)
    if (e.packet != nullptr) lib::av_packet_free(&e.packet);
  entries_.clear();
  size_ = 0;
}

void TPacketQueue::Start() {
  std::lock_guard lock(mutex_);
  DropAll();
  aborted_ = false;
}

int TPacketQueue::Put(AVPacket* packet) {
  AVPacket* own = lib::av_packet_alloc();
  if (own == nullptr) {
    lib::av_packet_unref(packet);
    return -1;
  }
  lib::av_packet_move_ref(own, packet);
  // Packets from the demuxer normally own their data already; copy the rest
  // so that nothing in the queue points into the demuxer's buffers.
  if (own->data != nullptr && lib::av_packet_make_refcounted(own) < 0) {
    lib::av_packet_free(&own);
    return -1;
  }
  {
    std::lock_guard lock(mutex_);
    entries_.push_back({own, serial_});
    size_ += own->size + kEntryOverhead;
  }
  arrived_.notify_one();
  return 0;
}

void TPacketQueue::PutFlush() {
  {
    std::lock_guard lock(mutex_);
    ++serial_;
    entries_.push_back({nullptr, serial_});
    size_ += kEntryOverhead;
  }
  arrived_.notify_one();
}

int TPacketQueue::Get(AVPacket* packet, bool block, bool* flush, int* serial) {
  std::unique_lock lock(mutex_);
  for (;;) {
    if (aborted_) return -1;
    if (!entries_.empty()) {
      Entry e = entries_.front();
      entries_.pop_front();
      size_ -= (e.packet ? e.packet->size : 0) + kEntryOverhead;
      lock.unlock();
      *flush = e.packet == nullptr;
      if (serial) *serial = e.serial;
      if (e.packet != nullptr) {
        lib::av_packet_move_ref(packet, e.packet);
        lib::av_packet_free(&e.packet);
      }
      return 1;
    }
    if (!block) return 0;
    arrived_.wait(lock);
  }
}

void TPacketQueue::Abort() {
  {
    std::lock_guard lock(mutex_);
    aborted_ = true;
  }
  arrived_.notify_all();
}

void TPacketQueue::Flush() {
  std::lock_guard lock(mutex_);
  DropAll();
}

bool TPacketQueue::Aborted() const {
  std::lock_guard lock(mutex_);
  return aborted_;
}

int TPacketQueue::Count() const {
  std::lock_guard lock(mutex_);
  return static_cast<int>(entries_.size());
}

int64_t TPacketQueue::Size() const {
  std::lock_guard lock(mutex_);
  return size_;
}

int TPacketQueue::Serial() const {
  std::lock_guard lock(mutex_);
  return serial_;
}

}  // namespace media
