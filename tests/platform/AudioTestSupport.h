#pragma once
// Helpers for the sound-device tests: a reader that drains a capture buffer the way the
// program's capture thread does, and sample access.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <vector>

#include "platform/audio/AudioDevice.h"

namespace test {

inline std::int16_t Sample16(const std::uint8_t* p) {
    return static_cast<std::int16_t>(p[0] | (p[1] << 8));
}

inline std::vector<std::int16_t> Samples16(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::int16_t> s(bytes.size() / 2);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = Sample16(bytes.data() + 2 * i);
    return s;
}

inline int ThreadCount() {
    int n = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator("/proc/self/task")) ++n;
    return n;
}

// Sets sixteen notifications at the end of each block, wakes on them and copies readSize bytes
// at a time from where it left off; a region that wraps is joined from its two parts.
class BlockReader {
public:
    using Clock = std::chrono::steady_clock;
    struct Note {
        Clock::time_point time;
        std::uint32_t position;  // the read position when the notification came
    };

    BlockReader(CaptureBuffer& buffer, std::uint32_t block, std::uint32_t readSize)
        : m_buffer(buffer), m_readSize(readSize) {
        std::vector<std::uint32_t> offsets;
        for (std::uint32_t k = 1; k <= 16; ++k) offsets.push_back(k * block - 1);
        notes.reserve(4096);
        EXPECT_TRUE(buffer.SetNotificationPositions(offsets, [this] {
            std::uint32_t position = 0;
            m_buffer.GetReadPosition(&position);
            const std::lock_guard lock(m_mutex);
            if (notes.size() < notes.capacity()) notes.push_back({Clock::now(), position});
            ++m_signals;
            m_wake.notify_one();
        }));
    }

    // The buffer calls this reader until it stops, also when a test ends early.
    ~BlockReader() { m_buffer.Stop(); }
    BlockReader(const BlockReader&) = delete;
    BlockReader& operator=(const BlockReader&) = delete;

    // Reads until at least bytes were collected; false on timeout.
    bool ReadUntil(std::size_t bytes, std::chrono::milliseconds timeout) {
        const auto deadline = Clock::now() + timeout;
        while (data.size() < bytes) {
            {
                std::unique_lock lock(m_mutex);
                if (!m_wake.wait_until(lock, deadline, [this] { return m_signals > m_seen; })) return false;
                m_seen = m_signals;
            }
            while (Pending() >= m_readSize) ReadOnce();
        }
        return true;
    }

    // Bytes written but not read yet.
    std::uint32_t Pending() const {
        std::uint32_t position = 0;
        m_buffer.GetReadPosition(&position);
        return (position + m_buffer.Size() - m_next) % m_buffer.Size();
    }

    std::vector<Note> Notes() {
        const std::lock_guard lock(m_mutex);
        return notes;
    }

    std::vector<std::uint8_t> data;
    int wrappedLocks = 0;

private:
    void ReadOnce() {
        CaptureBuffer::Region r;
        ASSERT_TRUE(m_buffer.Lock(m_next, m_readSize, &r));
        ASSERT_EQ(r.length1 + r.length2, m_readSize);
        data.insert(data.end(), r.part1, r.part1 + r.length1);
        if (r.part2) {
            ++wrappedLocks;
            data.insert(data.end(), r.part2, r.part2 + r.length2);
        }
        m_buffer.Unlock(r);
        m_next = (m_next + m_readSize) % m_buffer.Size();
    }

    CaptureBuffer& m_buffer;
    std::uint32_t m_readSize;
    std::uint32_t m_next = 0;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::uint64_t m_signals = 0, m_seen = 0;
    std::vector<Note> notes;
};

}  // namespace test
