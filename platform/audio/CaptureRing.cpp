#include "platform/audio/CaptureRing.h"

#include <algorithm>
#include <cstring>

CaptureRing::CaptureRing(std::uint32_t bytes, std::uint32_t blockAlign, std::uint8_t silence)
    : m_data(bytes, silence), m_blockAlign(blockAlign) {}

bool CaptureRing::SetNotificationPositions(const std::vector<std::uint32_t>& offsets,
                                           std::function<void()> notify, QString* error) {
    for (std::uint32_t o : offsets) {
        if (o >= Size()) {
            if (error)
                *error =
                    QStringLiteral("The notification position %1 lies beyond the capture buffer of %2 bytes.")
                        .arg(o)
                        .arg(Size());
            return false;
        }
    }
    if (!offsets.empty() && !notify) {
        if (error) *error = QStringLiteral("Notification positions need a function to call.");
        return false;
    }
    m_offsets = offsets;
    std::sort(m_offsets.begin(), m_offsets.end());
    m_notify = std::move(notify);
    return true;
}

bool CaptureRing::Lock(std::uint32_t offset, std::uint32_t bytes, CaptureBuffer::Region* region) const {
    if (!region || bytes == 0 || offset >= Size() || bytes > Size()) return false;
    const std::uint32_t first = std::min(bytes, Size() - offset);
    region->part1 = m_data.data() + offset;
    region->length1 = first;
    region->part2 = first < bytes ? m_data.data() : nullptr;
    region->length2 = bytes - first;
    return true;
}

std::uint8_t* CaptureRing::WritePointer(std::uint32_t* contiguous) {
    const auto at = static_cast<std::uint32_t>(m_written.load(std::memory_order_relaxed) % Size());
    *contiguous = Size() - at;
    return m_data.data() + at;
}

void CaptureRing::Commit(std::uint32_t bytes) {
    const std::uint64_t before = m_written.load(std::memory_order_relaxed);
    const auto from = static_cast<std::uint32_t>(before % Size());
    bytes = std::min(bytes, Size() - from);
    // Published before the notifications fire, so a woken reader finds the data complete.
    m_written.store(before + bytes, std::memory_order_release);
    if (!m_notify) return;
    // The offsets whose byte was written now: those in [from, from + bytes).
    auto it = std::lower_bound(m_offsets.begin(), m_offsets.end(), from);
    for (; it != m_offsets.end() && *it < from + bytes; ++it) m_notify();
}

void CaptureRing::Write(const std::uint8_t* source, std::uint32_t bytes) {
    while (bytes > 0) {
        std::uint32_t room = 0;
        std::uint8_t* to = WritePointer(&room);
        const std::uint32_t n = std::min(bytes, room);
        std::memcpy(to, source, n);
        Commit(n);
        source += n;
        bytes -= n;
    }
}

void CaptureRing::Skip(std::uint64_t bytes) {
    m_written.store(m_written.load(std::memory_order_relaxed) + bytes, std::memory_order_release);
}
