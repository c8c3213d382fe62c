#include "platform/audio/PortAudioOutputDevice.h"

#include "platform/audio/AudioChecks.h"
#include "platform/audio/PortAudioPlaybackBuffer.h"

PortAudioOutputDevice::PortAudioOutputDevice(std::shared_ptr<PortAudioSession> session, int index)
    : m_session(std::move(session)), m_index(index), m_name(m_session->DeviceName(index)) {}

bool PortAudioOutputDevice::SupportsFormat(const PcmFormat& format) const {
    return m_session->SupportsFormat(m_index, false, format);
}

std::unique_ptr<PlaybackBuffer> PortAudioOutputDevice::CreatePlaybackBuffer(const PcmFormat& format,
                                                                            std::vector<std::uint8_t> data,
                                                                            QString* error) {
    if (!PreparePlaybackData(format, data, m_name, error)) return nullptr;
    QString reason;
    // The stream opens only on Play; asking now makes an unplayable format fail here, where it is explained.
    if (!m_session->SupportsFormat(m_index, false, format, &reason)) {
        if (error)
            *error = QStringLiteral("%1 cannot play %2: %3").arg(m_name, DescribeFormat(format), reason);
        return nullptr;
    }
    return std::make_unique<PortAudioPlaybackBuffer>(m_session, m_index, format, std::move(data));
}
