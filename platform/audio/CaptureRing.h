#pragma once
// The looping store behind every capture buffer: the device's thread writes into it round and
// round and fires the notification positions it passes; the reader asks where the complete data
// ends and locks a region of it. The two sides share only the atomic write counter, so the
// device's thread never waits for the reader and never allocates.

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <vector>

#include "platform/audio/AudioDevice.h"

class CaptureRing {
public:
    // bytes: the size of the loop, a whole number of frames of blockAlign bytes; it starts out
    // filled with the silence byte (128 for 8-bit data, 0 for 16-bit).
    CaptureRing(std::uint32_t bytes, std::uint32_t blockAlign, std::uint8_t silence);

    std::uint32_t Size() const { return static_cast<std::uint32_t>(m_data.size()); }
    std::uint32_t BlockAlign() const { return m_blockAlign; }

    // Reader side. Notification positions may change only while the writer is idle.
    bool SetNotificationPositions(const std::vector<std::uint32_t>& offsets, std::function<void()> notify,
                                  QString* error);
    // The offset (within the loop) up to which the data is complete.
    std::uint32_t ReadPosition() const { return static_cast<std::uint32_t>(Written() % Size()); }
    bool Lock(std::uint32_t offset, std::uint32_t bytes, CaptureBuffer::Region* region) const;

    // Writer side (one thread at a time).
    // Bytes written since creation; the loop offset of the next byte is Written() % Size().
    std::uint64_t Written() const { return m_written.load(std::memory_order_acquire); }
    // Where the next bytes go and how many fit before the loop wraps.
    std::uint8_t* WritePointer(std::uint32_t* contiguous);
    // Publishes bytes written at WritePointer (at most the contiguous count) and fires the
    // notifications of the offsets they cover, in order.
    void Commit(std::uint32_t bytes);
    // Copies bytes in, wrapping as needed.
    void Write(const std::uint8_t* source, std::uint32_t bytes);
    // Moves the write position on without writing or notifying: used when the writer fell so far
    // behind that these bytes would be overwritten before anyone could read them.
    void Skip(std::uint64_t bytes);

private:
    std::vector<std::uint8_t> m_data;
    std::uint32_t m_blockAlign;
    std::vector<std::uint32_t> m_offsets;  // sorted, each < Size()
    std::function<void()> m_notify;
    std::atomic<std::uint64_t> m_written{0};
};
