#pragma once
// The virtual output "virtual:output": silent, but its buffers play in real time, so playback
// works (and can be tested) without a sound card.

#include "platform/audio/AudioDevice.h"

class VirtualOutputDevice final : public AudioOutputDevice {
public:
    static constexpr const char* kId = "virtual:output";

    static AudioDeviceInfo Info();

    QString Name() const override;
    bool SupportsFormat(const PcmFormat& format) const override;
    std::unique_ptr<PlaybackBuffer> CreatePlaybackBuffer(const PcmFormat& format,
                                                         std::vector<std::uint8_t> data,
                                                         QString* error) override;
};
