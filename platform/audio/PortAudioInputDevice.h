#pragma once
// A sound card input reached through PortAudio.

#include <memory>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/PortAudioSession.h"

class PortAudioInputDevice final : public AudioInputDevice {
public:
    PortAudioInputDevice(std::shared_ptr<PortAudioSession> session, int index);

    QString Name() const override { return m_name; }
    bool SupportsFormat(const PcmFormat& format) const override;
    std::unique_ptr<CaptureBuffer> CreateCaptureBuffer(const PcmFormat& format, std::uint32_t bytes,
                                                       QString* error) override;

private:
    std::shared_ptr<PortAudioSession> m_session;
    int m_index;
    QString m_name;
};
