#pragma once
// A sound card output reached through PortAudio.

#include <memory>

#include "platform/audio/AudioDevice.h"
#include "platform/audio/PortAudioSession.h"

class PortAudioOutputDevice final : public AudioOutputDevice {
public:
    PortAudioOutputDevice(std::shared_ptr<PortAudioSession> session, int index);

    QString Name() const override { return m_name; }
    bool SupportsFormat(const PcmFormat& format) const override;
    std::unique_ptr<PlaybackBuffer> CreatePlaybackBuffer(const PcmFormat& format,
                                                         std::vector<std::uint8_t> data,
                                                         QString* error) override;

private:
    std::shared_ptr<PortAudioSession> m_session;
    int m_index;
    QString m_name;
};
