#include "platform/audio/PortAudioInputDevice.h"

#include "platform/audio/AudioChecks.h"
#include "platform/audio/PortAudioCaptureBuffer.h"

PortAudioInputDevice::PortAudioInputDevice(std::shared_ptr<PortAudioSession> session, int index)
    : m_session(std::move(session)), m_index(index), m_name(m_session->DeviceName(index)) {}

bool PortAudioInputDevice::SupportsFormat(const PcmFormat& format) const {
    return m_session->SupportsFormat(m_index, true, format);
}

std::unique_ptr<CaptureBuffer> PortAudioInputDevice::CreateCaptureBuffer(const PcmFormat& format,
                                                                         std::uint32_t bytes,
                                                                         QString* error) {
    if (!CheckCaptureRequest(format, bytes, m_name, error)) return nullptr;
    QString reason;
    if (!m_session->SupportsFormat(m_index, true, format, &reason)) {
        if (error)
            *error = QStringLiteral("%1 cannot record %2: %3").arg(m_name, DescribeFormat(format), reason);
        return nullptr;
    }
    return PortAudioCaptureBuffer::Open(m_session, m_index, format, bytes, error);
}
