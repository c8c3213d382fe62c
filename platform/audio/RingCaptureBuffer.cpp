#include "platform/audio/RingCaptureBuffer.h"

RingCaptureBuffer::RingCaptureBuffer(const PcmFormat& format, std::uint32_t bytes)
    : m_format(format), m_ring(bytes, format.BlockAlign(), format.bits == 8 ? 128 : 0) {}

bool RingCaptureBuffer::SetNotificationPositions(const std::vector<std::uint32_t>& offsets,
                                                 std::function<void()> notify) {
    if (IsCapturing()) {
        m_error = QStringLiteral("Notification positions cannot change while capturing.");
        return false;
    }
    return m_ring.SetNotificationPositions(offsets, std::move(notify), &m_error);
}

bool RingCaptureBuffer::GetReadPosition(std::uint32_t* offset) const {
    if (!offset) return false;
    *offset = m_ring.ReadPosition();
    return true;
}

bool RingCaptureBuffer::Lock(std::uint32_t offset, std::uint32_t bytes, Region* region) {
    if (m_ring.Lock(offset, bytes, region)) return true;
    m_error = QStringLiteral("The region of %1 bytes at %2 does not fit the capture buffer of %3 bytes.")
                  .arg(bytes)
                  .arg(offset)
                  .arg(Size());
    return false;
}
